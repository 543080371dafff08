// An stdio stream that closes itself, for the files pageprobe writes.
#pragma once

#include <cstdio>
#include <memory>

struct file_closer {
  void operator()(FILE* f) const {
    if (f) fclose(f);
  }
};
typedef std::unique_ptr<FILE, file_closer> file_ptr;

// Creates (or truncates) the named file for writing; null on failure.
inline file_ptr create_file(const char* name) { return file_ptr(fopen(name, "wb")); }
