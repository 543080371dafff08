// The files the listing writes into the working directory: each one made new
// (never over an existing file, never through a symbolic link, never inside
// the preview folder), and each that cannot be made reported with exit
// status 1.
#pragma once

#include <string>

#include "output_file.h"
#include "safe_files.h"

// Keeps the listing's files out of `folder` (the preview's): a path that
// leads into it is refused with `reason`.
void keep_extracted_files_out_of(const folder_identity& folder, const std::string& reason);

// Makes the folders a path names when they are missing (-s), below the
// working directory and never through a symbolic link.
void make_folders_for_extracted_files();

// Creates the file `path` of the working directory for `what` (such as "the
// large icon" or "record 3"). False after a message naming path and why: the
// name is taken (by an earlier file of this run, which the message names, or
// by a file that was there before), a folder on the way is missing or a
// symbolic link, and so on; the exit status is then 1.
bool create_extracted_file(output_file* file, const std::string& path, const std::string& what);

// Forgets the files written so far (for a new run in the same process).
void forget_extracted_files();
