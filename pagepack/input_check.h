// What pagepack looks at before it packs: the kind of each command-line
// input and whether it can be packed at all, and whether the database's path
// may be written without replacing a file the run reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The kind of the input `name` that --page or --image did not give: by its
// own file name (after the last '/'), a page unless the letter after the
// first '.' of that name says otherwise.
uint8_t kind_by_name(const char* name);

// Why the command-line input `name`, to be read as `kind`, cannot be packed
// ("no such file, left out", "a folder, left out: ..."), for a message after
// its name; empty when it can. An input that its name makes an image but
// whose first bytes hold markup is refused with the hint --page=NAME, unless
// `kind_given` (--page or --image named it).
std::string input_problem(const char* name, uint8_t kind, bool kind_given);

// Why the database may not be written at `path` before anything is read:
// it is a folder, one of `inputs`, or an existing file that is not a Palm
// database. Empty when it may (missing, or an earlier database).
std::string output_problem(const char* path, const std::vector<const char*>& inputs);

// The file of `reads` (the files the run read) that `path` names, by device
// and inode, or null: checked again before the database is written, since
// linked pages and images are only known once the run has read them.
const char* output_names_a_source(const char* path, const std::vector<const char*>& reads);
