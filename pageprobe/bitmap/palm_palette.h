// Colours of Palm bitmaps that carry no colour table: the grey ramps of the
// low depths and the Palm OS standard 256-colour system palette.
#pragma once

struct rgb_colour {
  unsigned char r = 0, g = 0, b = 0;
};

inline bool operator==(const rgb_colour& a, const rgb_colour& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

// Entry index (0..255) of the system palette; indexes the palette leaves
// unused are black.
rgb_colour system_palette_colour(unsigned index);

// The colour of pixel value `value` at `depth` bits a pixel (1, 2, 4 or 8)
// when the bitmap has no colour table: 1 and 2 bits in the export's grey
// levels, 4 bits as 16 greys, 8 bits from the system palette.
rgb_colour default_colour(unsigned depth, unsigned value);
