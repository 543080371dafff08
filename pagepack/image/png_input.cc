// PNG through libpng: every colour type and depth, interlaced or not,
// transparency laid over white. Read a row at a time (an interlaced file
// pass by pass, each pass's rows handed over as the pixels they hold), so
// that nothing but a row is held beside the image made.
#include <png.h>

#include <csetjmp>

#include "image/bitmap_encoder.h"
#include "common/grey_levels.h"
#include "image/image_input.h"

namespace {

struct png_reading {
  FILE* f;
  const fit_check* fits;
  grey_image* image;
  std::string* why;
  std::string error;                // libpng's message when it gave up
  // One decoded row as libpng writes it, and its greys and colours.
  std::vector<unsigned char> row, grey, rgb;
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
  const int passes = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7 ? 7 : 1;
  png_read_update_info(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  const unsigned channels = png_get_channels(png, info);
  const bool wide = png_get_bit_depth(png, info) == 16;
  const unsigned maxval = wide ? 65535 : 255;
  if (channels < 1 || channels > 4 || row_bytes < size_t{width} * channels * (wide ? 2 : 1)) {
    r->error = "unexpected row layout";
    return false;
  }
  grey_image* image = r->image;
  r->row.resize(row_bytes);
  r->grey.resize(width);
  r->rgb.resize(image->want_rgb ? size_t{width} * 3 : 0);
  begin_rows(image, width, height);
  unsigned samples[4];
  for (int pass = 0; pass < passes; ++pass) {
    // libpng skips the passes that hold no pixel.
    const png_uint_32 columns = passes == 1 ? width : PNG_PASS_COLS(width, pass);
    const png_uint_32 rows = passes == 1 ? height : PNG_PASS_ROWS(height, pass);
    if (columns == 0 || rows == 0) continue;
    const unsigned first_x = passes == 1 ? 0 : PNG_PASS_START_COL(pass);
    const unsigned step_x = passes == 1 ? 1 : 1u << PNG_PASS_COL_SHIFT(pass);
    for (png_uint_32 i = 0; i < rows; ++i) {
      png_read_row(png, r->row.data(), nullptr);
      const unsigned char* p = r->row.data();
      for (png_uint_32 x = 0; x < columns; ++x) {
        for (unsigned c = 0; c < channels; ++c, p += wide ? 2 : 1)
          samples[c] = wide ? (p[0] << 8 | p[1]) : p[0];
        r->grey[x] = grey_of(samples, channels, maxval);
        if (image->want_rgb) rgb_of(samples, channels, maxval, &r->rgb[size_t{x} * 3]);
      }
      const unsigned y = passes == 1 ? i : PNG_ROW_FROM_PASS_ROW(i, pass);
      put_row(image, y, r->grey.data(), r->rgb.data(), first_x, step_x, columns);
    }
  }
  end_rows(image);
  return true;
}

}  // namespace

int read_png(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  png_reading r{f, &fits, image, why, {}, {}, {}, {}};
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
