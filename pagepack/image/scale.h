// Scaling an image down by area averaging: each new pixel is the mean of the
// part of the image it covers, partly covered pixels weighted by how much.
#pragma once

#include <vector>

// The height that keeps the aspect when `width` becomes `new_width`; at least
// 1 unless `height` is 0.
unsigned scaled_height(unsigned width, unsigned height, unsigned new_width);

// Scales width x height pixels of `channels` interleaved 8-bit samples to
// new_width x new_height, neither larger than before. Works a source row at a
// time, so it needs memory only for the result and one row.
std::vector<unsigned char> scale_area(const unsigned char* pixels, unsigned channels,
                                      unsigned width, unsigned height, unsigned new_width,
                                      unsigned new_height);
