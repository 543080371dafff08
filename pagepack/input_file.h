// Opening the files pagepack reads (pages, style sheets, images, icons):
// never blocking on a FIFO or device, only regular files, so that no input
// can hang the run; and never a file outside the working directory (the site)
// unless the user named it.
#pragma once

#include <cstdio>
#include <memory>

struct stdio_file_closer {
  void operator()(FILE* f) const { fclose(f); }
};
typedef std::unique_ptr<FILE, stdio_file_closer> stdio_file;

// Opens name for reading. A name is read only when the file it resolves to
// lies inside the working directory (open_inside: symbolic links are followed
// only while they stay inside), unless it was trusted. One that leads outside
// is told once ("NAME: leads outside the working directory, not read") and is
// from then on, for every caller, a file that is not there (errno ENOENT).
// Null when it cannot be opened or is not a regular file; then *why (when
// given) says which, for a message.
stdio_file open_input(const char* name, const char** why = nullptr);

// Whether open_input refused `name` for leading outside the working directory.
bool refused_outside(const char* name);

// Whether `name` leads outside the working directory (by its text or a
// symbolic link on its way), looked at without a message.
bool leads_outside(const char* name);

// Names the user typed, read as they stand wherever they lead: the inputs and
// the icons of the default mode.
void trust_input(const char* name);
