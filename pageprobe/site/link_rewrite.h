// The last step of a listing: every *.html file of the working directory has
// its index links to local pages (flags 04) rewritten into file-name links.
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

// The shell command that runs the script file over every *.html file,
// editing each in place.
std::string rewrite_command(const std::string& script_path);

// Writes the script to a temporary file (outside the working directory) and
// runs the command through the shell over every *.html file, or, when files
// is given, runs sed itself (no shell) over those files alone. Database text
// never reaches a shell: it stands only in the script file that sed reads,
// and in the arguments of sed.
void rewrite_links(const std::vector<std::string>& pages,
                   const std::vector<std::string>* files = nullptr);
