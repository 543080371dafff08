// Writing a record database: the handle gathers copies of the app-info block
// and the records; pi_file_write_database lays them out and puts the file in
// place in one step.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "palm_time.h"
#include "pi_file_internal.h"

namespace {

// Splits a path into its directory and its last component.
void split_path(const std::string& path, std::string* dir, std::string* base) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *dir = ".";
    *base = path;
  } else {
    *dir = slash == 0 ? "/" : path.substr(0, slash);
    *base = path.substr(slash + 1);
  }
}

// The file a path names: a symlink is followed (also when it dangles) to
// the path it points at, so that writing replaces the link's target and the
// link stays. False for a loop of links or a link that cannot be read.
bool link_target(const std::string& path, std::string* target) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = p;
      return true;
    }
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(p.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return false;
    std::string to(buf.data(), static_cast<size_t>(n));
    if (to[0] != '/') {
      std::string dir, base;
      split_path(p, &dir, &base);
      to = dir + "/" + to;
    }
    p = to;
  }
  return false;
}

// An early answer to "can a file be put at this path?", so that a caller
// hears of an impossible target before it does any work. pi_file_close
// still reports every failure of the real write.
// False with errno saying why.
bool target_looks_writable(const std::string& name) {
  std::string path, dir, base;
  if (name.empty()) {
    errno = ENOENT;
    return false;
  }
  if (!link_target(name, &path)) {
    errno = ELOOP;
    return false;
  }
  split_path(path, &dir, &base);
  struct stat st;
  if (base.empty() || base == "." || base == ".." ||
      (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    errno = EISDIR;
    return false;
  }
  if (stat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return access(dir.c_str(), W_OK | X_OK) == 0;
}

bool fits_16(unsigned long v) { return v <= 0xFFFF; }
bool fits_32(unsigned long v) { return v <= 0xFFFFFFFFul; }

// Size of the file that a handle would write with `extra` more record bytes
// and `extra_entries` more records.
uint64_t file_size_with(const pi_file& pf, uint64_t app_info_size, uint64_t extra,
                        size_t extra_entries) {
  return kHeaderSize + kRecordEntrySize * (pf.entries.size() + extra_entries) + kListPadSize +
         app_info_size + pf.bytes.size() + extra;
}

bool write_all(int fd, const unsigned char* p, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Mode of the database written at path: that of the file it replaces, or
// for a new file what open(2) with 0666 would give.
mode_t database_mode(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The header, the record list and the two pad bytes.
std::vector<unsigned char> build_header(const pi_file& pf, bool* ok) {
  const size_t n = pf.entries.size();
  std::vector<unsigned char> h(kHeaderSize + kRecordEntrySize * n + kListPadSize, 0);
  const DBInfo& info = pf.info;
  std::memcpy(&h[kNameOffset], info.name, strnlen(info.name, kNameSize - 1));
  put_be16(&h[kFlagsOffset], info.flags);
  put_be16(&h[kVersionOffset], info.version);
  uint32_t t = 0;
  *ok = unix_to_palm_time(info.createDate, &t);
  put_be32(&h[kCreateDateOffset], t);
  *ok = *ok && unix_to_palm_time(info.modifyDate, &t);
  put_be32(&h[kModifyDateOffset], t);
  *ok = *ok && unix_to_palm_time(info.backupDate, &t);
  put_be32(&h[kBackupDateOffset], t);
  put_be32(&h[kModnumOffset], static_cast<uint32_t>(info.modnum));

  const size_t list_end = h.size();
  const size_t records_start = list_end + pf.app_info.size();
  put_be32(&h[kAppInfoOffset], pf.app_info.empty() ? 0 : static_cast<uint32_t>(list_end));
  put_be32(&h[kSortInfoOffset], 0);
  put_be32(&h[kTypeOffset], static_cast<uint32_t>(info.type));
  put_be32(&h[kCreatorOffset], static_cast<uint32_t>(info.creator));

  // The seed is the next unique ID a handheld may hand out: one past the
  // highest ID in the file, so that a new record never takes an existing ID.
  recordid_t highest = 0;
  for (const pi_entry& e : pf.entries) highest = e.uid > highest ? e.uid : highest;
  put_be32(&h[kUniqueIdSeedOffset], static_cast<uint32_t>(highest + 1));
  put_be32(&h[kNextListOffset], 0);
  put_be16(&h[kEntryCountOffset], static_cast<uint32_t>(n));

  for (size_t i = 0; i < n; ++i) {
    const pi_entry& e = pf.entries[i];
    unsigned char* p = &h[kHeaderSize + kRecordEntrySize * i];
    put_be32(p, static_cast<uint32_t>(records_start + e.offset));
    p[4] = static_cast<unsigned char>(e.attrs);
    p[5] = static_cast<unsigned char>(e.uid >> 16);
    p[6] = static_cast<unsigned char>(e.uid >> 8);
    p[7] = static_cast<unsigned char>(e.uid);
  }
  return h;
}

}  // namespace

pi_file_t* pi_file_create(const char* name, const struct DBInfo* info) {
  if (name == nullptr || info == nullptr) return nullptr;
  // The name field holds at most 31 characters and its NUL.
  if (strnlen(info->name, sizeof info->name) > kNameSize - 1) return nullptr;
  // Only record databases are written; the fields must fit their widths.
  if ((info->flags & dlpDBFlagResource) != 0 || !fits_16(info->flags) ||
      !fits_16(info->version) || !fits_32(info->type) || !fits_32(info->creator) ||
      !fits_32(info->modnum))
    return nullptr;
  uint32_t t;
  if (!unix_to_palm_time(info->createDate, &t) || !unix_to_palm_time(info->modifyDate, &t) ||
      !unix_to_palm_time(info->backupDate, &t))
    return nullptr;
  try {
    std::string path(name);
    if (!target_looks_writable(path)) return nullptr;
    pi_file* pf = new pi_file;
    pf->for_writing = true;
    pf->path = std::move(path);
    pf->info = *info;
    return pf;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int pi_file_set_app_info(pi_file_t* pf, void* data, size_t size) {
  if (pf == nullptr || !pf->for_writing) return -1;
  if (data == nullptr && size > 0) return -1;
  if (file_size_with(*pf, size, 0, 0) > kMaxFileSize) return -1;
  try {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    pf->app_info.assign(p, p + size);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return 0;
}

int pi_file_append_record(pi_file_t* pf, void* buf, size_t size, int recattrs, int category,
                          recordid_t uid) {
  if (pf == nullptr || !pf->for_writing) return -1;
  if (buf == nullptr && size > 0) return -1;
  if (pf->entries.size() >= kMaxEntries || uid > kMaxUniqueId) return -1;
  if (file_size_with(*pf, pf->app_info.size(), size, 1) > kMaxFileSize) return -1;
  try {
    pi_entry e;
    e.offset = pf->bytes.size();
    e.size = size;
    e.attrs = static_cast<unsigned>((recattrs & 0xF0) | (category & 0x0F));
    e.uid = uid;
    const unsigned char* p = static_cast<const unsigned char*>(buf);
    pf->bytes.insert(pf->bytes.end(), p, p + size);
    try {
      pf->entries.push_back(e);
    } catch (const std::bad_alloc&) {
      pf->bytes.resize(e.offset);
      throw;
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return 0;
}

int pi_file_write_database(const pi_file& pf) {
  bool ok = true;
  std::vector<unsigned char> header;
  std::string target, dir, base, tmp;
  try {
    header = build_header(pf, &ok);
    if (!link_target(pf.path, &target)) return -1;
    split_path(target, &dir, &base);
    tmp = dir + "/.pi_file-XXXXXX";
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (!ok) return -1;

  const int fd = mkstemp(&tmp[0]);
  if (fd < 0) return -1;
  ok = fchmod(fd, database_mode(target)) == 0 && write_all(fd, header.data(), header.size()) &&
       write_all(fd, pf.app_info.data(), pf.app_info.size()) &&
       write_all(fd, pf.bytes.data(), pf.bytes.size()) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tmp.c_str());
    return -1;
  }
  // Make the rename itself durable; the file is in place either way.
  const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return 0;
}
