// A bounded, read-only window on bytes that came from a database (a record,
// the application-info block, a bitmap): every read names its offset and
// fails rather than run past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "big_endian.h"

struct byte_view {
  const unsigned char* data = nullptr;
  size_t length = 0;
};

inline byte_view make_view(const void* data, size_t length) {
  byte_view v;
  v.data = static_cast<const unsigned char*>(data);
  v.length = data ? length : 0;
  return v;
}

// True when the n bytes at off lie inside the view.
inline bool view_has(const byte_view& v, size_t off, size_t n) {
  return off <= v.length && n <= v.length - off;
}

inline bool view_u8(const byte_view& v, size_t off, unsigned* out) {
  if (!view_has(v, off, 1)) return false;
  *out = v.data[off];
  return true;
}

inline bool view_be16(const byte_view& v, size_t off, unsigned* out) {
  if (!view_has(v, off, 2)) return false;
  *out = get_be16(v.data + off);
  return true;
}

inline bool view_be32(const byte_view& v, size_t off, uint32_t* out) {
  if (!view_has(v, off, 4)) return false;
  *out = get_be32(v.data + off);
  return true;
}

// The n bytes at off as a view of their own.
inline bool view_sub(const byte_view& v, size_t off, size_t n, byte_view* out) {
  if (!view_has(v, off, n)) return false;
  out->data = v.data + off;
  out->length = n;
  return true;
}

// A field of the application-info block at off: a 16-bit word count, then
// that many words, given without the count. The field takes 2 + out->length bytes.
inline bool view_counted(const byte_view& v, size_t off, byte_view* out) {
  unsigned words;
  return view_be16(v, off, &words) && view_sub(v, off + 2, 2u * words, out);
}

// The bytes of v up to its first zero byte (or all of them) as text.
inline std::string view_text(const byte_view& v) {
  size_t n = 0;
  while (n < v.length && v.data[n]) n++;
  return std::string(reinterpret_cast<const char*>(v.data), n);
}

// Everything from off to the end; empty when off is past the end.
inline byte_view view_rest(const byte_view& v, size_t off) {
  byte_view r;
  if (off <= v.length) {
    r.data = v.data + off;
    r.length = v.length - off;
  }
  return r;
}
