#include "bitmap/palm_decompress.h"

#include <cstring>

bool decompress_scanlines(byte_view stream, unsigned height, unsigned row_bytes,
                          unsigned char* rows) {
  size_t pos = 0;
  for (unsigned i = 0; i < height; i++) {
    unsigned char* row = rows + static_cast<size_t>(i) * row_bytes;
    const unsigned char* above = i > 0 ? row - row_bytes : nullptr;
    for (unsigned group = 0; group < row_bytes; group += 8) {
      unsigned flag;
      if (!view_u8(stream, pos++, &flag)) return false;
      unsigned n = row_bytes - group < 8 ? row_bytes - group : 8;
      for (unsigned j = 0; j < n; j++, flag <<= 1) {
        unsigned byte;
        if (flag & 0x80) {
          if (!view_u8(stream, pos++, &byte)) return false;
        } else {
          // The first row has no row above: such bytes stay white (0).
          byte = above ? above[group + j] : 0;
        }
        row[group + j] = static_cast<unsigned char>(byte);
      }
    }
  }
  return true;
}

const char* decompress_rle(byte_view stream, size_t size, unsigned char* out) {
  size_t pos = 0, done = 0;
  while (done < size) {
    unsigned count, value;
    if (!view_u8(stream, pos, &count) || !view_u8(stream, pos + 1, &value))
      return "RLE data ends early";
    pos += 2;
    if (count == 0) return "RLE run of length 0";
    if (count > size - done) return "RLE run past the end of the pixels";
    memset(out + done, static_cast<int>(value), count);
    done += count;
  }
  return nullptr;
}

const char* decompress_packbits(byte_view stream, size_t size, unsigned unit,
                                unsigned char* out) {
  size_t pos = 0, done = 0;
  while (done < size) {
    unsigned control;
    if (!view_u8(stream, pos++, &control)) return "PackBits data ends early";
    if (control == 0x80) continue;  // no operation
    byte_view unit_bytes;
    if (control < 0x80) {
      size_t n = (control + 1) * unit;
      if (n > size - done) return "PackBits run past the end of the pixels";
      if (!view_sub(stream, pos, n, &unit_bytes)) return "PackBits data ends early";
      memcpy(out + done, unit_bytes.data, n);
      pos += n;
      done += n;
    } else {
      size_t copies = 257 - control;  // 1 - c for the signed byte c
      if (copies * unit > size - done) return "PackBits run past the end of the pixels";
      if (!view_sub(stream, pos, unit, &unit_bytes)) return "PackBits data ends early";
      for (size_t k = 0; k < copies; k++, done += unit) memcpy(out + done, unit_bytes.data, unit);
      pos += unit;
    }
  }
  return nullptr;
}

size_t largest_expansion(unsigned compression, size_t length, unsigned row_bytes, unsigned unit) {
  switch (compression) {
    case 0: {
      // At least one flag byte for each group of 8 row bytes.
      size_t groups = (row_bytes + 7) / 8;
      return groups ? length / groups * row_bytes : 0;
    }
    case 1:
      return length / 2 * 255;
    default:
      // A repeat takes 1 + unit bytes for up to 128 units.
      return (length / (1 + unit) + 1) * 128 * unit;
  }
}
