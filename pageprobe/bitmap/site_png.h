// pageprobe -s: the PNG of an image record's bitmap that pagepack reads back
// to exactly that bitmap under the image options rebuild.sh gives it (-z,
// --colour=DEPTH). A PNG is only offered once pagepack's own writer
// (common/) has made the record's bytes again from its pixels; any other
// bitmap comes back as it is, through --bitmap.
#pragma once

#include <vector>

#include "byte_view.h"

struct png_pixels {
  unsigned width = 0, height = 0;
  bool grey = true;                   // one sample a pixel, else red, green, blue
  std::vector<unsigned char> samples;  // height rows of width pixels
};

// The PNG for the bitmap, or false when none gives it back: pagepack would
// write other bytes (another version, depth or layout, a colour table, a
// family other than its own, another compression), or the bitmap is empty.
// `compress` and `colour` (0, 8 or 16) are the options of rebuild.sh.
bool png_for_bitmap(byte_view bitmap, bool compress, unsigned colour, png_pixels* png);
