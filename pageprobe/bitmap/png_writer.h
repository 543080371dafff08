// Writes rows of RGB pixels as a PNG file, through libpng; every write and
// the close are checked.
#pragma once

#include <string>
#include <vector>

// Makes the new file `name` in the folder dir. rgb holds height rows of
// width pixels, 3 bytes each. False, with a message naming label and the exit
// status set to 1, when the file cannot be made or written; width or height 0
// is refused the same way (PNG has no empty image).
bool write_png(int dir, const std::string& name, const std::string& label, unsigned width,
               unsigned height, const std::vector<unsigned char>& rgb);
