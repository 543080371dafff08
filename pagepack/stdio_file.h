// A FILE* that closes itself.
#pragma once

#include <cstdio>
#include <memory>

struct stdio_file_closer {
  void operator()(FILE* f) const { fclose(f); }
};
typedef std::unique_ptr<FILE, stdio_file_closer> stdio_file;
