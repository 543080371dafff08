#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_set>

#include "message.h"
#include "open_inside.h"

namespace {

std::unordered_set<std::string> trusted;
std::unordered_set<std::string> told;  // the names refused for leading outside

// O_NONBLOCK keeps the open itself from waiting for a FIFO's writer.
int open_name(const char* name) {
  const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
  if (trusted.count(name)) return open(name, flags);
  bool outside = false;
  int fd = open_inside(name, flags, &outside);
  if (outside) {
    if (told.size() < 10000 && told.insert(name).second)
      message("%s: leads outside the working directory, not read", name);
    errno = ENOENT;
  }
  return fd;
}

}  // namespace

void trust_input(const char* name) { trusted.insert(name); }

bool refused_outside(const char* name) { return told.count(name) != 0; }

bool leads_outside(const char* name) {
  bool outside = false;
  int fd = open_inside(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC, &outside);
  if (fd >= 0) close(fd);
  return outside;
}

stdio_file open_input(const char* name, const char** why) {
  const char* reason = nullptr;
  int fd = open_name(name);
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
  int saved = errno;
  if (fd >= 0) close(fd);
  errno = saved;
  if (why) *why = reason;
  return nullptr;
}
