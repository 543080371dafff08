// pageprobe -s: rebuild.sh, the one pagepack command that builds the database
// again from the files -s wrote beside it (sh rebuild.sh).
#pragma once

#include <string>
#include <vector>

#include "pi-file.h"
#include "site/rebuild_plan.h"

// The script: pagepack (or $PAGEPACK) with a --page or --image option for
// each input whose name the first-dot rule takes for the other kind, then
// "--", the database name, version and title, and the inputs. Every argument
// is quoted for the shell, whatever bytes it holds. With a `folder`, the
// script changes into it first; `options` come before the kind options
// (--gap=NAME for each placeholder, --bitmap=NAME for each input given as
// its Palm bitmap).
std::string rebuild_script(const std::string& database, const std::string& version,
                           const std::string& title, const std::vector<rebuild_input>& inputs,
                           const std::string& folder = std::string(),
                           const std::vector<std::string>& options = {});

// Writes rebuild.sh for the planned database into the working directory:
// whole under a hidden name, then renamed, never over an existing name; a
// script that cannot be written whole is removed, with a message.
void write_rebuild_script(pi_file_t* pf);

// Writes the page that links without a target name (used_no_room_page), when
// the pages name it: the database was full when they were packed.
void write_no_room_page();
