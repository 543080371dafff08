// Stand-ins for the full bitmap reader and the byte-coded page decoder, with
// their shapes, until those join pageprobe: the preview calls these two and
// switches by a rename. Delete this file then.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "byte_view.h"

struct interim_image {
  unsigned width = 0, height = 0;   // real width in pixels
  std::vector<unsigned char> rgb;   // height rows of width pixels, R G B
};

// 1- and 2-bit bitmaps without colour table, plain or scan-line compressed,
// in the grey levels of the export. False, with a message naming label, else.
bool interim_read_bitmap(byte_view bitmap, const char* label, interim_image* image);

// Gives only the page's title field (the text up to its first zero byte) as
// a TITLE element and returns false, with a message naming label: the body
// waits for the byte-coded decoder.
bool interim_decode_byte_markup(byte_view data, const char* label,
                                const std::function<std::string(unsigned position)>& target,
                                std::string* html);
