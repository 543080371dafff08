// A file that holds a Palm bitmap itself (--bitmap=NAME), as pnmtopalm or
// pageprobe -s writes it: any version, depth, compression or family, stored
// as it is once it reads as a bitmap.
#pragma once

#include <cstddef>
#include <string>

// Why the bytes are not a bitmap a reader can walk, or "" when they are: every
// rendition of the chain has a header of a known version, a side of at most
// 32,767 pixels, a depth of 1, 2, 4, 8 or 16 bits, rows wide enough for its
// pixels, and pixel data that lie inside the bytes and, when compressed,
// expand to exactly its rows, at most 256 KB. Two zero bytes are the empty
// bitmap of an image that could not be read.
std::string palm_bitmap_problem(const unsigned char* data, size_t length);

// Copies the bitmap file `filename` to out (at most `room` bytes) after
// checking it; returns its length, or -1 with *why (for a message).
int read_palm_bitmap_file(const char* filename, unsigned char* out, size_t room,
                          std::string* why);
