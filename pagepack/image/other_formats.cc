#include "image/other_formats.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

struct signature {
  size_t offset;
  const char* bytes;
  size_t length;
  const char* name;
};

// Fixed bytes at a fixed place. BMP, HEIF and SVG need more than that and
// are told below.
const signature kSignatures[] = {
    {0, "II*\0", 4, "a TIFF image"},
    {0, "MM\0*", 4, "a TIFF image"},
    {8, "WEBP", 4, "a WebP image"},
    {0, "/* XPM */", 9, "an XPM image"},
    {0, "\0\0\1\0", 4, "an ICO icon"},
    {0, "\0\0\2\0", 4, "a CUR cursor"},
    {0, "8BPS", 4, "a Photoshop image"},
    {0, "\0\0\0\x0CjP  \r\n\x87\n", 12, "a JPEG 2000 image"},
    {0, "\xFF\x4F\xFF\x51", 4, "a JPEG 2000 image"},
    {0, "\xFF\x0A", 2, "a JPEG XL image"},
    {0, "\0\0\0\x0CJXL \r\n\x87\n", 12, "a JPEG XL image"},
    {0, "qoif", 4, "a QOI image"},
    {0, "%PDF-", 5, "a PDF document"},
    {0, "%!PS", 4, "a PostScript document"},
    {0, "\x8AMNG\r\n\x1A\n", 8, "an MNG animation"},
};

bool has(const unsigned char* head, size_t n, size_t offset, const char* bytes, size_t length) {
  return n >= offset + length && !memcmp(head + offset, bytes, length);
}

// Whether `word` occurs in the first n bytes.
bool contains(const unsigned char* head, size_t n, const char* word) {
  const size_t length = strlen(word);
  for (size_t i = 0; i + length <= n; ++i)
    if (!memcmp(head + i, word, length)) return true;
  return false;
}

}  // namespace

const char* other_format_name(const unsigned char* head, size_t n) {
  for (const signature& s : kSignatures)
    if (has(head, n, s.offset, s.bytes, s.length)) return s.name;
  // BMP: "BM", and the size of one of the known info headers at 14.
  if (has(head, n, 0, "BM", 2) && n >= 18) {
    const uint32_t info = head[14] | head[15] << 8 | head[16] << 16 | uint32_t{head[17]} << 24;
    for (uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
      if (info == known) return "a BMP image";
  }
  // ISO media files: "ftyp" and a brand that says which pictures they hold.
  if (has(head, n, 4, "ftyp", 4) && n >= 12) {
    if (has(head, n, 8, "avi", 3)) return "an AVIF image";
    if (has(head, n, 8, "hei", 3) || has(head, n, 8, "mif1", 4) || has(head, n, 8, "msf1", 4))
      return "a HEIF image";
  }
  if (has(head, n, 0, "#define ", 8) && contains(head, n, "_width")) return "an XBM image";
  // SVG: XML (after a byte order mark and blanks) whose root is <svg.
  size_t i = has(head, n, 0, "\xEF\xBB\xBF", 3) ? 3 : 0;
  while (i < n && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) ++i;
  if (i < n && head[i] == '<' && contains(head + i, n - i, "<svg")) return "an SVG image";
  return nullptr;
}
