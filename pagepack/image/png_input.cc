// PNG through libpng: every colour type and depth, interlaced or not,
// transparency laid over white.
#include <png.h>

#include <csetjmp>

#include "image/bitmap_encoder.h"
#include "image/grey_levels.h"
#include "image/image_input.h"

namespace {

struct png_reading {
  FILE* f;
  const fit_check* fits;
  grey_image* image;
  std::string* why;
  std::string error;                // libpng's message when it gave up
  std::vector<unsigned char> pixels;  // the decoded rows, as libpng writes them
  std::vector<png_bytep> rows;
  int result = 0;
};

[[noreturn]] void on_error(png_structp png, png_const_charp text) {
  static_cast<png_reading*>(png_get_error_ptr(png))->error = text;
  png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Everything that may end in libpng's longjmp; owns no object of its own, so
// that the jump skips no destructor. False when libpng gave up.
bool decode(png_structp png, png_infop info, png_reading* r) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, r->f);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  r->result = (*r->fits)(width, height, 0, r->why);
  if (r->result < 0) return true;
  // Palette to colours, grey below 8 bits to 8, tRNS to an alpha channel;
  // 16-bit samples stay 16-bit, as pngtopnm keeps them.
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  r->pixels.resize(row_bytes * height);
  r->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) r->rows[y] = r->pixels.data() + row_bytes * y;
  png_read_image(png, r->rows.data());

  const unsigned channels = png_get_channels(png, info);
  const bool wide = png_get_bit_depth(png, info) == 16;
  const unsigned maxval = wide ? 65535 : 255;
  if (channels < 1 || channels > 4 || row_bytes < size_t{width} * channels * (wide ? 2 : 1)) {
    r->error = "unexpected row layout";
    return false;
  }
  grey_image* image = r->image;
  image->width = width;
  image->height = height;
  image->grey.resize(size_t{width} * height);
  if (image->want_rgb) image->rgb.resize(size_t{width} * height * 3);
  unsigned samples[4];
  for (png_uint_32 y = 0; y < height; ++y) {
    const unsigned char* p = r->rows[y];
    for (png_uint_32 x = 0; x < width; ++x) {
      for (unsigned c = 0; c < channels; ++c, p += wide ? 2 : 1)
        samples[c] = wide ? (p[0] << 8 | p[1]) : p[0];
      image->grey[size_t{y} * width + x] = grey_of(samples, channels, maxval);
      if (image->want_rgb)
        rgb_of(samples, channels, maxval, &image->rgb[(size_t{y} * width + x) * 3]);
    }
  }
  return true;
}

}  // namespace

int read_png(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  png_reading r{f, &fits, image, why, {}, {}, {}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool created = info != nullptr;
  bool ok = false;
  if (created) {
    // Only IHDR, PLTE, tRNS and IDAT make the grey samples: every other chunk
    // (text, compressed text, colour profiles, unknown ones) is skipped
    // unread, so that a small file of compressed text cannot take seconds
    // and gigabytes. What may still be held is bounded too.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_cache_max(png, 32);
    png_set_chunk_malloc_max(png, 1 << 20);
    ok = decode(png, info, &r);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!created) {
    *why = "out of memory for PNG";
    return kBitmapBadImage;
  }
  if (!ok) {
    *why = "unreadable PNG (" + r.error + ")";
    return kBitmapBadImage;
  }
  return r.result;
}
