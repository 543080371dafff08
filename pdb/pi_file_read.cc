// Reading a database: the header and the record list are read and checked
// first, then the blocks they place, so that every later call hands out bytes
// known to lie inside the file and a file's size alone never costs memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "palm_time.h"
#include "pi_file_internal.h"

namespace {

// Reads exactly n bytes at offset; false on an error or a short file.
bool read_at(int fd, unsigned char* p, size_t n, uint64_t offset) {
  while (n > 0) {
    const ssize_t r = pread(fd, p, n, static_cast<off_t>(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
    offset += static_cast<uint64_t>(r);
  }
  return true;
}

// Checks the header and the record list of a file of `size` bytes and fills
// the handle's entries, info and app-info place. `head` holds at least the
// header; *list_end tells how many bytes the header and list need: when that
// is more than head_size, call again with them.
// Every block must lie inside the file, in the order header, record list,
// app info, sort info, records, with record offsets that never decrease, and
// no block (nor the gap before the first one) may be longer than a block can
// be; so the file's size says nothing that its content does not.
bool check_layout(pi_file* pf, const unsigned char* h, size_t head_size, uint64_t size,
                  size_t* list_end, size_t* app_info_end) {
  if (size < kHeaderSize || size > kMaxFileSize || head_size < kHeaderSize) return false;
  // The name must end in a NUL inside its field.
  if (std::memchr(h + kNameOffset, 0, kNameSize) == nullptr) return false;
  if (get_be32(h + kNextListOffset) != 0) return false;

  const uint32_t flags = get_be16(h + kFlagsOffset);
  pf->resource = (flags & dlpDBFlagResource) != 0;
  const size_t entry_size = pf->resource ? kResourceEntrySize : kRecordEntrySize;
  const size_t count = get_be16(h + kEntryCountOffset);
  *list_end = kHeaderSize + entry_size * count;
  if (*list_end > size) return false;
  if (*list_end > head_size) return true;  // the caller reads the list first

  // Block offsets in file order: app info, sort info, records; 0 = absent.
  const size_t app_info = get_be32(h + kAppInfoOffset);
  const size_t sort_info = get_be32(h + kSortInfoOffset);
  std::vector<size_t> starts;
  if (app_info != 0) starts.push_back(app_info);
  if (sort_info != 0) starts.push_back(sort_info);
  pf->entries.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = h + kHeaderSize + entry_size * i;
    pi_entry& e = pf->entries[i];
    if (pf->resource) {
      // 4-byte type, 2-byte id, then the offset; resources are not handed
      // out, so only the offset matters.
      e.offset = get_be32(p + 6);
      e.attrs = 0;
      e.uid = 0;
    } else {
      e.offset = get_be32(p);
      e.attrs = p[4];
      e.uid = (recordid_t{p[5]} << 16) | (recordid_t{p[6]} << 8) | p[7];
    }
    starts.push_back(e.offset);
  }
  // Every block begins where the one before it ends. The gap before the
  // first block and the app-info and sort-info blocks are bounded, or the
  // file is no database; the records are bounded each, and only the records
  // too large are left unread.
  const size_t info_blocks = starts.size() - count;
  size_t previous = *list_end;  // no block may begin before this
  for (size_t b = 0; b <= starts.size(); ++b) {
    const size_t start = b < starts.size() ? starts[b] : size;
    if (start < previous || start > size) return false;
    if (b <= info_blocks && start - previous > kMaxBlockSize) return false;
    previous = start;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t end = i + 1 < count ? pf->entries[i + 1].offset : size;
    pf->entries[i].size = end - pf->entries[i].offset;
    pf->entries[i].too_large = pf->entries[i].size > kMaxRecordSize;
  }
  *app_info_end = app_info == 0 ? 0 : (starts.size() > 1 ? starts[1] : size);

  DBInfo& info = pf->info;
  std::memcpy(info.name, h + kNameOffset, kNameSize);
  info.flags = flags;
  info.version = get_be16(h + kVersionOffset);
  info.createDate = palm_to_unix_time(get_be32(h + kCreateDateOffset));
  info.modifyDate = palm_to_unix_time(get_be32(h + kModifyDateOffset));
  info.backupDate = palm_to_unix_time(get_be32(h + kBackupDateOffset));
  info.modnum = get_be32(h + kModnumOffset);
  info.type = get_be32(h + kTypeOffset);
  info.creator = get_be32(h + kCreatorOffset);
  return true;
}

// Takes the app-info block out of the file's bytes, now held in pf->bytes.
void take_app_info(pi_file* pf, size_t app_info_end) {
  const size_t app_info = get_be32(pf->bytes.data() + kAppInfoOffset);
  if (app_info != 0)
    pf->app_info.assign(pf->bytes.begin() + static_cast<std::ptrdiff_t>(app_info),
                        pf->bytes.begin() + static_cast<std::ptrdiff_t>(app_info_end));
}

// Opens a database from a descriptor: the header and the record list are read
// and checked against the file's size before any block is read.
pi_file_t* open_descriptor(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return nullptr;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  std::unique_ptr<pi_file> pf(new pi_file);
  std::vector<unsigned char> head(kHeaderSize);
  size_t list_end = 0, app_info_end = 0;
  if (size < kHeaderSize || !read_at(fd, head.data(), kHeaderSize, 0) ||
      !check_layout(pf.get(), head.data(), head.size(), size, &list_end, &app_info_end))
    return nullptr;
  if (list_end > head.size()) {
    head.resize(list_end);
    if (!read_at(fd, head.data() + kHeaderSize, list_end - kHeaderSize, kHeaderSize) ||
        !check_layout(pf.get(), head.data(), head.size(), size, &list_end, &app_info_end))
      return nullptr;
  }
  // Every byte now belongs to a checked block: read the app-info and
  // sort-info blocks (they end at the first record), then each record that
  // is not too large, one after another; the records' offsets follow them.
  pf->bytes = std::move(head);
  const size_t first_record = pf->entries.empty() ? size : pf->entries[0].offset;
  size_t held = 0;
  for (const pi_entry& e : pf->entries) held += e.too_large ? 0 : e.size;
  pf->bytes.resize(first_record + held);
  if (!read_at(fd, pf->bytes.data() + list_end, first_record - list_end, list_end))
    return nullptr;
  size_t at = first_record;
  for (pi_entry& e : pf->entries) {
    if (e.too_large) continue;
    if (!read_at(fd, pf->bytes.data() + at, e.size, e.offset)) return nullptr;
    e.offset = at;
    at += e.size;
  }
  take_app_info(pf.get(), app_info_end);
  return pf.release();
}

}  // namespace

pi_file_t* pi_file_open(const char* name) {
  if (name == nullptr) return nullptr;
  // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer; the
  // file is refused anyway unless it is a regular one.
  const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  pi_file_t* pf = nullptr;
  try {
    pf = open_descriptor(fd);
  } catch (const std::bad_alloc&) {
  }
  close(fd);
  return pf;
}

pi_file_t* pi_file_open_bytes(const unsigned char* data, size_t size) {
  if (data == nullptr && size != 0) return nullptr;
  try {
    std::unique_ptr<pi_file> pf(new pi_file);
    size_t list_end = 0, app_info_end = 0;
    if (!check_layout(pf.get(), data, size, size, &list_end, &app_info_end) ||
        list_end > size)
      return nullptr;
    pf->bytes.assign(data, data + size);
    take_app_info(pf.get(), app_info_end);
    return pf.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int pi_file_read_record(pi_file_t* pf, int index, void** bufp, size_t* sizep, int* recattrs,
                        int* category, recordid_t* uid) {
  if (pf == nullptr || pf->for_writing || pf->resource) return PI_RECORD_UNREADABLE;
  if (index < 0 || static_cast<size_t>(index) >= pf->entries.size()) return PI_RECORD_UNREADABLE;
  const pi_entry& e = pf->entries[static_cast<size_t>(index)];
  if (bufp != nullptr) *bufp = e.too_large ? nullptr : pf->bytes.data() + e.offset;
  if (sizep != nullptr) *sizep = e.size;
  if (recattrs != nullptr) *recattrs = static_cast<int>(e.attrs & 0xF0);
  if (category != nullptr) *category = static_cast<int>(e.attrs & 0x0F);
  if (uid != nullptr) *uid = e.uid;
  return e.too_large ? PI_RECORD_TOO_LARGE : 0;
}
