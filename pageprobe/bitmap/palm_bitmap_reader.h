// Reads Palm bitmaps of every version (0 to 3), depth (1, 2, 4, 8, 16 bits a
// pixel) and compression (scan-line, RLE, PackBits), alone or as a family of
// renditions, into pixel values and their colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bitmap/palm_palette.h"
#include "byte_view.h"
#include "common/palm_bitmap.h"

struct palm_image {
  unsigned width = 0, height = 0;   // real width in pixels (not rounded up to whole bytes)
  std::vector<unsigned char> rgb;   // height rows of width pixels, 3 bytes each (R, G, B)
};

// Reads a bare bitmap (record data, or the bitmap of an icon entry without its
// word count): for a family, the rendition the export writes. False, with a
// message naming label, when it cannot be read.
bool read_palm_bitmap(byte_view bitmap, const char* label, palm_image* image);

// One rendition's header, with the fields of its version.
struct bitmap_header {
  size_t start = 0;    // where the rendition starts in the data it was read from
  size_t length = 0;   // bytes from start to the next rendition or the end of the data
  unsigned width = 0, height = 0, row_bytes = 0, flags = 0;
  unsigned pixel_size = 0;  // as stored: 0 stands for 1
  unsigned version = 0;
  unsigned header_size = 16;  // where the colour table or the pixels start
  size_t next = 0;            // next rendition, in bytes from start; 0: none
  unsigned transparent_index = 0, compression = 0, pixel_format = 0, density = 72;
  uint32_t transparent_value = 0;
};

// Bits a pixel, with 0 read as 1.
inline unsigned bitmap_depth(const bitmap_header& h) { return h.pixel_size ? h.pixel_size : 1; }

// The renditions of the bitmap that starts the data, in order; a next offset
// into a rendition's own header or past the data ends the chain with a
// message naming label. Empty (with a message) when even the first header is
// cut short. A null label says nothing, here and in decode_bitmap.
std::vector<bitmap_header> read_bitmap_family(byte_view data, const char* label);

// The rendition to export: the most bits a pixel of a depth this reader
// knows, at equal depth the highest density, at equal density the first.
size_t best_rendition(const std::vector<bitmap_header>& family);

// A rendition's pixels, expanded, with what gives them their colours.
struct palm_pixels {
  unsigned width = 0, height = 0, row_bytes = 0, depth = 1;
  std::vector<unsigned char> rows;  // height rows of row_bytes bytes
  bool has_table = false;           // colours from the bitmap's own table
  unsigned table_entries = 0;       // entries the table held
  rgb_colour table[256];
};

// The most bytes a rendition's pixels may take once expanded: a Palm OS chunk
// holds 64 KB, and a full screen at double density and 16 bits a pixel takes
// 200 KB; a bitmap announcing more is refused before anything is allocated.
constexpr size_t kMaxPixelBytes = 256 * 1024;

// Expands one rendition of `data`. False, with a message naming label, when
// it cannot be read: unknown depth, pixel format or compression, rows too
// narrow for the width, more pixel bytes than kMaxPixelBytes, colour table or
// pixel data cut short.
bool decode_bitmap(byte_view data, const bitmap_header& h, const char* label, palm_pixels* out);

// The value of pixel (x, y), and the colour it shows.
unsigned pixel_value(const palm_pixels& p, unsigned x, unsigned y);
rgb_colour pixel_colour(const palm_pixels& p, unsigned value);

// 1 and 2 bits a pixel without a colour table: exported in the grey levels
// and the whole-byte width that pageprobe has always used.
inline bool classic_greys(const palm_pixels& p) { return p.depth <= 2 && !p.has_table; }
