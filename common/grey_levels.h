// Colour and transparency to grey, the way netpbm's converters compute it, so
// that an image packed directly gives the bitmap of its netpbm conversion.
#pragma once

// Samples are on a scale of 0 to maxval (1 to 65535).

// The luma of a colour on the same scale, as ppmtopgm computes it: integer
// weights 77/150/29 (sum 256) up to maxval 255, the BT.601 weights in
// floating point above.
unsigned luma(unsigned red, unsigned green, unsigned blue, unsigned maxval);

// A sample of a pixel with opacity alpha laid over white (the page
// background), as pngtopnm -mix -background=white does.
unsigned over_white(unsigned sample, unsigned alpha, unsigned maxval);

// A sample rescaled to 0-255, rounded to nearest.
unsigned char to_8bit(unsigned sample, unsigned maxval);

// One pixel of `channels` samples (1 grey, 2 grey and alpha, 3 red green blue,
// 4 red green blue alpha) as an 8-bit grey: mixed over white, then luma, then
// rescaled.
unsigned char grey_of(const unsigned* samples, unsigned channels, unsigned maxval);

// The same pixel as 8-bit red, green and blue at out[0..2], mixed over white.
void rgb_of(const unsigned* samples, unsigned channels, unsigned maxval, unsigned char* out);
