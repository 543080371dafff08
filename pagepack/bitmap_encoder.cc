#include "bitmap_encoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/big_endian.h"
#include "common/palm_bitmap.h"
#include "input_file.h"

// Reads one line into `line` (at most 1023 bytes kept, the rest of a longer
// line dropped, so a long comment never turns into a size line). False at end
// of file before any byte.
static bool read_line(FILE* f, char (&line)[1024]) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n + 1 < sizeof line) line[n++] = static_cast<char>(c);
  }
  line[n] = '\0';
  return any;
}

// A decimal size at `s`: leading blanks allowed; -1 unless it fits 16 bits.
static long read_size(const char* s) {
  char* end;
  long v = strtol(s, &end, 10);
  if (end == s || v < 0 || v > 0xFFFF) return -1;
  return v;
}

static unsigned pixel_value(unsigned sample, int depth) {
  if (depth == 2) return sample == 0 ? 1 : 0;
  if (sample >= 193) return 0;
  if (sample >= 129) return 1;
  if (sample >= 65) return 2;
  return 3;
}

int conv_icon_ppm(const char* filename, unsigned char* outbuf, size_t room, char compress,
                  int depth) {
  if ((depth != 2 && depth != 4) || compress) return kBitmapUnsupported;
  stdio_file f = open_input(filename);
  char line[1024];
  if (!f || !read_line(f.get(), line)) {
    if (room < 2) return kBitmapTooLarge;
    outbuf[0] = outbuf[1] = 0;
    return 2;
  }
  size_t bytes_per_pixel = line[0] && line[1] == '6' ? 3 : 1;

  bool have_size;
  do {
    have_size = read_line(f.get(), line);
  } while (have_size && line[0] == '#');
  if (!have_size) return kBitmapBadHeader;
  const char* space = strchr(line, ' ');
  if (!space) return kBitmapBadHeader;
  long width = read_size(line), height = read_size(space + 1);
  if (width < 0 || height < 0) return kBitmapBadHeader;
  read_line(f.get(), line);  // the maximum value: samples are taken as 0-255

  const unsigned pixel_size = depth == 2 ? 1 : 2;
  const size_t row_bytes = 2 * ((static_cast<size_t>(width) * pixel_size + 15) / 16);
  const size_t positions = row_bytes * 8 / pixel_size;
  if (positions * bytes_per_pixel > kRowBufferSize) return kBitmapTooWide;
  const size_t bitmap_size = kBitmapHeaderSize + row_bytes * static_cast<size_t>(height);
  const size_t count_size = depth == 2 ? 2 : 0;
  if (bitmap_size + count_size > room || bitmap_size / 2 > 0xFFFF) return kBitmapTooLarge;

  unsigned char* out = outbuf;
  if (count_size) {
    put_be16(out, static_cast<uint32_t>(bitmap_size / 2));
    out += 2;
  }
  memset(out, 0, kBitmapHeaderSize);
  put_be16(out + kBmpWidth, static_cast<uint32_t>(width));
  put_be16(out + kBmpHeight, static_cast<uint32_t>(height));
  put_be16(out + kBmpRowBytes, static_cast<uint32_t>(row_bytes));
  out[kBmpPixelSize] = static_cast<unsigned char>(pixel_size);
  out[kBmpVersion] = kBmpVersionWritten;
  out += kBitmapHeaderSize;

  unsigned char row[kRowBufferSize];
  const size_t per_byte = 8 / pixel_size;
  for (long y = 0; y < height; ++y) {
    // A short read is no error: missing samples stay 0 and come out black,
    // as do the padding positions past the width.
    memset(row, 0, sizeof row);
    size_t got = fread(row, 1, bytes_per_pixel * static_cast<size_t>(width), f.get());
    (void)got;
    for (size_t b = 0; b < row_bytes; ++b) {
      unsigned v = 0;
      for (size_t k = 0; k < per_byte; ++k) {
        size_t i = b * per_byte + k;
        v = (v << pixel_size) | pixel_value(row[i * bytes_per_pixel], depth);
      }
      *out++ = static_cast<unsigned char>(v);
    }
  }
  return static_cast<int>(bitmap_size + count_size);
}

const char* bitmap_error_text(int result) {
  switch (result) {
    case kBitmapTooLarge:
      return "too large";
    case kBitmapTooWide:
      return "rows too wide";
    case kBitmapBadHeader:
      return "no readable netpbm size";
    default:
      return "not supported";
  }
}
