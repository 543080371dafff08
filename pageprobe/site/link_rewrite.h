// The last step of a listing: the pages the run wrote have their index links
// to local pages (flags 04) rewritten into file-name links.
#pragma once

#include <string>
#include <vector>

// The sed script: for each named page at position k, one substitution of
// index="k" flags=04 by HREF="name", all of them for lines with flags=04 only.
// Names are escaped so that each stays one literal replacement; empty names
// (refused pages) get none, nor do names that hold index="" text (reported on
// standard error).
std::string rewrite_script(const std::vector<std::string>& pages);

// Quotes a word for the POSIX shell.
std::string shell_word(const std::string& word);

// The shell command that runs sed with the script file over the files named
// in the list file (each name ended by a zero byte), editing each in place.
std::string rewrite_command(const std::string& script_path, const std::string& list_path);

// Writes the script (and the list of files) to temporary files outside the
// working directory and runs the command through the shell over the files,
// or without through_shell runs sed itself (no shell) over them. Database
// text never reaches a shell: it stands only in the files that xargs and sed
// read, and in the arguments of sed. Nothing runs when files is empty.
void rewrite_links(const std::vector<std::string>& pages, const std::vector<std::string>& files,
                   bool through_shell);
