// Writes a Palm bitmap (a launcher icon entry or the data of an image record)
// as a P6 image file, and under -v shows its header and an XPM rendering.
#pragma once

#include "byte_view.h"

// inlength 0: `in` starts with an icon entry (a 16-bit word count N, then 2N
// bytes of bitmap); otherwise the bitmap is the first inlength bytes of `in`.
// filename may be null (no file). Returns the bytes to step over (2N + 2 for
// an icon entry, inlength for record data), -2 when the file cannot be
// created, -1 when the bitmap's extent runs past the end of `in`. A bitmap
// that cannot be exported is reported on standard error and writes nothing.
int dump_bitmap(byte_view in, int inlength, const char* filename);
