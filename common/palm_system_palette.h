// The Palm OS standard 256-colour system palette, which 8-bit bitmaps without
// a colour table show (netpbm's palmcolor8.map): entries 0 to 214 a 6x6x6
// colour cube without its black, 215 to 229 ten greys and five further
// colours, the rest black (255 is the black that Palm OS uses).
#pragma once

struct palette_rgb {
  unsigned char r, g, b;
};

constexpr unsigned kPaletteCubeEntries = 215;
constexpr unsigned kPaletteEntriesUsed = 230;  // the real colours; black is kPaletteBlack
constexpr unsigned kPaletteBlack = 255;

// The cube's six levels of a component: 255, 204, 153, 102, 51, 0.
constexpr unsigned char palette_cube_level(unsigned step) {
  return static_cast<unsigned char>(255 - 51 * step);
}

// The cube entry of the steps of red, green and blue (0 is 255, 5 is 0):
// green steps fastest, then blue within one half (255..153, then 102..0),
// then red. The steps 5, 5, 5 are black, which is not in the cube.
constexpr unsigned palette_cube_index(unsigned red, unsigned green, unsigned blue) {
  return red == 5 && green == 5 && blue == 5 ? kPaletteBlack
                                             : blue / 3 * 108 + red * 18 + blue % 3 * 6 + green;
}

inline constexpr unsigned char kPaletteTail[15][3] = {
    {17, 17, 17},    {34, 34, 34},    {68, 68, 68},    {85, 85, 85},    {119, 119, 119},
    {136, 136, 136}, {170, 170, 170}, {187, 187, 187}, {221, 221, 221}, {238, 238, 238},
    {192, 192, 192}, {128, 0, 0},     {128, 0, 128},   {0, 128, 0},     {0, 128, 128},
};

inline palette_rgb system_palette_entry(unsigned index) {
  if (index < kPaletteCubeEntries) {
    unsigned half = index / 108, within = index % 108;
    return palette_rgb{palette_cube_level(within / 18), palette_cube_level(index % 6),
                       palette_cube_level(half * 3 + within % 18 / 6)};
  }
  if (index < kPaletteEntriesUsed) {
    const unsigned char* c = kPaletteTail[index - kPaletteCubeEntries];
    return palette_rgb{c[0], c[1], c[2]};
  }
  return palette_rgb{0, 0, 0};
}
