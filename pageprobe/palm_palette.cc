#include "palm_palette.h"

#include "common/palm_bitmap.h"

namespace {

rgb_colour grey(unsigned level) {
  unsigned char v = static_cast<unsigned char>(level);
  return rgb_colour{v, v, v};
}

// The greys between the cube's steps of 51, then the five extra colours.
const unsigned char kPaletteTail[15][3] = {
    {17, 17, 17},    {34, 34, 34},    {68, 68, 68}, {85, 85, 85},   {119, 119, 119},
    {136, 136, 136}, {170, 170, 170}, {187, 187, 187}, {221, 221, 221}, {238, 238, 238},
    {192, 192, 192}, {128, 0, 0},     {128, 0, 128}, {0, 128, 0},    {0, 128, 128},
};

}  // namespace

rgb_colour system_palette_colour(unsigned index) {
  // Entries 0..214 are a 6x6x6 cube without its black: green steps fastest,
  // then blue within one half (255..153, then 102..0), then red; each half
  // walks red from 255 down to 0.
  if (index < 215) {
    unsigned half = index / 108, within = index % 108;
    auto level = [](unsigned step) { return static_cast<unsigned char>(255 - 51 * step); };
    return rgb_colour{level(within / 18), level(index % 6), level(half * 3 + within % 18 / 6)};
  }
  if (index < 230) {
    const unsigned char* c = kPaletteTail[index - 215];
    return rgb_colour{c[0], c[1], c[2]};
  }
  return rgb_colour{};
}

rgb_colour default_colour(unsigned depth, unsigned value) {
  switch (depth) {
    case 1:
      return grey(value & 1 ? 0 : 255);
    case 2:
      return grey(kGreySample[value & 3]);
    case 4:
      return grey(255 - 17 * (value & 15));
    default:
      return system_palette_colour(value & 255);
  }
}
