// conv_icon_ppm: an image file (PNG, GIF, JPEG or netpbm) as a Palm bitmap,
// version 1, uncompressed: 1 bit per pixel for icons, 2 for images.
#pragma once

#include <cstddef>
#include <string>

// Results below zero: nothing was written at outbuf.
enum {
  kBitmapTooLarge = -1,   // the bitmap would not fit the room given
  kBitmapTooWide = -2,    // a raw 8-bit netpbm row does not fit the 1024-byte row buffer
  kBitmapBadHeader = -3,  // no size line, or sizes that do not fit 16 bits
  kBitmapUnsupported = -4,  // depth other than 2 and 4, or compression asked for
  kBitmapBadImage = -5,   // a PNG, GIF, JPEG or netpbm file that cannot be decoded
  kBitmapUnreadable = -6,  // the file is there but cannot be opened (a FIFO, a directory ...)
};

// What a reader returns for a file with no bytes: stored as an empty bitmap.
constexpr int kImageEmpty = 1;

constexpr size_t kRowBufferSize = 1024;

// Writes the bitmap of `filename` at `outbuf`, at most `room` bytes. `depth`
// is the number of grey levels: 2 gives an icon entry (a 16-bit word count,
// then the bitmap), 4 a bare bitmap with 2 bits per pixel. A file that does
// not exist or is empty gives the two bytes 00 00 (an empty icon entry).
// Returns the number of bytes written, or one of the negative results above;
// then *why (when given) says what is wrong, for a message.
int conv_icon_ppm(const char* filename, unsigned char* outbuf, size_t room, char compress,
                  int depth, std::string* why = nullptr);

// What a negative result of conv_icon_ppm means, for messages.
const char* bitmap_error_text(int result);
