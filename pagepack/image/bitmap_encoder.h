// conv_icon_ppm: an image file (PNG, GIF, JPEG or netpbm) as a Palm bitmap,
// version 1, uncompressed: 1 bit per pixel for icons, 2 for images; and
// conv_image, the same with the image options (dithered greys, a colour
// rendition, compression, scaling to a width).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/bitmap_rendition.h"

// Results below zero: nothing was written at outbuf.
enum {
  kBitmapTooLarge = -1,   // the bitmap would not fit the room given
  kBitmapTooWide = -2,    // a raw 8-bit netpbm row does not fit the 1024-byte row buffer
  kBitmapBadHeader = -3,  // no size line, or sizes that do not fit 16 bits
  kBitmapUnsupported = -4,  // depth other than 2 and 4, or a colour depth other than 8 and 16
  kBitmapBadImage = -5,   // a PNG, GIF, JPEG or netpbm file that cannot be decoded
  kBitmapUnreadable = -6,  // the file is there but cannot be opened (a FIFO, a directory ...)
  kBitmapOtherFormat = -7,  // an image in a format not read here (BMP, TIFF, WebP ...)
};

// What a reader returns for a file with no bytes: stored as an empty bitmap.
constexpr int kImageEmpty = 1;

// Writes the bitmap of `filename` at `outbuf`, at most `room` bytes. `depth`
// is the number of grey levels: 2 gives an icon entry (a 16-bit word count,
// then the bitmap), 4 a bare bitmap with 2 bits per pixel. A file that does
// not exist or is empty gives the two bytes 00 00 (an empty icon entry).
// `compress` not 0: the bitmap is stored in the smallest compressed form, or
// uncompressed when that is smaller.
// Returns the number of bytes written, or one of the negative results above;
// then *why (when given) says what is wrong, for a message.
int conv_icon_ppm(const char* filename, unsigned char* outbuf, size_t room, char compress,
                  int depth, std::string* why = nullptr);

// What an image record's bitmap becomes beyond the fixed bands; all off gives
// exactly the bitmap of conv_icon_ppm at depth 4.
struct image_options {
  bool dither = false;        // error diffusion to the four greys instead of the bands
  unsigned colour_depth = 0;  // 8 or 16: a colour rendition after the grey one
  bool compress = false;      // every rendition in its smallest form
  unsigned fit_width = 0;     // not 0: a wider image is scaled down to this width
};

// The bitmap (or family) of an image record; results as conv_icon_ppm's.
// An image scaled below the fit width to fit the record sets *note (when
// given) to say so.
int conv_image(const char* filename, unsigned char* outbuf, size_t room,
               const image_options& options, std::string* why = nullptr,
               std::string* note = nullptr);

// The most pixels an image that is dithered, coloured or compressed at its
// own size may have: it is read whole before its size in the record is known.
constexpr unsigned long kMaxPixelsRead = 1ul << 23;
// The most pixels of an image scaled down: it is scaled as it is read, so
// this bounds time alone (a 100-megapixel photo is read).
constexpr unsigned long kMaxPixelsScaled = 1ul << 27;

// What a negative result of conv_icon_ppm means, for messages.
const char* bitmap_error_text(int result);
