// The open-database handle behind pi_file_t, shared by the writing and the
// reading half of the container layer, and the fixed numbers of the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "big_endian.h"
#include "pi-file.h"

constexpr size_t kHeaderSize = 78;         // database header up to the record count
constexpr size_t kRecordEntrySize = 8;     // offset, attributes, 3-byte unique ID
constexpr size_t kResourceEntrySize = 10;  // type, id, offset
constexpr size_t kListPadSize = 2;         // zero bytes after the record list
constexpr size_t kMaxEntries = 0xFFFF;     // the record count is 16 bits
constexpr uint64_t kMaxFileSize = 0xFFFFFFFF;  // offsets are 32 bits
constexpr recordid_t kMaxUniqueId = 0xFFFFFF;  // unique IDs are 3 bytes
// The longest app-info or sort-info block a reader accepts, and the longest
// gap between the record list and the first block: a Palm OS chunk holds less
// than 64 KB. A longer one makes the file no database.
constexpr size_t kMaxBlockSize = 65536;
// The longest record a reader hands out (PI_RECORD_TOO_LARGE beyond): room for
// any record whose own header describes two 16-bit lengths (20 + 65535 +
// 65535 bytes) and to spare. A longer record is refused alone and never read.
constexpr size_t kMaxRecordSize = 262144;

// Header field offsets.
enum {
  kNameOffset = 0,
  kNameSize = 32,
  kFlagsOffset = 32,
  kVersionOffset = 34,
  kCreateDateOffset = 36,
  kModifyDateOffset = 40,
  kBackupDateOffset = 44,
  kModnumOffset = 48,
  kAppInfoOffset = 52,
  kSortInfoOffset = 56,
  kTypeOffset = 60,
  kCreatorOffset = 64,
  kUniqueIdSeedOffset = 68,
  kNextListOffset = 72,
  kEntryCountOffset = 76,
};

// One record: where its bytes lie in pi_file::bytes, and its list entry.
struct pi_entry {
  size_t offset = 0;  // in pi_file::bytes (in the file, until it is read)
  size_t size = 0;
  bool too_large = false;  // longer than kMaxRecordSize: not read
  unsigned attrs = 0;  // the whole attributes byte: flags high, category low
  recordid_t uid = 0;
};

struct pi_file {
  bool for_writing = false;
  bool resource = false;  // a resource database: records are not handed out
  std::string path;       // target of a database being written
  DBInfo info{};
  std::vector<unsigned char> app_info;
  // Reading: the header, the record list, the app-info and sort-info blocks
  // and every record not too large, in file order. Writing: the records'
  // bytes, one after another.
  std::vector<unsigned char> bytes;
  std::vector<pi_entry> entries;
};

// Writes the database held by a write handle to its path; 0 or negative.
int pi_file_write_database(const pi_file& pf);

// Opens a database from bytes already in memory, checked as pi_file_open
// checks a file; null when they are not a well-formed database.
pi_file_t* pi_file_open_bytes(const unsigned char* data, size_t size);
