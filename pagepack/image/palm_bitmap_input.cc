#include "image/palm_bitmap_input.h"

#include <cerrno>
#include <cstring>

#include "big_endian.h"
#include "common/palm_bitmap.h"
#include "input_file.h"

namespace {

constexpr size_t kMaxExpanded = 256 * 1024;  // as much as pageprobe expands

// Whether the stream [p, end) expands to exactly `size` bytes: scan-line rows
// of `row` bytes, RLE pairs, or PackBits in units of `unit` bytes.
bool expands_to(const unsigned char* p, const unsigned char* end, unsigned type, size_t size,
                size_t row, size_t unit) {
  size_t out = 0;
  if (type == kBmpScanLine) {
    for (size_t y = 0; row && y < size / row; y++)
      for (size_t x = 0; x < row; x += 8) {
        if (p >= end) return false;
        unsigned flags = *p++;
        for (size_t k = 0; k < 8 && x + k < row; k++, flags <<= 1)
          if ((flags & 0x80) && p++ >= end) return false;
      }
    return true;
  }
  if (type == kBmpRle) {
    for (; out < size; p += 2) {
      if (end - p < 2 || p[0] == 0 || p[0] > size - out) return false;
      out += p[0];
    }
    return true;
  }
  if (type == kBmpPackBits) {
    while (out < size) {
      if (p >= end) return false;
      const int c = static_cast<signed char>(*p++);
      if (c == -128) continue;
      const size_t units = c >= 0 ? static_cast<size_t>(c) + 1 : static_cast<size_t>(1 - c);
      const size_t take = (c >= 0 ? units : 1) * unit;
      if (static_cast<size_t>(end - p) < take || units * unit > size - out) return false;
      p += take;
      out += units * unit;
    }
    return true;
  }
  return false;
}

// Why the rendition at data[start, end) is not readable, or null; *next is the
// offset of the next rendition, or 0.
const char* rendition_problem(const unsigned char* data, size_t start, size_t end, size_t* next) {
  const unsigned char* b = data + start;
  const size_t have = end - start;
  *next = 0;
  if (have < kBitmapHeaderSize) return "bitmap shorter than its header";
  const unsigned version = b[kBmpVersion], pixel = b[kBmpPixelSize];
  const size_t header = version == 3 ? b[10] : size_t{kBitmapHeaderSize};
  if (version == 3 && (header < 24 || header > have)) return "bad version 3 header size";
  if (version == 3)
    *next = get_be32(b + 20);
  else if (version >= 1)
    *next = 4u * get_be16(b + kBmpNextDepthOffset);
  if (*next && (*next < kBitmapHeaderSize || *next > have)) return "next rendition out of place";
  const size_t stop = *next ? *next : have;
  if (pixel == 0xFF) return nullptr;  // a placeholder in front of high-density renditions
  const unsigned depth = version == 0 && pixel == 0 ? 1 : pixel;
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return "bad depth";
  const size_t width = get_be16(b + kBmpWidth), height = get_be16(b + kBmpHeight),
               row = get_be16(b + kBmpRowBytes), flags = get_be16(b + kBmpFlags);
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) return "side over 32767 pixels";
  if (row < (width * depth + 7) / 8) return "rows narrower than its pixels";
  if (row * height > kMaxExpanded) return "pixels over 256 KB";
  size_t pos = header;
  if (flags & kBmpFlagColourTable) {
    if (stop < pos + 2) return "colour table past the end";
    const size_t entries = get_be16(b + pos);
    pos += 2 + 4 * (entries > 256 ? 256 : entries);
  }
  if (version == 2 && (flags & kBmpFlagDirectColour)) pos += kBmpDirectInfoSize;
  if (pos > stop) return "colour table past the end";
  if (!(flags & kBmpFlagCompressed))
    return stop - pos < row * height ? "pixels past the end" : nullptr;
  const unsigned type = version == 2 || version == 3 ? b[kBmpCompressionType] : unsigned{kBmpScanLine};
  if (type == kBmpNoCompression)  // flagged, yet plain rows without a size word
    return stop - pos < row * height ? "pixels past the end" : nullptr;
  if (version == 2 || version == 3) pos += version == 2 ? kBmpSizeWordV2 : 4;
  if (pos > stop) return "compressed size past the end";
  if (!expands_to(b + pos, b + stop, type, row * height, row, depth == 16 ? 2 : 1))
    return "compressed pixels do not expand to its rows";
  return nullptr;
}

}  // namespace

std::string palm_bitmap_problem(const unsigned char* data, size_t length) {
  if (length == 2 && !data[0] && !data[1]) return std::string();
  size_t start = 0, next = 0;
  do {
    if (const char* why = rendition_problem(data, start, length, &next)) return why;
    start += next;
  } while (next);
  return std::string();
}

int read_palm_bitmap_file(const char* filename, unsigned char* out, size_t room,
                          std::string* why) {
  const char* reason = nullptr;
  stdio_file f = open_input(filename, &reason);
  if (!f) {
    *why = reason ? reason : strerror(errno);
    return -1;
  }
  const size_t n = fread(out, 1, room, f.get());
  if (ferror(f.get())) {
    *why = strerror(errno);
    return -1;
  }
  if (n == room && fgetc(f.get()) != EOF) {
    *why = "Palm bitmap larger than the room left for it";
    return -1;
  }
  *why = palm_bitmap_problem(out, n);
  if (!why->empty()) *why = "not a Palm bitmap pagepack can store (" + *why + ")";
  return why->empty() ? static_cast<int>(n) : -1;
}
