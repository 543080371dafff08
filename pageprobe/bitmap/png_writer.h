// Writes rows of RGB or grey pixels as a PNG file, through libpng; every
// write and the close are checked.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Makes the new file `name` in the folder dir. rgb holds height rows of
// width pixels, 3 bytes each. False, with a message naming label and the exit
// status set to 1, when the file cannot be made or written; width or height 0
// is refused the same way (PNG has no empty image).
bool write_png(int dir, const std::string& name, const std::string& label, unsigned width,
               unsigned height, const std::vector<unsigned char>& rgb);

// Writes the PNG of height rows of width pixels to the open file f: one
// sample a pixel when grey (an 8-bit greyscale PNG), else three (RGB).
// False, with libpng's reason in *why, when the pixels are too few or libpng
// gives up; a failed write shows in f's error state too.
bool write_png_pixels(FILE* f, unsigned width, unsigned height, bool grey,
                      const std::vector<unsigned char>& samples, std::string* why);
