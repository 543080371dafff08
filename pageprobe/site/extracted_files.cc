#include "site/extracted_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "message.h"

namespace {

folder_walk walk;  // how paths are followed below the working directory

// Every file written so far, by device and inode, with what it was written for.
std::map<std::pair<dev_t, ino_t>, std::string> written;

// -l: no file is made; -f: a regular file in the way is replaced, unless
// this run wrote it or it is the database being read.
bool list_only = false;
bool replace = false;
std::pair<dev_t, ino_t> database{0, 0};

// Why `leaf` in folder dir could not be created, for a message.
std::string creation_problem(int dir, const std::string& leaf, int err) {
  struct stat st;
  if (err != EEXIST || fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return strerror(err);
  auto earlier = written.find({st.st_dev, st.st_ino});
  if (earlier != written.end())
    return "already written for " + earlier->second + ", not overwritten";
  if (std::make_pair(st.st_dev, st.st_ino) == database)
    return "is the database being read, not replaced";
  if (S_ISLNK(st.st_mode))
    return "a symbolic link is in the way, not followed (-C writes into a new folder)";
  if (S_ISDIR(st.st_mode)) return "a folder is in the way (-C writes into a new folder)";
  if (!S_ISREG(st.st_mode)) return "exists already and is no regular file, not replaced";
  return "exists already, not overwritten (-f replaces it, -C writes into a new folder)";
}

// -f: removes the regular file `leaf` in the way, so that a new one takes its
// name; false when it is none or may not be replaced.
bool remove_replaceable(int dir, const std::string& leaf) {
  struct stat st;
  if (!replace || fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(st.st_mode))
    return false;
  const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
  if (written.count(id) || id == database) return false;
  return unlinkat(dir, leaf.c_str(), 0) == 0;
}

}  // namespace

void keep_extracted_files_out_of(const folder_identity& folder, const std::string& reason) {
  walk.keep_out.emplace_back(folder, reason);
}

void make_folders_for_extracted_files() { walk.make_missing = true; }

void write_no_files() { list_only = true; }

void replace_existing_files() { replace = true; }

void keep_database(dev_t device, ino_t inode) { database = {device, inode}; }

bool create_extracted_file(output_file* file, const std::string& path, const std::string& what) {
  if (list_only) return false;
  std::string leaf, why;
  const int top = open_folder(".");
  const int dir = top < 0 ? -1 : open_parent_folder(top, path, walk, &leaf, &why);
  if (top < 0)
    why = std::string("working directory: ") + strerror(errno);
  else
    close(top);
  if (dir >= 0) {
    if (file->create(dir, leaf.c_str(), path) ||
        (errno == EEXIST && remove_replaceable(dir, leaf) &&
         file->create(dir, leaf.c_str(), path))) {
      struct stat st;
      if (fstat(file->descriptor(), &st) == 0) written[{st.st_dev, st.st_ino}] = what;
      close(dir);
      return true;
    }
    why = creation_problem(dir, leaf, errno);
    close(dir);
  }
  message("%s: %s", path.c_str(), why.c_str());
  exit_status = 1;
  return false;
}

void forget_extracted_files() { written.clear(); }
