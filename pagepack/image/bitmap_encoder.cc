#include "image/bitmap_encoder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "big_endian.h"
#include "common/palm_bitmap.h"
#include "common/pqa_record.h"
#include "common/bitmap_family.h"
#include "common/bitmap_rendition.h"
#include "common/dither.h"
#include "common/grey_levels.h"
#include "image/image_input.h"
#include "image/scale.h"
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

std::string too_large_text(unsigned long width, unsigned long height, bool icon) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels too large for " +
         (icon ? "the application-info block (scale it down, e.g. pamscale -xyfit 32 32)"
               : "one record (--fit scales it down to fit)");
}

// Whether a width x height bitmap fits the room and its 16-bit fields.
int check_fit(const geometry& g, unsigned long width, unsigned long height,
              unsigned raw_bytes_per_pixel, std::string* why) {
  if (raw_bytes_per_pixel) {
    // The raw reader of old consumes padded rows through a fixed buffer.
    size_t positions = row_bytes_of(width, g.pixel_size) * 8 / g.pixel_size;
    if (positions * raw_bytes_per_pixel > kRowBufferSize) return kBitmapTooWide;
  }
  bool fits = width <= kMaxBitmapSide && height <= kMaxBitmapSide;
  if (fits) {
    size_t bitmap_size = kBitmapHeaderSize + row_bytes_of(width, g.pixel_size) * height;
    fits = bitmap_size + g.count_size <= g.room && bitmap_size / 2 <= 0xFFFF;
  }
  if (fits) return 0;
  if (!raw_bytes_per_pixel) *why = too_large_text(width, height, g.pixel_size == 1);
  return kBitmapTooLarge;
}

// The Palm pixel value of an 8-bit grey.
unsigned pixel_value(unsigned grey, unsigned pixel_size, bool first_byte_samples) {
  if (pixel_size == 1) return first_byte_samples ? grey == 0 : grey < 128;
  return grey_band(grey);
}

int empty_entry(unsigned char* outbuf, size_t room) {
  if (room < 2) return kBitmapTooLarge;
  outbuf[0] = outbuf[1] = 0;
  return 2;
}

bool plain(const image_options& o) {
  return !o.dither && !o.colour_depth && !o.compress && !o.fit_width;
}

// The size an image is stored at: scaled down to the fit width when wider.
void stored_size(const image_options& o, unsigned long* width, unsigned long* height) {
  if (!o.fit_width || *width <= o.fit_width || *width > 0xFFFFFFFFul || *height > 0xFFFFFFFFul)
    return;
  *height = scaled_height(static_cast<unsigned>(*width), static_cast<unsigned>(*height),
                          o.fit_width);
  *width = o.fit_width;
}

// The uncompressed bytes of a width x height image in the options' renditions.
uint64_t family_size(const geometry& g, const image_options& o, uint64_t width,
                     uint64_t height) {
  uint64_t size = kBitmapHeaderSize + row_bytes_of(width, g.pixel_size) * height;
  if (!o.colour_depth) return size;
  const unsigned info = o.colour_depth == 16 ? kBmpDirectInfoSize : 0;
  return (size + 3) / 4 * 4 + kBitmapHeaderSize + info +
         row_bytes_of(width, o.colour_depth) * height;
}

// Whether a width x height image fits under the options: without
// compression the renditions must fit the room as they are; compressed ones
// are measured once they are made, but each must still expand within a
// record's size: the most a handheld (or pageprobe) gives one bitmap's
// pixels. `uncompressed` measures compressed ones as if they were not.
bool fits_record(const geometry& g, const image_options& o, uint64_t width, uint64_t height,
                 bool uncompressed) {
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) return false;
  const unsigned deepest = o.colour_depth ? o.colour_depth : g.pixel_size;
  const uint64_t deepest_size = kBitmapHeaderSize + row_bytes_of(width, deepest) * height;
  return o.compress && !uncompressed ? deepest_size <= kRecordBufferSize
                                     : family_size(g, o, width, height) + g.count_size <= g.room;
}

