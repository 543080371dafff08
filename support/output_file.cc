#include "output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "message.h"
#include "safe_files.h"

namespace {

// The stream's writes and close, keeping the reason of the first failure.
ssize_t sink_write(void* cookie, const char* buf, size_t size) {
  auto* s = static_cast<output_file::sink*>(cookie);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(s->fd, buf + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (!s->error) s->error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);  // less than size: the stream's error
}

int sink_close(void* cookie) {
  auto* s = static_cast<output_file::sink*>(cookie);
  const int result = close(s->fd);
  if (result != 0 && !s->error) s->error = errno;
  return result;
}

}  // namespace

output_file::~output_file() {
  if (file_) fclose(file_);
}

bool output_file::create(int dir, const char* name, const std::string& label) {
  if (file_) fclose(file_);
  file_ = nullptr;
  name_ = label;
  sink_ = sink();
  const int fd = create_new_file(dir, name);
  if (fd < 0) return false;
  sink_.fd = fd;
  cookie_io_functions_t io = {nullptr, sink_write, nullptr, sink_close};
  file_ = fopencookie(&sink_, "wb", io);
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
  if (fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (sink_.error) err = sink_.error;
  if (!ok) {
    message("%s: %s", name_.c_str(), err ? strerror(err) : "write error");
    exit_status = 1;
  }
  return ok;
}
