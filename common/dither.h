// Choosing a bitmap's pixel values from 8-bit samples: the fixed grey bands
// of old, error diffusion (Floyd-Steinberg, serpentine) to the four greys of
// the handheld or to the Palm OS system palette, and 5-6-5 direct colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The errors of Floyd-Steinberg diffusion over `channels` interleaved
// samples, in sixteenths, for the row being made and the one below (a spare
// pixel each side). Rows run left to right and right to left in turn; each
// pixel's error goes 7/16 ahead, 3/16, 5/16 and 1/16 to the row below.
class serpentine_errors {
 public:
  serpentine_errors(unsigned width, unsigned channels)
      : width_(width), channels_(channels), here_((width + 2) * channels),
        below_((width + 2) * channels) {}
  // Starts row y: the row below holds no error yet.
  void start_row(unsigned y);
  // The pixel the row's i-th step makes.
  unsigned pixel(unsigned i) const { return forward_ ? i : width_ - 1 - i; }
  // The error passed on to channel c of pixel x, rounded to whole samples.
  int carried(unsigned x, unsigned c) const {
    const int e = here_[(x + 1) * channels_ + c];
    return (e >= 0 ? e + 8 : e - 7) / 16;
  }
  // Passes the error e of channel c of pixel x on.
  void pass_on(unsigned x, unsigned c, int e);
  void end_row() { here_.swap(below_); }

 private:
  unsigned width_, channels_;
  bool forward_ = true;
  std::vector<int> here_, below_;
};

// The greys a handheld shows for the 2-bit values 0 (white) to 3 (black), the
// shades of netpbm's palmgray2.map.
constexpr unsigned char kHandheldGrey[4] = {255, 170, 85, 0};

// The 2-bit value of a grey by the fixed bands: 193-255 white, 129-192 light
// grey, 65-128 dark grey, 0-64 black.
unsigned grey_band(unsigned grey);

// The 2-bit values of width x height greys, by error diffusion to kHandheldGrey.
std::vector<uint16_t> dither_greys(const unsigned char* grey, unsigned width, unsigned height);

// The system-palette indexes of width x height pixels (red, green, blue), by
// error diffusion.
std::vector<uint16_t> dither_palette(const unsigned char* rgb, unsigned width, unsigned height);

// The system-palette entry nearest a colour.
unsigned nearest_palette_index(int red, int green, int blue);

// The 5-6-5 direct colours nearest `pixels` pixels (red, green, blue).
std::vector<uint16_t> direct_colours(const unsigned char* rgb, size_t pixels);
