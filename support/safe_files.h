// Files and folders made below a folder held open by a descriptor, so that
// nothing outside it can be reached: no path leaves it (no absolute path, no
// ".." component), no symbolic link is followed on the way, and no existing
// name is ever opened for writing, so nothing planted there is written through
// or truncated.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// Where a folder lies, to tell whether two paths reach the same one.
struct folder_identity {
  dev_t device = 0;
  ino_t inode = 0;
};
inline bool operator==(const folder_identity& a, const folder_identity& b) {
  return a.device == b.device && a.inode == b.inode;
}

// The folder the descriptor fd is open on; false when fstat fails.
bool identify_folder(int fd, folder_identity* id);

// A descriptor of the folder `path` as the user names it (a symbolic link
// there is followed: the user chose it), or -1 with errno set.
int open_folder(const char* path);

// How open_parent_folder walks a path.
struct folder_walk {
  bool make_missing = false;  // make each missing folder on the way
  // Folders never entered, each with the reason a path that leads into one
  // is refused with.
  std::vector<std::pair<folder_identity, std::string>> keep_out;
};

// Opens, below the folder dir, the folder that holds the last component of
// `path`, entering one folder at a time without following a symbolic link
// and, with make_missing, making each folder that is missing (mode 0777 less
// the umask). Empty and "." components are stepped over. Returns a new
// descriptor (the caller closes it) and sets *leaf to the last component; -1
// with *why (for a message) when the path is absolute, has a ".." component,
// ends in "/", or when a folder on the way is missing, is no folder, is a
// symbolic link, is one of keep_out or cannot be opened or made.
int open_parent_folder(int dir, const std::string& path, const folder_walk& walk,
                       std::string* leaf, std::string* why);

// Creates the new file `name` in the folder dir and opens it for writing
// (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0666 less the umask): an existing name,
// whether file, folder or symbolic link, is never opened. -1 with errno set.
int create_new_file(int dir, const char* name);

// Gives the file `from` of the folder dir the name `to` in the same folder,
// never over an existing name (file, folder or symbolic link): 0, or -1 with
// errno set (EEXIST when `to` is taken).
int rename_to_new_name(int dir, const char* from, const char* to);
