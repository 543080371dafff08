// Reading a database: the whole file is read and checked once, so that every
// later call hands out bytes that are known to lie inside it.
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

// Reads a whole regular file; false on any error or when it is larger than
// a database can be.
bool read_whole_file(const char* name, std::vector<unsigned char>* out) {
  const int fd = open(name, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  unsigned char chunk[65536];
  while (ok) {
    const ssize_t r = read(fd, chunk, sizeof chunk);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      ok = r == 0;
      break;
    }
    if (out->size() + static_cast<size_t>(r) > kMaxFileSize) {
      ok = false;
      break;
    }
    out->insert(out->end(), chunk, chunk + r);
  }
  close(fd);
  return ok;
}

// Checks the header and the record list of the file in pf->bytes and fills
// the rest of the handle.
// Every block must lie inside the file, in the order header, record list,
// app info, sort info, records, with record offsets that never decrease.
bool parse_database(pi_file* pf) {
  const std::vector<unsigned char>& f = pf->bytes;
  const size_t size = f.size();
  if (size < kHeaderSize) return false;
  const unsigned char* h = f.data();
  // The name must end in a NUL inside its field.
  if (std::memchr(h + kNameOffset, 0, kNameSize) == nullptr) return false;
  if (get_be32(h + kNextListOffset) != 0) return false;

  const uint32_t flags = get_be16(h + kFlagsOffset);
  pf->resource = (flags & dlpDBFlagResource) != 0;
  const size_t entry_size = pf->resource ? kResourceEntrySize : kRecordEntrySize;
  const size_t count = get_be16(h + kEntryCountOffset);
  const size_t list_end = kHeaderSize + entry_size * count;
  if (list_end > size) return false;

  const size_t app_info = get_be32(h + kAppInfoOffset);
  const size_t sort_info = get_be32(h + kSortInfoOffset);
  size_t block_start = list_end;  // no block may begin before this
  if (app_info != 0) {
    if (app_info < block_start || app_info > size) return false;
    block_start = app_info;
  }
  if (sort_info != 0) {
    if (sort_info < block_start || sort_info > size) return false;
    block_start = sort_info;
  }

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
    if (e.offset < block_start || e.offset > size) return false;
    block_start = e.offset;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t end = i + 1 < count ? pf->entries[i + 1].offset : size;
    pf->entries[i].size = end - pf->entries[i].offset;
  }

  if (app_info != 0) {
    size_t end = size;
    if (sort_info != 0)
      end = sort_info;
    else if (count > 0)
      end = pf->entries[0].offset;
    pf->app_info.assign(h + app_info, h + end);
  }

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

}  // namespace

// A handle over the whole file's bytes, or null when they are not a
// well-formed database.
static pi_file_t* open_parsed(std::vector<unsigned char> bytes) {
  try {
    std::unique_ptr<pi_file> pf(new pi_file);
    pf->bytes = std::move(bytes);
    if (parse_database(pf.get())) return pf.release();
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

pi_file_t* pi_file_open(const char* name) {
  if (name == nullptr) return nullptr;
  std::vector<unsigned char> bytes;
  try {
    if (!read_whole_file(name, &bytes)) return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return open_parsed(std::move(bytes));
}

pi_file_t* pi_file_open_bytes(const unsigned char* data, size_t size) {
  if (data == nullptr && size != 0) return nullptr;
  try {
    return open_parsed(std::vector<unsigned char>(data, data + size));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int pi_file_read_record(pi_file_t* pf, int index, void** bufp, size_t* sizep, int* recattrs,
                        int* category, recordid_t* uid) {
  if (pf == nullptr || pf->for_writing || pf->resource) return -1;
  if (index < 0 || static_cast<size_t>(index) >= pf->entries.size()) return -1;
  const pi_entry& e = pf->entries[static_cast<size_t>(index)];
  if (bufp != nullptr) *bufp = pf->bytes.data() + e.offset;
  if (sizep != nullptr) *sizep = e.size;
  if (recattrs != nullptr) *recattrs = static_cast<int>(e.attrs & 0xF0);
  if (category != nullptr) *category = static_cast<int>(e.attrs & 0x0F);
  if (uid != nullptr) *uid = e.uid;
  return 0;
}
