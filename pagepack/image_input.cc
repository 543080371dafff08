#include "image_input.h"

#include <cstring>

#include "bitmap_encoder.h"

int read_image(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  unsigned char head[8] = {0};
  size_t n = fread(head, 1, sizeof head, f);
  if (fseek(f, 0, SEEK_SET) != 0) {
    *why = "cannot be read from its start again";
    return kBitmapBadImage;
  }
  static const unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n == 8 && !memcmp(head, png_signature, 8)) return read_png(f, fits, image, why);
  if (n >= 6 && (!memcmp(head, "GIF87a", 6) || !memcmp(head, "GIF89a", 6)))
    return read_gif(f, fits, image, why);
  if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
    return read_jpeg(f, fits, image, why);
  if (n >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7')
    return read_netpbm(f, fits, image, why);
  // Anything else is read as it always was, and mostly refused for its size line.
  return read_raw_netpbm(f, fits, image, why);
}
