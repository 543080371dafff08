// Reading a file of a folder without ever leaving it. The path is walked one
// component at a time from the working directory, with O_NOFOLLOW: a
// symbolic link on the way is read and followed by the same walk, so a link
// that stays inside the working directory works, and one whose target (or
// any link after it) leads out is never followed. ".." may not climb above the
// working directory; an absolute path (or link target) counts only when it
// names a place below the working directory's real path.
#pragma once

// Opens `path` below the working directory with `flags` (O_RDONLY and the
// like; O_NOFOLLOW and O_CLOEXEC are added). Returns the descriptor, or -1
// with errno set; *outside is true when the path, or a link on it, leads out
// of the working directory (errno is then EXDEV).
int open_inside(const char* path, int flags, bool* outside);
