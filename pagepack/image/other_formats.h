// Image formats pagepack does not read, told by their first bytes, so that
// such a file is named for what it is rather than refused as a bad netpbm.
#pragma once

#include <cstddef>

// "an XPM image", "a WebP image" ... for the first n bytes of a file, or
// null when they name none of the formats known here.
const char* other_format_name(const unsigned char* head, size_t n);
