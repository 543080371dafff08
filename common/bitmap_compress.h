// The compressed forms of Palm bitmap pixel rows (scan-line, RLE, PackBits),
// each made row by row as netpbm's pnmtopalm makes it, so that the same rows
// give the same bytes; and the choice of the smallest.
#pragma once

#include <cstddef>
#include <vector>

#include "common/palm_bitmap.h"

typedef std::vector<unsigned char> byte_string;

// `rows`: height rows of row_bytes bytes. Each function returns the stream
// that follows the size word.
byte_string compress_scanlines(const unsigned char* rows, unsigned height, unsigned row_bytes);
byte_string compress_rle(const unsigned char* rows, unsigned height, unsigned row_bytes);
// `unit`: 1, or 2 at 16 bits a pixel, where runs repeat whole pixels.
byte_string compress_packbits(const unsigned char* rows, unsigned height, unsigned row_bytes,
                              unsigned unit);

// The compression that makes the rows smallest, and its stream; kBmpNoCompression
// (and an empty stream) when no compressed form with its size word is
// smaller than the rows themselves.
BitmapCompression smallest_compression(const unsigned char* rows, unsigned height,
                                       unsigned row_bytes, unsigned unit, byte_string* stream);
