// Writes a Palm bitmap (a launcher icon entry or the data of an image record)
// as a netpbm image file, and under -v shows its headers and an XPM rendering.
#pragma once

#include "byte_view.h"

// Results of dump_bitmap below zero.
enum : int {
  kBitmapPastEnd = -1,  // the bitmap's extent runs past the end of `in`
  kBitmapNoFile = -2,   // the output file cannot be created
};

// inlength 0: `in` starts with an icon entry (a 16-bit word count N, then 2N
// bytes of bitmap); otherwise the bitmap is the first inlength bytes of `in`.
// filename may be null (no file); a named file is created before anything
// is read, so a bitmap that cannot be exported leaves it empty. Returns the
// bytes to step over (2N + 2 for an icon entry, inlength for record data), or
// one of the results above. Problems are reported through message().
int dump_bitmap(byte_view in, int inlength, const char* filename);
