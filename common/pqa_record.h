// Layout of a PQA database as both programs see it: the container values,
// the application-info block and the 20-byte record header in front of every record.
#pragma once

#include <cstddef>
#include <cstdint>

// Container header values of every database pagepack writes.
constexpr unsigned long kPqaType = 0x70716120UL;     // 'pqa '
constexpr unsigned long kPqaCreator = 0x636c7072UL;  // 'clpr'

// Record kinds: the contentType byte of a record header and the type of a queue entry.
enum : uint8_t {
  kContentGif = 2,   // the image file itself
  kContentJpeg = 3,  // the image file itself
  kContentPage = 4,
  kContentImage = 5,
};

// Application-info block: "lnch", 0x00 0x03, 0x80 0x01, then the version and
// title strings (each a 16-bit word count and that many words), then the large
// and the small icon entry.
constexpr char kAppInfoMagic[4] = {'l', 'n', 'c', 'h'};
constexpr uint8_t kAppInfoFixed[4] = {0x00, 0x03, 0x80, 0x01};
constexpr int kAppInfoVersionOffset = 8;  // word count of the version string
constexpr int kAppInfoMax = 1024;         // the buffer the block is assembled in

// The record header (pqa_header), packed and big-endian. Fields are read and
// written at these offsets, never through a struct overlay.
enum PqaHeaderOffset {
  kUrlOffset = 0,          // signed 32-bit
  kUrlLength = 4,          // signed 16-bit
  kDataOffset = 6,         // signed 32-bit
  kDataLength = 10,        // 16-bit, used as unsigned
  kContentType = 12,       // 8-bit
  kCompressionType = 13,   // 8-bit
  kUncompressedSize = 14,  // signed 32-bit
  kHeaderFlags = 18,       // 8-bit
  kHeaderReserved = 19,    // 8-bit
  kPqaHeaderSize = 20,
};

constexpr int kRecordBufferSize = 65536;  // the most a record may take

// The most data bytes pagepack puts in a record with a URL field of `lu`
// bytes (at most 32,766): the record fits its buffer and dataLength fits 16
// bits. Always even.
constexpr size_t record_data_room(size_t lu) {
  const size_t room = kRecordBufferSize - kPqaHeaderSize - lu;
  return (room < 0xFFFE ? room : 0xFFFE) & ~size_t{1};
}

// Database attribute bits of every database pagepack writes: launchable data
// (clipping) and backup.
constexpr unsigned kPqaDbFlags = 0x0208;

// compressionType of a page record: byte-coded markup, the only form pagepack writes.
constexpr uint8_t kCompressionByteCoded = 0;
// compressionType of a page in bit-packed markup, the form pageprobe reads by default.
constexpr uint8_t kCompressionBitCoded = 1;

// An icon entry of the application-info block that holds no icon: word count 0.
constexpr int kEmptyIconEntrySize = 2;
