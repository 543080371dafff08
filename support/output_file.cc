#include "output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "message.h"
#include "safe_files.h"

output_file::~output_file() {
  if (file_) fclose(file_);
}

bool output_file::create(int dir, const char* name, const std::string& label) {
  if (file_) fclose(file_);
  file_ = nullptr;
  name_ = label;
  const int fd = create_new_file(dir, name);
  if (fd < 0) return false;
  file_ = fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    close(fd);
    errno = err;
  }
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
