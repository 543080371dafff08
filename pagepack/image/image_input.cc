#include "image/image_input.h"

#include <cctype>
#include <cstring>

#include "image/bitmap_encoder.h"
#include "image/other_formats.h"
#include "input_file.h"

namespace {

enum image_format { kUnknownFormat, kPng, kGif, kJpeg, kNetpbm };

// The format the first n bytes of a file name.
image_format format_of(const unsigned char* head, size_t n) {
  static const unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n >= 8 && !memcmp(head, png_signature, 8)) return kPng;
  if (n >= 6 && (!memcmp(head, "GIF87a", 6) || !memcmp(head, "GIF89a", 6))) return kGif;
  if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return kJpeg;
  if (n >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7') return kNetpbm;
  return kUnknownFormat;
}

}  // namespace

bool holds_image(const char* filename) {
  stdio_file f = open_input(filename);
  unsigned char head[16] = {0};
  const size_t n = f ? fread(head, 1, sizeof head, f.get()) : 0;
  const image_format format = format_of(head, n < 8 ? n : 8);
  if (format != kNetpbm) return format != kUnknownFormat;
  // netpbm's magic is followed by blanks and then a comment or the width
  // (PAM: a line break and its header lines), which a page that merely
  // begins with "P1" is not.
  if (head[1] == '7') return n > 2 && head[2] == '\n';
  size_t i = 2;
  while (i < n && isspace(head[i])) i++;
  return i > 2 && i < n && (head[i] == '#' || isdigit(head[i]));
}

int read_image(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  // Enough of the start to tell the formats read here and name the others.
  unsigned char head[256] = {0};
  size_t n = fread(head, 1, sizeof head, f);
  if (fseek(f, 0, SEEK_SET) != 0) {
    *why = "cannot be read from its start again";
    return kBitmapBadImage;
  }
  static const char kRead[] = ": pagepack reads PNG, GIF, JPEG and netpbm)";
  switch (format_of(head, n)) {
    case kPng:
      return read_png(f, fits, image, why);
    case kGif:
      return read_gif(f, fits, image, why);
    case kJpeg:
      return read_jpeg(f, fits, image, why);
    case kNetpbm:
      return read_netpbm(f, fits, image, why);
    default:
      break;
  }
  if (const char* name = other_format_name(head, n)) {
    *why = std::string("not read (") + name + kRead;
    return kBitmapOtherFormat;
  }
  // Anything else is read as it always was, and mostly refused for its size line.
  int r = read_raw_netpbm(f, fits, image, why);
  if (r == kBitmapBadHeader) *why = std::string("not read (not an image") + kRead;
  return r;
}

void begin_rows(grey_image* image, unsigned width, unsigned height) {
  image->width = width;
  image->height = height;
  const unsigned w = image->scaled_width, h = image->scaled_height;
  if (w) {
    start_area_sums(&image->grey_sums, 1, width, height, w, h);
    if (image->want_rgb) start_area_sums(&image->rgb_sums, 3, width, height, w, h);
    return;
  }
  image->grey.assign(size_t{width} * height, 0);
  if (image->want_rgb) image->rgb.assign(size_t{width} * height * 3, 0);
}

void put_row(grey_image* image, unsigned y, const unsigned char* grey, const unsigned char* rgb,
             unsigned first, unsigned step, unsigned count) {
  if (image->scaled_width) {
    add_area_row(&image->grey_sums, y, grey, first, step, count);
    if (image->want_rgb) add_area_row(&image->rgb_sums, y, rgb, first, step, count);
    return;
  }
  if (y >= image->height) return;
  const size_t row = size_t{y} * image->width;
  for (unsigned i = 0, x = first; i < count && x < image->width; ++i, x += step) {
    image->grey[row + x] = grey[i];
    if (image->want_rgb) memcpy(&image->rgb[(row + x) * 3], rgb + size_t{i} * 3, 3);
  }
}

void end_rows(grey_image* image) {
  if (!image->scaled_width) return;
  image->grey = area_result(image->grey_sums);
  if (image->want_rgb) image->rgb = area_result(image->rgb_sums);
  image->width = image->scaled_width;
  image->height = image->scaled_height;
  image->grey_sums = area_sums();
  image->rgb_sums = area_sums();
}
