#include "output_file.h"

#include <cerrno>
#include <cstring>

#include "message.h"

output_file::~output_file() {
  if (file_) fclose(file_);
}

bool output_file::create(const char* name) {
  if (file_) fclose(file_);
  name_ = name;
  file_ = fopen(name, "wbe");
  return file_ != nullptr;
}

bool output_file::finish() {
  if (!file_) return false;
  errno = 0;
  bool ok = fflush(file_) == 0 && !ferror(file_);
  int err = errno;
  if (fclose(file_) != 0 && ok) {
    ok = false;
    err = errno;
  }
  file_ = nullptr;
  if (!ok) {
    message("%s: %s", name_.c_str(), err ? strerror(err) : "write error");
    exit_status = 1;
  }
  return ok;
}
