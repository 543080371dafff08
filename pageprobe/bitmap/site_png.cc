#include "bitmap/site_png.h"

#include <algorithm>
#include <cstring>

#include "bitmap/palm_bitmap_reader.h"
#include "common/bitmap_family.h"
#include "common/bitmap_rendition.h"
#include "common/dither.h"
#include "common/grey_levels.h"
#include "common/palm_bitmap.h"
#include "common/palm_system_palette.h"
#include "common/pqa_record.h"

namespace {

// How far a colour sample moves along the grey axis to reach its grey band:
// a little over half a step of the palette's cube (51 a component), beyond
// which the entry's neighbours are nearer.
constexpr int kMaxShift = 32;

std::vector<uint16_t> values_of(const palm_pixels& p) {
  std::vector<uint16_t> values;
  values.reserve(size_t{p.width} * p.height);
  for (unsigned y = 0; y < p.height; y++)
    for (unsigned x = 0; x < p.width; x++)
      values.push_back(static_cast<uint16_t>(pixel_value(p, x, y)));
  return values;
}

// The 2-bit value pagepack gives a pixel of an RGB PNG: the band of its grey.
unsigned band_of(const int* rgb) {
  return grey_band(luma(static_cast<unsigned>(rgb[0]), static_cast<unsigned>(rgb[1]),
                        static_cast<unsigned>(rgb[2]), 255));
}

int clamped(int v) { return std::min(255, std::max(0, v)); }

// The greys of each 2-bit value's band (grey_band), lowest and highest.
constexpr int kBandLow[4] = {193, 129, 65, 0}, kBandHigh[4] = {255, 192, 128, 64};

int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// 16 bits: each pixel independently, a colour that pagepack rounds to its
// 5-6-5 value and whose grey lies in the pixel's band: of those, the nearest
// to the middle of the value's samples. For each red and blue the greens that
// give the band follow from luma's weights, so no green is tried in vain.
bool direct_samples(const std::vector<uint16_t>& greys, const std::vector<uint16_t>& colours,
                    std::vector<unsigned char>* rgb) {
  // The samples that round to each value of 5 and 6 bits, as direct_colours rounds.
  int low[2][64], high[2][64];
  const unsigned tops[2] = {31, 63};
  for (int k = 0; k < 2; k++) {
    std::fill(low[k], low[k] + 64, 256);
    std::fill(high[k], high[k] + 64, -1);
    for (int v = 0; v < 256; v++) {
      const unsigned q = (static_cast<unsigned>(v) * tops[k] + 127) / 255;
      low[k][q] = std::min(low[k][q], v);
      high[k][q] = std::max(high[k][q], v);
    }
  }
  for (size_t i = 0; i < colours.size(); i++) {
    const unsigned v = colours[i], parts[3] = {v >> 11, (v >> 5) & 63, v & 31};
    int lo[3], hi[3], mid[3], best[3] = {0, 0, 0};
    for (int c = 0; c < 3; c++) {
      const int k = c == 1;
      lo[c] = low[k][parts[c]], hi[c] = high[k][parts[c]], mid[c] = (lo[c] + hi[c]) / 2;
    }
    long best_distance = -1;
    for (int r = lo[0]; r <= hi[0]; r++)
      for (int b = lo[2]; b <= hi[2]; b++) {
        // luma = (77 r + 150 g + 29 b + 128) >> 8 within the band.
        const int rest = 77 * r + 29 * b + 128;
        const int g_low = std::max(lo[1], -floor_div(rest - kBandLow[greys[i]] * 256, 150));
        const int g_high =
            std::min(hi[1], floor_div((kBandHigh[greys[i]] + 1) * 256 - 1 - rest, 150));
        if (g_low > g_high) continue;
        const int g = std::min(g_high, std::max(g_low, mid[1]));
        const long d = long{r - mid[0]} * (r - mid[0]) + long{g - mid[1]} * (g - mid[1]) +
                       long{b - mid[2]} * (b - mid[2]);
        if (best_distance < 0 || d < best_distance) {
          best_distance = d;
          best[0] = r, best[1] = g, best[2] = b;
        }
      }
    if (best_distance < 0) return false;
    for (int c = 0; c < 3; c++) rgb->push_back(static_cast<unsigned char>(best[c]));
  }
  return true;
}

// 8 bits: pagepack diffuses each pixel's error to the pixels after it (see
// common/dither.cc), so the samples are chosen in its order, with its errors:
// each the sample that makes the wanted colour its palette entry, passing no
// error on, shifted along the grey axis by the least that puts its grey in the
// pixel's band while the entry stays the nearest.
bool palette_samples(const std::vector<uint16_t>& greys, const std::vector<uint16_t>& indexes,
                     unsigned width, unsigned height, std::vector<unsigned char>* rgb) {
  rgb->assign(indexes.size() * 3, 0);
  serpentine_errors errors(width, 3);
  for (unsigned y = 0; y < height; ++y) {
    errors.start_row(y);
    for (unsigned i = 0; i < width; ++i) {
      const unsigned x = errors.pixel(i);
      const size_t at = size_t{y} * width + x;
      const palette_rgb entry = system_palette_entry(indexes[at]);
      const int shown[3] = {entry.r, entry.g, entry.b};
      int sample[3], wanted[3];
      bool found = false;
      for (int k = 0; k <= 2 * kMaxShift && !found; k++) {
        const int shift = k % 2 ? (k + 1) / 2 : -(k / 2);
        for (unsigned c = 0; c < 3; ++c) {
          sample[c] = clamped(shown[c] - errors.carried(x, c) + shift);
          wanted[c] = clamped(sample[c] + errors.carried(x, c));
        }
        found = band_of(sample) == greys[at] &&
                nearest_palette_index(wanted[0], wanted[1], wanted[2]) == indexes[at];
      }
      if (!found) return false;
      for (unsigned c = 0; c < 3; ++c) {
        (*rgb)[at * 3 + c] = static_cast<unsigned char>(sample[c]);
        errors.pass_on(x, c, wanted[c] - shown[c]);
      }
    }
    errors.end_row();
  }
  return true;
}

// The bitmap (or family) pagepack makes of the PNG under the options, as
// pagepack reads a PNG: a grey sample as it is, a colour by its grey for the
// first rendition and by its colour for the second.
byte_string made_by_pagepack(const png_pixels& png, bool compress, unsigned colour) {
  const size_t pixels = size_t{png.width} * png.height;
  std::vector<uint16_t> greys(pixels);
  for (size_t i = 0; i < pixels; i++) {
    const unsigned char* s = &png.samples[png.grey ? i : 3 * i];
    greys[i] = static_cast<uint16_t>(grey_band(png.grey ? s[0] : luma(s[0], s[1], s[2], 255)));
  }
  std::vector<byte_string> renditions = {
      pack_rendition(greys, png.width, png.height, 2, compress)};
  if (colour == 8 || colour == 16)
    renditions.push_back(pack_rendition(
        colour == 8 ? dither_palette(png.samples.data(), png.width, png.height)
                    : direct_colours(png.samples.data(), pixels),
        png.width, png.height, colour, compress));
  return chain_family(renditions);
}

}  // namespace

