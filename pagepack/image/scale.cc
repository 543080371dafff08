#include "image/scale.h"

#include <algorithm>

unsigned scaled_height(unsigned width, unsigned height, unsigned new_width) {
  if (width == 0 || height == 0) return height;
  uint64_t h = (uint64_t{height} * new_width + width / 2) / width;
  return h ? static_cast<unsigned>(h) : 1;
}

namespace {

std::vector<area_span> spans(unsigned from, unsigned to) {
  std::vector<area_span> s(from);
  for (unsigned i = 0; i < from; ++i) {
    uint64_t start = uint64_t{i} * to, end = start + to;
    unsigned j = static_cast<unsigned>(start / from);
    uint64_t boundary = uint64_t{j + 1} * from;
    s[i] = area_span{j, static_cast<unsigned>(std::min(end, boundary) - start)};
  }
  return s;
}

}  // namespace

void start_area_sums(area_sums* s, unsigned channels, unsigned width, unsigned height,
                     unsigned new_width, unsigned new_height) {
  s->channels = channels;
  s->width = width;
  s->height = height;
  s->new_width = new_width;
  s->new_height = new_height;
  s->across = spans(width, new_width);
  s->down = spans(height, new_height);
  s->row.assign(size_t{new_width} * channels, 0);
  s->sums.assign(size_t{new_width} * new_height * channels, 0);
}

void add_area_row(area_sums* s, unsigned y, const unsigned char* pixels, unsigned first,
                  unsigned step, unsigned count) {
  if (!s->new_width || !s->new_height || y >= s->height) return;
  const unsigned channels = s->channels, new_width = s->new_width;
  // The old row across the new columns.
  std::fill(s->row.begin(), s->row.end(), 0);
  for (unsigned i = 0, x = first; i < count && x < s->width; ++i, x += step) {
    const area_span& a = s->across[x];
    for (unsigned c = 0; c < channels; ++c) {
      const uint64_t v = pixels[size_t{i} * channels + c];
      s->row[size_t{a.first_new} * channels + c] += v * a.share;
      if (a.share < new_width)  // the rest falls into the next new column
        s->row[size_t{a.first_new + 1} * channels + c] += v * (new_width - a.share);
    }
  }
  // ... and down into the new row it starts in and, straddling, the next.
  const area_span& d = s->down[y];
  uint64_t* now = s->sums.data() + size_t{d.first_new} * s->row.size();
  for (size_t k = 0; k < s->row.size(); ++k) now[k] += s->row[k] * d.share;
  if (d.share < s->new_height) {
    uint64_t* next = now + s->row.size();
    for (size_t k = 0; k < s->row.size(); ++k) next[k] += s->row[k] * (s->new_height - d.share);
  }
}

std::vector<unsigned char> area_result(const area_sums& s) {
  std::vector<unsigned char> out(s.sums.size());
  const double area = double(s.width) * s.height;  // the weight of one new pixel
  for (size_t k = 0; k < out.size(); ++k)
    out[k] = static_cast<unsigned char>(std::min(255.0, double(s.sums[k]) / area + 0.5));
  return out;
}

std::vector<unsigned char> scale_area(const unsigned char* pixels, unsigned channels,
                                      unsigned width, unsigned height, unsigned new_width,
                                      unsigned new_height) {
  area_sums s;
  start_area_sums(&s, channels, width, height, new_width, new_height);
  for (unsigned y = 0; y < height; ++y)
    add_area_row(&s, y, pixels + size_t{y} * width * channels, 0, 1, width);
  return area_result(s);
}
