#include "image/scale.h"

#include <algorithm>
#include <cstdint>

unsigned scaled_height(unsigned width, unsigned height, unsigned new_width) {
  if (width == 0 || height == 0) return height;
  uint64_t h = (uint64_t{height} * new_width + width / 2) / width;
  return h ? static_cast<unsigned>(h) : 1;
}

namespace {

// Where each new pixel along one axis takes its share of each old one: old
// pixel i covers [i * to, (i + 1) * to) and new pixel j [j * from, (j + 1) *
// from) in units of 1 / (from * to) of the axis, so that every share is a
// whole number.
struct span {
  unsigned first_new;  // the new pixel the old one starts in
  unsigned share;      // how much of the old pixel falls into first_new
};

std::vector<span> spans(unsigned from, unsigned to) {
  std::vector<span> s(from);
  for (unsigned i = 0; i < from; ++i) {
    uint64_t start = uint64_t{i} * to, end = start + to;
    unsigned j = static_cast<unsigned>(start / from);
    uint64_t boundary = uint64_t{j + 1} * from;
    s[i] = span{j, static_cast<unsigned>(std::min(end, boundary) - start)};
  }
  return s;
}

}  // namespace

std::vector<unsigned char> scale_area(const unsigned char* pixels, unsigned channels,
                                      unsigned width, unsigned height, unsigned new_width,
                                      unsigned new_height) {
  std::vector<unsigned char> out(static_cast<size_t>(new_width) * new_height * channels);
  if (!new_width || !new_height) return out;
  const std::vector<span> across = spans(width, new_width), down = spans(height, new_height);
  // Sums of the current new row and of the next one, which an old row that
  // straddles two new rows feeds too.
  std::vector<double> row(static_cast<size_t>(new_width) * channels);
  std::vector<double> now(row.size()), next(row.size());
  const double area = double(width) * height;  // the weight of one new pixel
  unsigned current = 0;
  auto emit = [&]() {
    unsigned char* o = out.data() + static_cast<size_t>(current) * new_width * channels;
    for (size_t k = 0; k < now.size(); ++k)
      o[k] = static_cast<unsigned char>(std::min(255.0, now[k] / area + 0.5));
    now.swap(next);
    std::fill(next.begin(), next.end(), 0.0);
    ++current;
  };
  for (unsigned y = 0; y < height; ++y) {
    // The old row across the new columns.
    std::fill(row.begin(), row.end(), 0.0);
    const unsigned char* p = pixels + static_cast<size_t>(y) * width * channels;
    for (unsigned x = 0; x < width; ++x) {
      const span& s = across[x];
      for (unsigned c = 0; c < channels; ++c) {
        double v = p[x * channels + c];
        row[size_t{s.first_new} * channels + c] += v * s.share;
        if (s.share < new_width)  // the rest falls into the next new column
          row[size_t{s.first_new + 1} * channels + c] += v * (new_width - s.share);
      }
    }
    const span& s = down[y];
    while (current < s.first_new) emit();
    for (size_t k = 0; k < row.size(); ++k) {
      now[k] += row[k] * s.share;
      if (s.share < new_height) next[k] += row[k] * (new_height - s.share);
    }
  }
  while (current < new_height) emit();
  return out;
}
