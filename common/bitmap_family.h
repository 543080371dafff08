// A bitmap family: renditions of one image at rising depths, one after the
// other, each pointing to the next by its next-depth offset, so that a
// handheld takes the deepest one it can show and an older one the first.
#pragma once

#include <vector>

#include "common/bitmap_compress.h"

// Chains `renditions` (whole bitmaps of version 1 or 2, each of even length)
// into one family: every rendition but the last is padded with zero bytes to
// whole 4-byte words and its next-depth offset set to that length in words.
// An offset that does not fit 16 bits leaves the family empty.
byte_string chain_family(const std::vector<byte_string>& renditions);
