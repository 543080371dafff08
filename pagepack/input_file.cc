#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

stdio_file open_input(const char* name, const char** why) {
  const char* reason = nullptr;
  // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (fd < 0) {
    reason = strerror(errno);
  } else if (fstat(fd, &st) != 0) {
    reason = strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    reason = "not a regular file";
  } else {
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (FILE* f = fdopen(fd, "rb")) return stdio_file(f);
    reason = strerror(errno);
  }
  if (fd >= 0) close(fd);
  if (why) *why = reason;
  return nullptr;
}
