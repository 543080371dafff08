#include "common/bitmap_rendition.h"

#include <cstring>

#include "big_endian.h"
#include "common/palm_bitmap.h"

namespace {

size_t row_bytes_of(unsigned long width, unsigned depth) { return 2 * ((width * depth + 15) / 16); }

// Pixel values packed into rows of row_bytes, first pixel in the high bits.
byte_string pack_rows(const std::vector<uint16_t>& values, unsigned width, unsigned height,
                      unsigned depth, size_t row_bytes) {
  byte_string rows(row_bytes * height);
  const unsigned padding = depth <= 2 ? (1u << depth) - 1 : 0;
  for (unsigned y = 0; y < height; ++y) {
    unsigned char* out = rows.data() + row_bytes * y;
    const uint16_t* row = values.data() + static_cast<size_t>(y) * width;
    if (depth == 16) {
      for (unsigned x = 0; x < width; ++x) put_be16(out + 2 * x, row[x]);
      continue;
    }
    const size_t per_byte = 8 / depth;
    for (size_t b = 0; b < row_bytes; ++b) {
      unsigned v = 0;
      for (size_t k = 0; k < per_byte; ++k) {
        const size_t x = b * per_byte + k;
        v = (v << depth) | (x < width ? row[x] : padding);
      }
      out[b] = static_cast<unsigned char>(v);
    }
  }
  return rows;
}

}  // namespace

byte_string pack_rendition(const std::vector<uint16_t>& values, unsigned width,
                           unsigned height, unsigned depth, bool compress) {
  const size_t row_bytes = row_bytes_of(width, depth);
  const byte_string rows = pack_rows(values, width, height, depth, row_bytes);
  byte_string stream;
  const BitmapCompression compression =
      compress ? smallest_compression(rows.data(), height, static_cast<unsigned>(row_bytes),
                                      depth == 16 ? 2 : 1, &stream)
               : kBmpNoCompression;
  const bool direct = depth == 16;
  const bool v2 = direct || compression != kBmpNoCompression;

  const size_t info = direct ? kBmpDirectInfoSize : 0;
  const size_t data =
      compression == kBmpNoCompression ? rows.size() : kBmpSizeWordV2 + stream.size();
  byte_string bmp((kBitmapHeaderSize + info + data + 1) / 2 * 2, 0);
  put_be16(&bmp[kBmpWidth], width);
  put_be16(&bmp[kBmpHeight], height);
  put_be16(&bmp[kBmpRowBytes], static_cast<uint32_t>(row_bytes));
  put_be16(&bmp[kBmpFlags], (compression != kBmpNoCompression ? kBmpFlagCompressed : 0) |
                                (direct ? kBmpFlagDirectColour : 0));
  bmp[kBmpPixelSize] = static_cast<unsigned char>(depth);
  bmp[kBmpVersion] = v2 ? kBmpVersionCompressed : kBmpVersionWritten;
  if (v2) bmp[kBmpCompressionType] = compression;
  unsigned char* p = bmp.data() + kBitmapHeaderSize;
  if (direct) {
    static const unsigned char k565[kBmpDirectInfoSize] = {5, 6, 5, 0, 0, 0, 0, 0};
    memcpy(p, k565, info);
    p += info;
  }
  if (compression == kBmpNoCompression) {
    if (!rows.empty()) memcpy(p, rows.data(), rows.size());
  } else {
    put_be16(p, static_cast<uint32_t>(data));
    memcpy(p + kBmpSizeWordV2, stream.data(), stream.size());
  }
  return bmp;
}
