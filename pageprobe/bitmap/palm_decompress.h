// The compressed forms of Palm bitmap pixel data: scan-line, RLE and PackBits.
// Each expands a stream into a buffer of known size and fails, rather than
// read or write past either end, when the stream does not fill it exactly.
#pragma once

#include <cstddef>

#include "byte_view.h"

// Scan-line: per row, groups of 8 bytes, a flag byte and one literal for each
// set bit, the byte of the row above for each clear one. Expands into height
// rows of row_bytes bytes. False when the stream ends early.
bool decompress_scanlines(byte_view stream, unsigned height, unsigned row_bytes,
                          unsigned char* rows);

// RLE: (count, value) pairs. Null when the output is filled, else why not.
const char* decompress_rle(byte_view stream, size_t size, unsigned char* out);

// PackBits: a signed control byte, then literals or one repeated unit; the
// unit is `unit` bytes (1, or 2 at 16 bits a pixel). Null when the output is
// filled, else why not.
const char* decompress_packbits(byte_view stream, size_t size, unsigned unit,
                                unsigned char* out);

// The most bytes that a stream of `length` bytes can expand to in the form
// (compression type 0, 1 or 2) for the given rows: a bitmap announcing more
// cannot be whole, and is refused before anything is allocated.
size_t largest_expansion(unsigned compression, size_t length, unsigned row_bytes, unsigned unit);
