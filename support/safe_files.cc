#include "safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>  // renameat2
#include <cstring>

bool identify_folder(int fd, folder_identity* id) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  id->device = st.st_dev;
  id->inode = st.st_ino;
  return true;
}

int open_folder(const char* path) {
  return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

namespace {

// Enters the folder `name` below dir; never through a symbolic link.
int enter(int dir, const std::string& name) {
  return openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Why `name` below dir could not be entered, for a message.
std::string entry_problem(int dir, const std::string& name, int err) {
  struct stat st;
  if (err == ELOOP || err == ENOTDIR) {
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
      return "folder " + name + " is a symbolic link, not followed";
    return name + " is not a folder";
  }
  return strerror(err);
}

}  // namespace

int open_parent_folder(int dir, const std::string& path, const folder_walk& walk,
                       std::string* leaf, std::string* why) {
  if (path.empty() || path[0] == '/' || path.back() == '/') {
    *why = path.empty() ? "empty path" : path[0] == '/' ? "absolute path" : "names a folder";
    return -1;
  }
  int fd = fcntl(dir, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    *why = strerror(errno);
    return -1;
  }
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    const std::string name =
        path.substr(start, slash == std::string::npos ? slash : slash - start);
    if (name == "..") {
      *why = "a .. component";
      break;
    }
    if (slash == std::string::npos) {
      *leaf = name;
      return fd;
    }
    start = slash + 1;
    if (name.empty() || name == ".") continue;
    int next = enter(fd, name);
    if (next < 0 && errno == ENOENT && walk.make_missing &&
        (mkdirat(fd, name.c_str(), 0777) == 0 || errno == EEXIST))
      next = enter(fd, name);
    if (next < 0) {
      *why = entry_problem(fd, name, errno);
      break;
    }
    close(fd);
    fd = next;
    folder_identity id;
    if (!identify_folder(fd, &id)) {
      *why = strerror(errno);
      break;
    }
    auto kept = std::find_if(walk.keep_out.begin(), walk.keep_out.end(),
                             [&](const auto& k) { return k.first == id; });
    if (kept != walk.keep_out.end()) {
      *why = kept->second;
      break;
    }
  }
  close(fd);
  return -1;
}

int create_new_file(int dir, const char* name) {
  return openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int rename_to_new_name(int dir, const char* from, const char* to) {
  if (renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system without RENAME_NOREPLACE: a second link, which fails on an
  // existing name too, and the first one removed.
  if (linkat(dir, from, dir, to, 0) != 0) return -1;
  unlinkat(dir, from, 0);
  return 0;
}
