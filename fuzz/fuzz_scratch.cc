#include "fuzz_scratch.h"

#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

// Memory-backed /dev/shm makes the file round trip of every input several
// times faster than a disk-backed /tmp.
static std::string scratch_base() {
  if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
  const char* base = getenv("TMPDIR");
  return base && *base ? base : "/tmp";
}

static std::string scratch_dir;

static int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

static void remove_scratch_dir() {
  if (!scratch_dir.empty()) nftw(scratch_dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void enter_scratch_dir() {
  std::string tmpl = scratch_base() + "/pqa-fuzz-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data()) || chdir(buf.data()) != 0) {
    perror("scratch directory");
    exit(1);
  }
  scratch_dir = buf.data();
  atexit(remove_scratch_dir);
  if (!freopen("/dev/null", "w", stdout)) exit(1);
}

bool write_scratch_file(const char* name, const unsigned char* data, size_t size) {
  FILE* f = fopen(name, "wb");
  if (!f) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}
