// The files the listing writes into the working directory: each one made new
// (never through a symbolic link, never inside the preview folder, never over
// an existing file unless -f replaces it), and each that cannot be made
// reported with exit status 1.
#pragma once

#include <sys/types.h>

#include <string>

#include "output_file.h"
#include "safe_files.h"

// Keeps the listing's files out of `folder` (the preview's): a path that
// leads into it is refused with `reason`.
void keep_extracted_files_out_of(const folder_identity& folder, const std::string& reason);

// Makes the folders a path names when they are missing, below the working
// directory and never through a symbolic link.
void make_folders_for_extracted_files();

// -l: every file is refused, silently.
void write_no_files();

// -f: a regular file in the way is replaced (removed, and the new one made in
// its place), never a folder or a symbolic link, a file this run wrote or the
// database (keep_database).
void replace_existing_files();

// The database being read, which no file of the run replaces.
void keep_database(dev_t device, ino_t inode);

// Creates the file `path` of the working directory for `what` (such as "the
// large icon" or "record 3"). False after a message naming path and why: the
// name is taken (by an earlier file of this run, which the message names, or
// by a file that was there before, the message saying how to go on), a folder
// on the way is missing or a symbolic link, and so on; the exit status is
// then 1. Under -l false at once, without a message.
bool create_extracted_file(output_file* file, const std::string& path, const std::string& what);

// Forgets the files written so far (for a new run in the same process).
void forget_extracted_files();
