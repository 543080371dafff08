// Reading an image file into grey samples (and, when asked, colours): the
// format is told by the file's first bytes (PNG, GIF, JPEG, netpbm), one
// reader a format behind it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/scale.h"

struct grey_image {
  unsigned width = 0, height = 0;
  std::vector<unsigned char> grey;  // height rows of width samples, 0 black, 255 white
  // Read by the rules of the raw 8-bit netpbm forms of old (P5, P6 at maximum
  // value 255, and files of no known format): each sample is the first byte
  // of its pixel, missing bytes are 0, and an icon pixel is black only at 0.
  bool first_byte_samples = false;
  // Set before reading to have `rgb` filled too: height rows of width pixels,
  // 3 bytes each (red, green, blue), laid over white as the greys are.
  bool want_rgb = false;
  std::vector<unsigned char> rgb;
  // Set before reading: the greys of a raw 8-bit file come from its pixels'
  // colours (their luma) instead of their first bytes.
  bool grey_from_colour = false;

  // Set by the size check once the size is known: the image is scaled down to
  // scaled_width x scaled_height as it is read, so that only the result is
  // ever held (0 keeps the size read). A JPEG may then be decoded at a
  // fraction of its size first, when decode_scaled is set too.
  unsigned scaled_width = 0, scaled_height = 0;
  bool decode_scaled = false;
  area_sums grey_sums, rgb_sums;  // the scaling in progress
};

// How a reader hands over its pixels. begin_rows once the size is known;
// put_row for every row y (or, for a pass of an interlaced file, `count`
// pixels at the columns first, first + step, ...), `grey` one sample a
// pixel, `rgb` three (null unless want_rgb); end_rows at the end.
void begin_rows(grey_image* image, unsigned width, unsigned height);
void put_row(grey_image* image, unsigned y, const unsigned char* grey, const unsigned char* rgb,
             unsigned first, unsigned step, unsigned count);
inline void put_row(grey_image* image, unsigned y, const unsigned char* grey,
                    const unsigned char* rgb) {
  put_row(image, y, grey, rgb, 0, 1, image->width);
}
void end_rows(grey_image* image);

// Says whether an image of width x height can be stored: 0, or a negative
// kBitmap* result with *why set. raw_bytes_per_pixel is not 0 only for the
// old raw reader, whose rows pass a fixed row buffer.
typedef std::function<int(unsigned long width, unsigned long height,
                          unsigned raw_bytes_per_pixel, std::string* why)>
    fit_check;

// Whether the file `filename` is an image by its first bytes (a PNG, GIF or
// JPEG signature, or a netpbm magic and a blank); false for anything else, and
// for a file that cannot be read.
bool holds_image(const char* filename);

// Reads the image in f (a regular file at its start). Every reader asks
// `fits` before it allocates anything for pixels. Returns 0, or a negative
// kBitmap* result with *why saying what is wrong (for a message).
int read_image(FILE* f, const fit_check& fits, grey_image* image, std::string* why);

// The readers behind read_image, each given the file at its start; same results.
int read_png(FILE* f, const fit_check& fits, grey_image* image, std::string* why);
int read_gif(FILE* f, const fit_check& fits, grey_image* image, std::string* why);
int read_jpeg(FILE* f, const fit_check& fits, grey_image* image, std::string* why);
int read_netpbm(FILE* f, const fit_check& fits, grey_image* image, std::string* why);
// The raw 8-bit reader of old, for P5/P6 at maximum value 255 and for every
// file of no known format.
int read_raw_netpbm(FILE* f, const fit_check& fits, grey_image* image, std::string* why);