bool png_for_bitmap(byte_view bitmap, bool compress, unsigned colour, png_pixels* png) {
  const std::vector<bitmap_header> family = read_bitmap_family(bitmap, nullptr);
  if (family.size() != (colour ? 2u : 1u)) return false;
  palm_pixels grey, colours;
  if (bitmap_depth(family[0]) != 2 || !decode_bitmap(bitmap, family[0], nullptr, &grey) ||
      !grey.width || !grey.height)
    return false;
  if (colour && (bitmap_depth(family[1]) != colour ||
                 !decode_bitmap(bitmap, family[1], nullptr, &colours) ||
                 colours.width != grey.width || colours.height != grey.height))
    return false;
  // Compressed, the deepest rendition must still fit a record expanded, as
  // pagepack checks before it reads.
  const size_t deepest = colour ? colour : 2;
  if (compress && kBitmapHeaderSize + 2 * ((grey.width * deepest + 15) / 16) * grey.height >
                      size_t{kRecordBufferSize})
    return false;
  const std::vector<uint16_t> values = values_of(grey);
  png->width = grey.width;
  png->height = grey.height;
  png->grey = !colour;
  png->samples.clear();
  if (colour == 8 && !palette_samples(values, values_of(colours), grey.width, grey.height,
                                      &png->samples))
    return false;
  if (colour == 16 && !direct_samples(values, values_of(colours), &png->samples)) return false;
  if (!colour)
    for (uint16_t v : values) png->samples.push_back(kGreySample[v]);
  const byte_string made = made_by_pagepack(*png, compress, colour);
  return made.size() == bitmap.length && !memcmp(made.data(), bitmap.data, made.size());
}
