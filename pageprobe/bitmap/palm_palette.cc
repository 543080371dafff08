#include "bitmap/palm_palette.h"

#include "common/palm_bitmap.h"
#include "common/palm_system_palette.h"

namespace {

rgb_colour grey(unsigned level) {
  unsigned char v = static_cast<unsigned char>(level);
  return rgb_colour{v, v, v};
}

}  // namespace

rgb_colour system_palette_colour(unsigned index) {
  palette_rgb c = system_palette_entry(index);
  return rgb_colour{c.r, c.g, c.b};
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