// The largest size, in the proportions of width x height and no larger than
// *new_width x *new_height, whose renditions fit the record uncompressed (a
// height of 1 when none does: too large whatever its height).
void shrink_to_record(const geometry& g, const image_options& o, unsigned long width,
                      unsigned long height, unsigned long* new_width, unsigned long* new_height) {
  auto width_at = [&](unsigned long h) -> unsigned long {
    unsigned long w = scaled_height(static_cast<unsigned>(height), static_cast<unsigned>(width),
                                    static_cast<unsigned>(h));
    return std::min(std::max(w, 1ul), *new_width);
  };
  unsigned long low = 1, high = *new_height;  // the answer lies in [low, high]
  while (low < high) {
    const unsigned long mid = low + (high - low + 1) / 2;
    if (fits_record(g, o, width_at(mid), mid, true))
      low = mid;
    else
      high = mid - 1;
  }
  *new_width = width_at(low);
  *new_height = low;
}

// Whether an image read under the options can be stored, and at what size:
// scaled down to the fit width when wider, and under a fit width further,
// keeping its proportions, until it fits the record. What is read whole is
// bounded more tightly than what is scaled on the way in.
int check_fit_with_options(const geometry& g, const image_options& o, bool uncompressed,
                           unsigned long width, unsigned long height, grey_image* image,
                           std::string* why) {
  unsigned long new_width = width, new_height = height;
  stored_size(o, &new_width, &new_height);
  bool fits = fits_record(g, o, new_width, new_height, uncompressed);
  if (!fits && o.fit_width && width <= 0xFFFFFFFFul && height && new_height) {
    shrink_to_record(g, o, width, height, &new_width, &new_height);
    fits = fits_record(g, o, new_width, new_height, true);
  }
  const bool scaled = new_width != width || new_height != height;
  const unsigned long limit = scaled ? kMaxPixelsScaled : kMaxPixelsRead;
  if (uint64_t{width} * height > limit) {
    *why = std::to_string(width) + " x " + std::to_string(height) +
           " pixels too large to read (more than " + std::to_string(limit) + ")";
    return kBitmapTooLarge;
  }
  if (!fits) {
    *why = too_large_text(new_width, new_height, g.pixel_size == 1);
    return kBitmapTooLarge;
  }
  if (scaled) {
    image->scaled_width = static_cast<unsigned>(new_width);
    image->scaled_height = static_cast<unsigned>(new_height);
    // libjpeg's own scaling gives other pixels than decoding whole: only
    // for what cannot be read whole.
    image->decode_scaled = uint64_t{width} * height > kMaxPixelsRead;
  }
  return 0;
}

