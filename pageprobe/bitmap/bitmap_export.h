// Writes a Palm bitmap (the data of an image record, or the bitmap of a
// launcher icon entry) as a netpbm image, and under -v shows its headers and
// an XPM rendering.
#pragma once

#include <cstdio>

#include "byte_view.h"

// Shows every rendition's header under -v, then writes the rendition the
// export takes to out (when not null) and shows it as XPM under -v. False,
// after a message naming label, when it cannot be read; nothing is written
// to out then.
bool export_bitmap(byte_view bitmap, const char* label, FILE* out);
