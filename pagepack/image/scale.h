// Scaling an image down by area averaging: each new pixel is the mean of the
// part of the image it covers, partly covered pixels weighted by how much.
#pragma once

#include <cstdint>
#include <vector>

// The height that keeps the aspect when `width` becomes `new_width`; at least
// 1 unless `height` is 0.
unsigned scaled_height(unsigned width, unsigned height, unsigned new_width);

// Where an old pixel falls along one axis: old pixel i covers [i * to, (i +
// 1) * to) and new pixel j [j * from, (j + 1) * from) in units of 1 / (from
// * to) of the axis, so that every share is a whole number.
struct area_span {
  unsigned first_new;  // the new pixel the old one starts in
  unsigned share;      // how much of the old pixel falls into first_new
};

// The sums of a scaling in progress, fed the old image a row at a time in
// any order (the passes of an interlaced file too). Every sum is a whole
// number, exact however the rows come, so that the result never depends on
// their order; it takes memory for the new image alone.
struct area_sums {
  unsigned channels = 0, width = 0, height = 0, new_width = 0, new_height = 0;
  std::vector<area_span> across, down;
  std::vector<uint64_t> row, sums;
};

// Sets up the scaling of width x height pixels of `channels` interleaved
// 8-bit samples to new_width x new_height, neither larger than before.
void start_area_sums(area_sums* s, unsigned channels, unsigned width, unsigned height,
                     unsigned new_width, unsigned new_height);

// Adds old row y: `count` pixels at the columns first, first + step, ...
void add_area_row(area_sums* s, unsigned y, const unsigned char* pixels, unsigned first,
                  unsigned step, unsigned count);

// The new pixels, once every old one was added.
std::vector<unsigned char> area_result(const area_sums& s);

// The whole scaling of an image held in memory.
std::vector<unsigned char> scale_area(const unsigned char* pixels, unsigned channels,
                                      unsigned width, unsigned height, unsigned new_width,
                                      unsigned new_height);
