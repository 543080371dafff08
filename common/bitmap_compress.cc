#include "common/bitmap_compress.h"

#include <cstring>

namespace {

typedef const unsigned char* row_ptr;

bool same_units(row_ptr a, row_ptr b, unsigned unit) { return !memcmp(a, b, unit); }

// One row in PackBits: runs of two or more units at the start of a piece, of
// three or more inside literals, at most 128 units a piece.
void packbits_row(row_ptr row, unsigned units, unsigned unit, byte_string* out) {
  unsigned i = 0;
  auto at = [&](unsigned k) { return row + static_cast<size_t>(k) * unit; };
  while (i < units) {
    if (i + 1 < units && same_units(at(i), at(i + 1), unit)) {
      unsigned start = i, count = 0;
      while (i < units && count < 128 && same_units(at(i), at(start), unit)) ++i, ++count;
      out->push_back(static_cast<unsigned char>(257 - count));
      out->insert(out->end(), at(start), at(start) + unit);
    } else {
      unsigned start = i, count = 0;
      while (i < units && count < 128 &&
             (i + 2 >= units || !same_units(at(i), at(i + 1), unit) ||
              !same_units(at(i), at(i + 2), unit)))
        ++i, ++count;
      out->push_back(static_cast<unsigned char>(count - 1));
      out->insert(out->end(), at(start), at(i));
    }
  }
}

}  // namespace

byte_string compress_scanlines(const unsigned char* rows, unsigned height, unsigned row_bytes) {
  byte_string out;
  for (unsigned y = 0; y < height; ++y) {
    row_ptr row = rows + static_cast<size_t>(y) * row_bytes;
    row_ptr above = y ? row - row_bytes : nullptr;
    for (unsigned group = 0; group < row_bytes; group += 8) {
      size_t flag_at = out.size();
      out.push_back(0);
      for (unsigned j = group; j < group + 8 && j < row_bytes; ++j)
        if (!above || row[j] != above[j]) {
          out[flag_at] |= static_cast<unsigned char>(0x80 >> (j - group));
          out.push_back(row[j]);
        }
    }
  }
  return out;
}

byte_string compress_rle(const unsigned char* rows, unsigned height, unsigned row_bytes) {
  byte_string out;
  for (unsigned y = 0; y < height; ++y) {
    row_ptr row = rows + static_cast<size_t>(y) * row_bytes;
    for (unsigned i = 0; i < row_bytes;) {
      unsigned count = 1;
      while (i + count < row_bytes && count < 255 && row[i + count] == row[i]) ++count;
      out.push_back(static_cast<unsigned char>(count));
      out.push_back(row[i]);
      i += count;
    }
  }
  return out;
}

byte_string compress_packbits(const unsigned char* rows, unsigned height, unsigned row_bytes,
                              unsigned unit) {
  byte_string out;
  for (unsigned y = 0; y < height; ++y)
    packbits_row(rows + static_cast<size_t>(y) * row_bytes, row_bytes / unit, unit, &out);
  return out;
}

BitmapCompression smallest_compression(const unsigned char* rows, unsigned height,
                                       unsigned row_bytes, unsigned unit, byte_string* stream) {
  BitmapCompression best = kBmpNoCompression;
  size_t best_size = static_cast<size_t>(height) * row_bytes;
  stream->clear();
  for (BitmapCompression c : {kBmpScanLine, kBmpRle, kBmpPackBits}) {
    byte_string s = c == kBmpScanLine ? compress_scanlines(rows, height, row_bytes)
                    : c == kBmpRle    ? compress_rle(rows, height, row_bytes)
                                      : compress_packbits(rows, height, row_bytes, unit);
    if (s.size() + kBmpSizeWordV2 < best_size) {
      best = c;
      best_size = s.size() + kBmpSizeWordV2;
      stream->swap(s);
    }
  }
  return best;
}
