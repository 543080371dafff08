#include "interim_decoders.h"

#include "bitmap_export.h"
#include "common/palm_bitmap.h"
#include "message.h"

bool interim_read_bitmap(byte_view bmp, const char* label, interim_image* image) {
  unsigned width, height, row_bytes, flags, pixel_size;
  if (!view_be16(bmp, kBmpWidth, &width) || !view_be16(bmp, kBmpHeight, &height) ||
      !view_be16(bmp, kBmpRowBytes, &row_bytes) || !view_be16(bmp, kBmpFlags, &flags) ||
      !view_u8(bmp, kBmpPixelSize, &pixel_size) || bmp.length < kBitmapHeaderSize) {
    message("%s: bitmap shorter than its header", label);
    return false;
  }
  if (pixel_size != 1 && pixel_size != 2) {
    message("%s: unsupported pixel size %u", label, pixel_size);
    return false;
  }
  if (row_bytes < (width * pixel_size + 7) / 8) {
    message("%s: %u bytes a row are too few for %u pixels", label, row_bytes, width);
    return false;
  }
  byte_view pixels = view_rest(bmp, kBitmapHeaderSize);
  size_t image_bytes = static_cast<size_t>(height) * row_bytes;
  std::vector<unsigned char> rows;
  if (flags & kBmpFlagCompressed) {
    // At least one flag byte a row: bounds the expanded size by the data.
    if (static_cast<size_t>(height) * ((row_bytes + 7) / 8) > pixels.length) {
      message("%s: compressed pixel data truncated", label);
      return false;
    }
    rows.resize(image_bytes);
    if (!decompress_scanlines(pixels, height, row_bytes, rows.data())) {
      message("%s: compressed pixel data truncated", label);
      return false;
    }
  } else {
    if (image_bytes > pixels.length) {
      message("%s: pixel data truncated", label);
      return false;
    }
    rows.assign(pixels.data, pixels.data + image_bytes);
  }
  image->width = width;
  image->height = height;
  image->rgb.clear();
  image->rgb.reserve(image_bytes * 3 * 8 / pixel_size);
  unsigned mask = (1u << pixel_size) - 1;
  for (unsigned y = 0; y < height; y++) {
    const unsigned char* row = rows.data() + static_cast<size_t>(y) * row_bytes;
    for (unsigned x = 0; x < width; x++) {
      unsigned bit = x * pixel_size;
      unsigned value = (row[bit / 8] >> (8 - pixel_size - bit % 8)) & mask;
      unsigned char sample = pixel_size == 1 ? (value ? 0 : 255) : kGreySample[value];
      image->rgb.insert(image->rgb.end(), 3, sample);
    }
  }
  return true;
}

bool interim_decode_byte_markup(byte_view data, const char* label,
                                const std::function<std::string(unsigned position)>& target,
                                std::string* html) {
  (void)target;
  size_t n = 0;
  while (n < data.length && data.data[n]) n++;
  *html = "<TITLE>" + std::string(reinterpret_cast<const char*>(data.data), n) + "</TITLE>";
  message("%s: byte-coded page body not decoded", label);
  return false;
}
