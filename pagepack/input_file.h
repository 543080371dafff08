// Opening the files pagepack reads (pages, images, icons): never blocking on a
// FIFO or device, and only regular files, so that no input can hang the run.
#pragma once

#include <cstdio>
#include <memory>

struct stdio_file_closer {
  void operator()(FILE* f) const { fclose(f); }
};
typedef std::unique_ptr<FILE, stdio_file_closer> stdio_file;

// Opens name for reading. Null when it cannot be opened or is not a regular
// file; then *why (when given) says which, for a message.
stdio_file open_input(const char* name, const char** why = nullptr);
