#include "bitmap/site_png.h"

#include <gtest/gtest.h>

#include <string>

#include "common/bitmap_family.h"
#include "common/bitmap_rendition.h"
#include "common/dither.h"

using namespace std::string_literals;

namespace {

// A 45 x 12 image of bands, which compress (45 pixels leave padding in every
// row): grey values, and 8-bit and 16-bit colours whose greys fall in the
// same bands.
const unsigned kWidth = 45, kHeight = 12;
std::vector<uint16_t> values(unsigned depth) {
  std::vector<uint16_t> v;
  static const uint16_t palette[4] = {0, 50, 165, 255};  // white, greys 153 and 102, black
  static const uint16_t direct[4] = {0xFFFF, 0xA514, 0x52AA, 0x0000};
  for (unsigned i = 0; i < kWidth * kHeight; i++) {
    const unsigned grey = (i % kWidth / 8 + i / kWidth / 4) % 4;
    v.push_back(depth == 2 ? grey : depth == 8 ? palette[grey] : direct[grey]);
  }
  return v;
}

// The bitmap pagepack writes for the options, or one byte of it changed.
std::string family(bool compress, unsigned colour, size_t changed = 0) {
  std::vector<byte_string> r = {pack_rendition(values(2), kWidth, kHeight, 2, compress)};
  if (colour) r.push_back(pack_rendition(values(colour), kWidth, kHeight, colour, compress));
  const byte_string f = chain_family(r);
  std::string b(f.begin(), f.end());
  if (changed) b[changed] ^= 1;
  return b;
}

TEST(SitePng, OnlyWherePagepackMakesTheSameBytes) {
  const struct {
    std::string bitmap;
    bool compress;
    unsigned colour;
    bool png;
  } cases[] = {
      {family(false, 0), false, 0, true},   {family(true, 0), true, 0, true},
      {family(false, 16), false, 16, true}, {family(true, 16), true, 16, true},
      {family(false, 8), false, 8, true},   {family(true, 8), true, 8, true},
      {family(false, 0), true, 0, false},   // uncompressed where -z compresses
      {family(true, 0), false, 0, false},   // compressed where pagepack does not
      {family(false, 0, 12), false, 0, false},  // a reserved byte
      {family(false, 0, 27), false, 0, false},  // padding not black
      {family(false, 16), false, 8, false},     // another colour depth
      {family(false, 0), false, 16, false},     // no colour rendition
      {"\0\0"s, false, 0, false},               // stored empty
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
    png_pixels png;
    const std::string& b = cases[i].bitmap;
    EXPECT_EQ(cases[i].png, png_for_bitmap(make_view(b.data(), b.size()), cases[i].compress,
                                           cases[i].colour, &png))
        << i;
    if (!cases[i].png) continue;
    // Greys in the export's levels, or colours that pagepack makes the same
    // values of.
    ASSERT_TRUE(png.width == kWidth && png.height == kHeight && png.grey == !cases[i].colour);
    std::vector<unsigned char> greys;
    for (uint16_t v : values(2)) greys.push_back(static_cast<unsigned char>("\xff\xa0\x54\x00"[v]));
    const unsigned colour = cases[i].colour;
    if (!colour)
      EXPECT_EQ(greys, png.samples) << i;
    else
      EXPECT_EQ(values(colour), colour == 16 ? direct_colours(png.samples.data(), greys.size())
                                             : dither_palette(png.samples.data(), kWidth, kHeight))
          << i;
  }
}

}  // namespace
