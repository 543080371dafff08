#include "standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "message.h"

void open_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free descriptor is fd itself, as all below it are open.
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) close(opened);
  }
}

bool finish_standard_output() {
  errno = 0;
  const bool ok = fflush(stdout) == 0 && !ferror(stdout);
  if (!ok) message("standard output: %s", errno ? strerror(errno) : "write error");
  return ok;
}
