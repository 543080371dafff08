// Writes rows of RGB pixels as a PNG file, through libpng; every write and
// the close are checked.
#pragma once

#include <string>
#include <vector>

// rgb holds height rows of width pixels, 3 bytes each. False, with a message
// naming path and the exit status set to 1, when the file cannot be made or
// written; width or height 0 is refused the same way (PNG has no empty image).
bool write_png(const std::string& path, unsigned width, unsigned height,
               const std::vector<unsigned char>& rgb);
