#include "common/bitmap_family.h"

#include "big_endian.h"
#include "common/palm_bitmap.h"

byte_string chain_family(const std::vector<byte_string>& renditions) {
  byte_string family;
  for (size_t i = 0; i < renditions.size(); ++i) {
    const size_t start = family.size();
    family.insert(family.end(), renditions[i].begin(), renditions[i].end());
    if (i + 1 == renditions.size()) break;
    family.resize((family.size() + 3) / 4 * 4, 0);
    const size_t words = (family.size() - start) / 4;
    if (words > 0xFFFF) return byte_string();
    put_be16(&family[start + kBmpNextDepthOffset], static_cast<uint32_t>(words));
  }
  return family;
}