// The bitmap of old: version 1, uncompressed, the fixed bands.
int write_plain(const grey_image& image, unsigned char* outbuf, const geometry& g) {
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

// The renditions the options ask for, chained, at outbuf.
int write_with_options(grey_image& image, unsigned char* outbuf, const geometry& g,
                       const image_options& o, std::string* why) {
  const size_t pixels = image.grey.size();
  std::vector<uint16_t> values;
  if (o.dither) {
    values = dither_greys(image.grey.data(), image.width, image.height);
  } else {
    values.resize(pixels);
    for (size_t i = 0; i < pixels; ++i)
      values[i] = static_cast<uint16_t>(
          pixel_value(image.grey[i], g.pixel_size, image.first_byte_samples));
  }
  std::vector<byte_string> renditions;
  renditions.push_back(pack_rendition(values, image.width, image.height, g.pixel_size, o.compress));
  if (o.colour_depth) {
    values = o.colour_depth == 8 ? dither_palette(image.rgb.data(), image.width, image.height)
                                 : direct_colours(image.rgb.data(), pixels);
    renditions.push_back(
        pack_rendition(values, image.width, image.height, o.colour_depth, o.compress));
  }
  const byte_string family = chain_family(renditions);
  if (family.empty() || family.size() + g.count_size > g.room || family.size() / 2 > 0xFFFF) {
    *why = too_large_text(image.width, image.height, g.pixel_size == 1);
    return kBitmapTooLarge;
  }
  unsigned char* out = outbuf;
  if (g.count_size) {
    put_be16(out, static_cast<uint32_t>(family.size() / 2));
    out += 2;
  }
  memcpy(out, family.data(), family.size());
  return static_cast<int>(family.size() + g.count_size);
}

int encode(const char* filename, unsigned char* outbuf, const geometry& g,
           const image_options& o, std::string* why, std::string* note) {
  const char* reason = nullptr;
  errno = 0;
  stdio_file f = open_input(filename, &reason);
  if (!f) {
    // A file that is not there (or not to be read) is an image left out,
    // silently as ever; one that is there but cannot be read is worth a message.
    if (errno == ENOENT || errno == ENOTDIR) return empty_entry(outbuf, g.room);
    *why = reason ? reason : "cannot be opened";
    return kBitmapUnreadable;
  }
  // A compressed family that turns out too large for the record at the fit
  // width is read once more, at the size that fits uncompressed.
  for (bool uncompressed = false;; uncompressed = true) {
    grey_image image;
    image.want_rgb = o.colour_depth || o.dither;
    // The first-byte rule of raw files keeps old databases as they were;
    // dithered greys are new, so they come from the pixel's real colour.
    image.grey_from_colour = o.dither;
    unsigned long read_width = 0, read_height = 0;
    fit_check fits = [&](unsigned long w, unsigned long h, unsigned raw, std::string* text) {
      read_width = w;
      read_height = h;
      return plain(o) ? check_fit(g, w, h, raw, text)
                      : check_fit_with_options(g, o, uncompressed, w, h, &image, text);
    };
    int r = read_image(f.get(), fits, &image, why);
    if (r == kImageEmpty) return empty_entry(outbuf, g.room);
    if (r < 0) return r;
    if (plain(o)) return write_plain(image, outbuf, g);
    r = write_with_options(image, outbuf, g, o, why);
    if (r == kBitmapTooLarge && o.fit_width && o.compress && !uncompressed) {
      if (fseek(f.get(), 0, SEEK_SET) == 0) continue;
    }
    unsigned long fitted_width = read_width, fitted_height = read_height;
    stored_size(o, &fitted_width, &fitted_height);
    if (r >= 0 && note && (image.width != fitted_width || image.height != fitted_height))
      *note = std::to_string(read_width) + " x " + std::to_string(read_height) + " scaled to " +
              std::to_string(image.width) + " x " + std::to_string(image.height) +
              " to fit one record";
    return r;
  }
}

int convert(const char* filename, unsigned char* outbuf, const geometry& g,
            const image_options& o, std::string* why, std::string* note = nullptr) {
  std::string text;
  int r = encode(filename, outbuf, g, o, &text, note);
  if (r < 0 && why) *why = text.empty() ? bitmap_error_text(r) : text;
  return r;
}

}  // namespace

int conv_icon_ppm(const char* filename, unsigned char* outbuf, size_t room, char compress,
                  int depth, std::string* why) {
  if (depth != 2 && depth != 4) return kBitmapUnsupported;
  geometry g{depth == 2 ? 1u : 2u, depth == 2 ? 2u : 0u, room};
  image_options o;
  o.compress = compress != 0;
  return convert(filename, outbuf, g, o, why);
}

int conv_image(const char* filename, unsigned char* outbuf, size_t room,
               const image_options& options, std::string* why, std::string* note) {
  if (options.colour_depth != 0 && options.colour_depth != 8 && options.colour_depth != 16)
    return kBitmapUnsupported;
  return convert(filename, outbuf, geometry{2, 0, room}, options, why, note);
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
    case kBitmapOtherFormat:
      return "in a format not read here";
    default:
      return "not supported";
  }
}
