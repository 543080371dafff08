#include "open_inside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <string>
#include <vector>

namespace {

// Enough for any real site; a chain beyond it is taken for a loop, as the
// kernel does at 40.
constexpr int kMaxLinks = 40;

void split(const std::string& path, std::deque<std::string>* parts, bool in_front) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) words.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  if (in_front)
    parts->insert(parts->begin(), words.begin(), words.end());
  else
    parts->insert(parts->end(), words.begin(), words.end());
}

// The words of an absolute path below the working directory's real path, in
// place of the path; false when it names no place below it.
bool strip_working_dir(const std::string& absolute, std::deque<std::string>* rest) {
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return false;
    buf.resize(buf.size() * 2);
  }
  std::deque<std::string> cwd, words;
  split(buf.data(), &cwd, false);
  split(absolute, &words, false);
  for (const std::string& w : cwd) {
    // "." and ".." never match: such a path is refused rather than guessed at.
    if (words.empty() || words.front() != w) return false;
    words.pop_front();
  }
  rest->insert(rest->begin(), words.begin(), words.end());
  return true;
}

// The folders entered below the working directory, innermost last.
struct folder_stack {
  std::vector<int> fds;
  ~folder_stack() { clear(); }
  int here() const { return fds.empty() ? AT_FDCWD : fds.back(); }
  void clear() {
    for (int fd : fds) close(fd);
    fds.clear();
  }
};

int refuse(bool* outside) {
  *outside = true;
  errno = EXDEV;
  return -1;
}

}  // namespace

int open_inside(const char* path, int flags, bool* outside) {
  *outside = false;
  std::deque<std::string> todo;
  std::string p = path;
  if (!p.empty() && p[0] == '/') {
    if (!strip_working_dir(p, &todo)) return refuse(outside);
  } else {
    split(p, &todo, false);
  }
  folder_stack at;
  int links = 0;
  while (!todo.empty()) {
    std::string name = todo.front();
    todo.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      if (at.fds.empty()) return refuse(outside);
      close(at.fds.back());
      at.fds.pop_back();
      continue;
    }
    struct stat st;
    if (fstatat(at.here(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    if (S_ISLNK(st.st_mode)) {
      if (++links > kMaxLinks) {
        errno = ELOOP;
        return -1;
      }
      std::vector<char> buf(4097);
      ssize_t n = readlinkat(at.here(), name.c_str(), buf.data(), buf.size());
      if (n < 0) return -1;
      if (static_cast<size_t>(n) >= buf.size()) {
        errno = ENAMETOOLONG;
        return -1;
      }
      std::string target(buf.data(), static_cast<size_t>(n));
      if (!target.empty() && target[0] == '/') {
        at.clear();  // the walk starts again at the working directory
        if (!strip_working_dir(target, &todo)) return refuse(outside);
      } else {
        split(target, &todo, true);
      }
      continue;
    }
    bool last = true;
    for (const std::string& rest : todo)
      if (rest != ".") last = false;
    if (S_ISDIR(st.st_mode) && !last) {
      int fd = openat(at.here(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) return -1;
      at.fds.push_back(fd);
      continue;
    }
    if (!last) {
      errno = ENOTDIR;
      return -1;
    }
    return openat(at.here(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
  }
  // The path names the working directory itself or a folder the walk entered.
  return openat(at.here(), ".", flags | O_CLOEXEC);
}
