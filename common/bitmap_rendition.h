// One rendition of a Palm bitmap as pagepack writes it, from its pixel
// values: the rows, their compressed form and the header. pageprobe -s makes
// the same bytes to check that an image comes back from the file it writes.
#pragma once

#include <cstdint>
#include <vector>

#include "common/bitmap_compress.h"

// One Palm bitmap of width x height pixel values at `depth` bits a pixel (1,
// 2, 8 or 16): version 1, or version 2 when compressed or in direct colour;
// positions past the width are black at 1 and 2 bits, 0 at 8. With
// `compress`, the smallest compressed form unless the rows alone are smaller.
// Padded to an even length.
byte_string pack_rendition(const std::vector<uint16_t>& values, unsigned width,
                           unsigned height, unsigned depth, bool compress);
