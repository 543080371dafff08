#include "bitmap/site_png.h"

#include <cstring>

#include "bitmap/palm_bitmap_reader.h"
#include "common/bitmap_family.h"
#include "common/bitmap_rendition.h"
#include "common/dither.h"
#include "common/palm_bitmap.h"
#include "common/pqa_record.h"

namespace {

// The pixel values of a rendition, row by row at its real width.
std::vector<uint16_t> values_of(const palm_pixels& p) {
  std::vector<uint16_t> values;
  values.reserve(size_t{p.width} * p.height);
  for (unsigned y = 0; y < p.height; y++)
    for (unsigned x = 0; x < p.width; x++) values.push_back(static_cast<uint16_t>(pixel_value(p, x, y)));
  return values;
}

}  // namespace

bool png_for_bitmap(byte_view bitmap, bool compress, unsigned colour, png_pixels* png) {
  const std::vector<bitmap_header> family = read_bitmap_family(bitmap, nullptr);
  palm_pixels grey;
  if (family.size() != (colour ? 2u : 1u) || bitmap_depth(family[0]) != 2 ||
      !decode_bitmap(bitmap, family[0], nullptr, &grey) || grey.has_table || !grey.width ||
      !grey.height)
    return false;
  const std::vector<uint16_t> values = values_of(grey);
  png->width = grey.width;
  png->height = grey.height;
  png->grey = true;
  png->samples.resize(values.size());
  for (size_t i = 0; i < values.size(); i++) png->samples[i] = kGreySample[values[i]];
  if (colour) return false;
  // What pagepack makes of the PNG: each grey in its band, packed and
  // compressed as it writes every bitmap. Compressed, the rows must still fit
  // a record expanded, as pagepack checks before it reads.
  std::vector<uint16_t> read(values.size());
  for (size_t i = 0; i < read.size(); i++) read[i] = static_cast<uint16_t>(grey_band(png->samples[i]));
  if (compress && kBitmapHeaderSize + size_t{grey.row_bytes} * grey.height > kRecordBufferSize)
    return false;
  const byte_string made = pack_rendition(read, grey.width, grey.height, 2, compress);
  return made.size() == bitmap.length && !memcmp(made.data(), bitmap.data, made.size());
}
