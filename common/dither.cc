#include "common/dither.h"

#include <algorithm>

#include "common/palm_system_palette.h"

namespace {

// Error diffusion over `channels` interleaved samples: each pixel, with the
// errors its neighbours passed on (clamped to 0..255), becomes the value
// `choose` picks, which also says the colour shown; the difference goes on.
template <unsigned channels, typename Choose>
std::vector<uint16_t> diffuse(const unsigned char* samples, unsigned width, unsigned height,
                              Choose choose) {
  std::vector<uint16_t> values(static_cast<size_t>(width) * height);
  serpentine_errors errors(width, channels);
  for (unsigned y = 0; y < height; ++y) {
    errors.start_row(y);
    for (unsigned i = 0; i < width; ++i) {
      const unsigned x = errors.pixel(i);
      const size_t at = static_cast<size_t>(y) * width + x;
      int wanted[channels], shown[channels];
      for (unsigned c = 0; c < channels; ++c)
        wanted[c] = std::min(255, std::max(0, samples[at * channels + c] + errors.carried(x, c)));
      values[at] = static_cast<uint16_t>(choose(wanted, shown));
      for (unsigned c = 0; c < channels; ++c) errors.pass_on(x, c, wanted[c] - shown[c]);
    }
    errors.end_row();
  }
  return values;
}

int squared_distance(const int* a, const unsigned char* b) {
  int d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
  return d0 * d0 + d1 * d1 + d2 * d2;
}

}  // namespace

void serpentine_errors::start_row(unsigned y) {
  std::fill(below_.begin(), below_.end(), 0);
  forward_ = y % 2 == 0;
}

void serpentine_errors::pass_on(unsigned x, unsigned c, int e) {
  const size_t level = (x + 1) * channels_ + c;
  const size_t ahead = forward_ ? level + channels_ : level - channels_;
  const size_t behind = forward_ ? level - channels_ : level + channels_;
  here_[ahead] += 7 * e;
  below_[behind] += 3 * e;
  below_[level] += 5 * e;
  below_[ahead] += e;
}

unsigned grey_band(unsigned grey) {
  if (grey >= 193) return 0;
  if (grey >= 129) return 1;
  if (grey >= 65) return 2;
  return 3;
}

std::vector<uint16_t> dither_greys(const unsigned char* grey, unsigned width, unsigned height) {
  return diffuse<1>(grey, width, height, [](const int* wanted, int* shown) {
    unsigned value = 3 - static_cast<unsigned>(wanted[0] + 42) / 85;
    shown[0] = kHandheldGrey[value];
    return value;
  });
}

unsigned nearest_palette_index(int red, int green, int blue) {
  const int wanted[3] = {red, green, blue};
  // The nearest point of the full cube (black included) is the nearest
  // level of each component; then the entries outside the cube compete.
  unsigned step[3];
  unsigned char cube[3];
  for (int c = 0; c < 3; ++c) {
    step[c] = 5 - static_cast<unsigned>(wanted[c] + 25) / 51;
    cube[c] = palette_cube_level(step[c]);
  }
  unsigned best = palette_cube_index(step[0], step[1], step[2]);
  int best_distance = squared_distance(wanted, cube);
  for (unsigned i = kPaletteCubeEntries; i < kPaletteEntriesUsed; ++i) {
    int d = squared_distance(wanted, kPaletteTail[i - kPaletteCubeEntries]);
    if (d < best_distance) best = i, best_distance = d;
  }
  return best;
}

std::vector<uint16_t> dither_palette(const unsigned char* rgb, unsigned width, unsigned height) {
  return diffuse<3>(rgb, width, height, [](const int* wanted, int* shown) {
    unsigned index = nearest_palette_index(wanted[0], wanted[1], wanted[2]);
    palette_rgb c = system_palette_entry(index);
    shown[0] = c.r, shown[1] = c.g, shown[2] = c.b;
    return index;
  });
}

std::vector<uint16_t> direct_colours(const unsigned char* rgb, size_t pixels) {
  std::vector<uint16_t> values(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    const unsigned char* p = rgb + 3 * i;
    unsigned r = (p[0] * 31 + 127) / 255, g = (p[1] * 63 + 127) / 255, b = (p[2] * 31 + 127) / 255;
    values[i] = static_cast<uint16_t>(r << 11 | g << 5 | b);
  }
  return values;
}
