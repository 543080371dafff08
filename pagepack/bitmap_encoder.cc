#include "bitmap_encoder.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "big_endian.h"
#include "common/palm_bitmap.h"
#include "image_input.h"
#include "input_file.h"

namespace {

struct geometry {
  unsigned pixel_size;  // bits per pixel: 1 for icons, 2 for images
  size_t count_size;    // the word count in front of an icon
  size_t room;
};

size_t row_bytes_of(unsigned long width, unsigned pixel_size) {
  return 2 * ((width * pixel_size + 15) / 16);
}

// Whether a width x height bitmap fits the room and its 16-bit fields.
int check_fit(const geometry& g, unsigned long width, unsigned long height,
              unsigned raw_bytes_per_pixel, std::string* why) {
  if (raw_bytes_per_pixel) {
    // The raw reader of old consumes padded rows through a fixed buffer.
    size_t positions = row_bytes_of(width, g.pixel_size) * 8 / g.pixel_size;
    if (positions * raw_bytes_per_pixel > kRowBufferSize) return kBitmapTooWide;
  }
  bool fits = width <= 0xFFFF && height <= 0xFFFF;
  if (fits) {
    size_t bitmap_size = kBitmapHeaderSize + row_bytes_of(width, g.pixel_size) * height;
    fits = bitmap_size + g.count_size <= g.room && bitmap_size / 2 <= 0xFFFF;
  }
  if (fits) return 0;
  if (!raw_bytes_per_pixel) {
    const bool icon = g.pixel_size == 1;
    *why = std::to_string(width) + " x " + std::to_string(height) + " pixels too large for " +
           (icon ? "the application-info block (scale it down, e.g. pamscale -xyfit 32 32)"
                 : "one record (scale it down, e.g. pamscale -xyfit 160 160)");
  }
  return kBitmapTooLarge;
}

// The Palm pixel value of an 8-bit grey.
unsigned pixel_value(unsigned grey, unsigned pixel_size, bool first_byte_samples) {
  if (pixel_size == 1) return first_byte_samples ? grey == 0 : grey < 128;
  if (grey >= 193) return 0;
  if (grey >= 129) return 1;
  if (grey >= 65) return 2;
  return 3;
}

int empty_entry(unsigned char* outbuf, size_t room) {
  if (room < 2) return kBitmapTooLarge;
  outbuf[0] = outbuf[1] = 0;
  return 2;
}

int encode(const char* filename, unsigned char* outbuf, const geometry& g, std::string* why) {
  const char* reason = nullptr;
  stdio_file f = open_input(filename, &reason);
  if (!f) {
    // A file that is not there is an image left out, silently as ever; one
    // that is there but cannot be read is worth a message.
    if (access(filename, F_OK) != 0) return empty_entry(outbuf, g.room);
    *why = reason ? reason : "cannot be opened";
    return kBitmapUnreadable;
  }
  grey_image image;
  fit_check fits = [&g](unsigned long w, unsigned long h, unsigned raw, std::string* text) {
    return check_fit(g, w, h, raw, text);
  };
  int r = read_image(f.get(), fits, &image, why);
  if (r == kImageEmpty) return empty_entry(outbuf, g.room);
  if (r < 0) return r;

  const size_t row_bytes = row_bytes_of(image.width, g.pixel_size);
  const size_t bitmap_size = kBitmapHeaderSize + row_bytes * image.height;
  unsigned char* out = outbuf;
  if (g.count_size) {
    put_be16(out, static_cast<uint32_t>(bitmap_size / 2));
    out += 2;
  }
  memset(out, 0, kBitmapHeaderSize);
  put_be16(out + kBmpWidth, image.width);
  put_be16(out + kBmpHeight, image.height);
  put_be16(out + kBmpRowBytes, static_cast<uint32_t>(row_bytes));
  out[kBmpPixelSize] = static_cast<unsigned char>(g.pixel_size);
  out[kBmpVersion] = kBmpVersionWritten;
  out += kBitmapHeaderSize;

  // Positions past the width are padding, black.
  const unsigned black = (1u << g.pixel_size) - 1;
  const size_t per_byte = 8 / g.pixel_size;
  for (unsigned y = 0; y < image.height; ++y) {
    const unsigned char* row = image.grey.data() + static_cast<size_t>(y) * image.width;
    for (size_t b = 0; b < row_bytes; ++b) {
      unsigned v = 0;
      for (size_t k = 0; k < per_byte; ++k) {
        size_t x = b * per_byte + k;
        unsigned p = x < image.width ? pixel_value(row[x], g.pixel_size, image.first_byte_samples)
                                     : black;
        v = (v << g.pixel_size) | p;
      }
      *out++ = static_cast<unsigned char>(v);
    }
  }
  return static_cast<int>(bitmap_size + g.count_size);
}

}  // namespace

int conv_icon_ppm(const char* filename, unsigned char* outbuf, size_t room, char compress,
                  int depth, std::string* why) {
  if ((depth != 2 && depth != 4) || compress) return kBitmapUnsupported;
  geometry g{depth == 2 ? 1u : 2u, depth == 2 ? 2u : 0u, room};
  std::string text;
  int r = encode(filename, outbuf, g, &text);
  if (r < 0 && why) *why = text.empty() ? bitmap_error_text(r) : text;
  return r;
}

const char* bitmap_error_text(int result) {
  switch (result) {
    case kBitmapTooLarge:
      return "too large";
    case kBitmapTooWide:
      return "rows too wide";
    case kBitmapBadHeader:
      return "no readable netpbm size";
    case kBitmapBadImage:
      return "cannot be decoded";
    case kBitmapUnreadable:
      return "cannot be opened";
    default:
      return "not supported";
  }
}
