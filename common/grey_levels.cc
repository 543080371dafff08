#include "common/grey_levels.h"

#include <cstdint>

unsigned luma(unsigned red, unsigned green, unsigned blue, unsigned maxval) {
  if (maxval <= 255) return (77 * red + 150 * green + 29 * blue + 128) >> 8;
  return static_cast<unsigned>(0.2989 * red + 0.5866 * green + 0.1145 * blue + 0.5);
}

unsigned over_white(unsigned sample, unsigned alpha, unsigned maxval) {
  uint64_t mixed = uint64_t{sample} * alpha + uint64_t{maxval} * (maxval - alpha) + maxval / 2;
  return static_cast<unsigned>(mixed / maxval);
}

unsigned char to_8bit(unsigned sample, unsigned maxval) {
  if (sample > maxval) sample = maxval;  // readers refuse such samples; never wrap
  if (maxval == 255) return static_cast<unsigned char>(sample);
  return static_cast<unsigned char>((uint64_t{sample} * 255 + maxval / 2) / maxval);
}

unsigned char grey_of(const unsigned* s, unsigned channels, unsigned maxval) {
  unsigned v;
  switch (channels) {
    case 1:
      v = s[0];
      break;
    case 2:
      v = over_white(s[0], s[1], maxval);
      break;
    case 3:
      v = luma(s[0], s[1], s[2], maxval);
      break;
    default:
      v = luma(over_white(s[0], s[3], maxval), over_white(s[1], s[3], maxval),
               over_white(s[2], s[3], maxval), maxval);
      break;
  }
  return to_8bit(v, maxval);
}

void rgb_of(const unsigned* s, unsigned channels, unsigned maxval, unsigned char* out) {
  const bool colour = channels >= 3;
  const bool alpha = channels == 2 || channels == 4;
  for (unsigned c = 0; c < 3; ++c) {
    unsigned v = s[colour ? c : 0];
    if (alpha) v = over_white(v, s[channels - 1], maxval);
    out[c] = to_8bit(v, maxval);
  }
}
