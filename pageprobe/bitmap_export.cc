#include "bitmap_export.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/palm_bitmap.h"
#include "output_file.h"
#include "probe_state.h"

bool decompress_scanlines(byte_view stream, unsigned height, unsigned row_bytes,
                          unsigned char* rows) {
  size_t pos = 0;
  for (unsigned i = 0; i < height; i++) {
    unsigned char* row = rows + static_cast<size_t>(i) * row_bytes;
    const unsigned char* above = i > 0 ? row - row_bytes : nullptr;
    for (unsigned group = 0; group < row_bytes; group += 8) {
      unsigned flag;
      if (!view_u8(stream, pos++, &flag)) return false;
      unsigned n = row_bytes - group < 8 ? row_bytes - group : 8;
      for (unsigned j = 0; j < n; j++, flag <<= 1) {
        unsigned byte;
        if (flag & 0x80) {
          if (!view_u8(stream, pos++, &byte)) return false;
        } else {
          // The first row has no row above: such bytes stay white (0).
          byte = above ? above[group + j] : 0;
        }
        row[group + j] = static_cast<unsigned char>(byte);
      }
    }
  }
  return true;
}

static const char kXpmChars1[2] = {'.', '*'};
static const char kXpmChars2[4] = {'.', '!', 'X', '*'};

int dump_bitmap(byte_view in, int inlength, const char* filename) {
  const char* label = filename ? filename : "bitmap";
  byte_view bmp;
  int result;
  if (inlength == 0) {
    unsigned words;
    if (!view_be16(in, 0, &words) || !view_sub(in, 2, 2u * words, &bmp)) {
      fprintf(stderr, "%s: icon entry runs past the end of its block\n", label);
      return -1;
    }
    result = 2 * static_cast<int>(words) + 2;
    if (words == 0) {
      // No icon: the file is still made, and stays empty.
      output_file empty;
      if (filename && !empty.create(filename)) {
        fprintf(stderr, "can't create %s\n", filename);
        return -2;
      }
      if (filename) empty.finish();
      return result;
    }
  } else {
    if (inlength < 0 || !view_sub(in, 0, static_cast<size_t>(inlength), &bmp)) {
      fprintf(stderr, "%s: bitmap runs past the end of its data\n", label);
      return -1;
    }
    result = inlength;
  }

  unsigned width, height, row_bytes, flags, pixel_size;
  if (!view_be16(bmp, kBmpWidth, &width) || !view_be16(bmp, kBmpHeight, &height) ||
      !view_be16(bmp, kBmpRowBytes, &row_bytes) || !view_be16(bmp, kBmpFlags, &flags) ||
      !view_u8(bmp, kBmpPixelSize, &pixel_size) || bmp.length < kBitmapHeaderSize) {
    fprintf(stderr, "%s: bitmap shorter than its header\n", label);
    return result;
  }
  if (pixel_size != 1 && pixel_size != 2) {
    fprintf(stderr, "%s: unsupported pixel size %u\n", label, pixel_size);
    return result;
  }
  unsigned used_bytes = (width * pixel_size + 7) / 8;  // V: bytes holding real pixels
  unsigned out_width = used_bytes * 8 / pixel_size;    // W
  if (row_bytes < used_bytes) {
    fprintf(stderr, "%s: %u bytes a row are too few for %u pixels\n", label, row_bytes, width);
    return result;
  }

  byte_view pixels = view_rest(bmp, kBitmapHeaderSize);
  size_t image_bytes = static_cast<size_t>(height) * row_bytes;
  std::vector<unsigned char> expanded;
  const unsigned char* rows;
  if (flags & kBmpFlagCompressed) {
    // Every row takes at least one flag byte per group of 8 bytes, which
    // bounds the expanded size by the stream's own length.
    size_t groups = (row_bytes + 7) / 8;
    if (static_cast<size_t>(height) * groups > pixels.length) {
      fprintf(stderr, "%s: compressed pixel data truncated\n", label);
      return result;
    }
    expanded.resize(image_bytes);
    if (!decompress_scanlines(pixels, height, row_bytes, expanded.data())) {
      fprintf(stderr, "%s: compressed pixel data truncated\n", label);
      return result;
    }
    rows = expanded.data();
  } else {
    if (image_bytes > pixels.length) {
      fprintf(stderr, "%s: pixel data truncated\n", label);
      return result;
    }
    rows = pixels.data;
  }

  output_file file;
  if (filename) {
    if (!file.create(filename)) {
      fprintf(stderr, "can't create %s\n", filename);
      return -2;
    }
  }

  if (vflag) {
    printf("length (bytes): %u\n", static_cast<unsigned>(bmp.length));
    printf("x= %u\n", width);
    printf("y= %u\n", height);
    printf("byte/row= %u\n", row_bytes);
    printf("flags = %04x\n", flags);
    printf("bits per pixel: %u\n", pixel_size);
    printf("version: %u\n", static_cast<unsigned>(bmp.data[kBmpVersion]));
    for (int i = 0; i < 6; i++) printf("%02x ", bmp.data[kBmpReserved + i]);
    printf("\n");
  }
  // -s: a greymap at the real width, which pagepack packs into the same bitmap.
  if (file && sflag) fprintf(file.get(), "P5\n%u %u\n255\n", width, height);
  if (file && !sflag)
    fprintf(file.get(), "P6\n#Created by Velkin decompile\n%u %u\n255\n", out_width, height);
  if (vflag) {
    printf("static char * icon[] = {\n");
    if (pixel_size == 1) {
      printf("\"%u %u 2 1\",\n", out_width, height);
      printf("\".      c White\",\n");
      printf("\"*      c Black\",\n");
    } else {
      printf("\"%u %u 4 1\",\n", out_width, height);
      printf("\"*      c Black\",\n");
      printf("\"X      c gray33\",\n");
      printf("\"!      c gray66\",\n");
      printf("\".      c White\",\n");
    }
    printf("\"");
  }

  unsigned per_byte = 8 / pixel_size;
  unsigned mask = (1u << pixel_size) - 1;
  std::string ppm_row, xpm_row;
  for (unsigned i = 0; i < height; i++) {
    const unsigned char* row = rows + static_cast<size_t>(i) * row_bytes;
    ppm_row.clear();
    xpm_row.clear();
    for (unsigned j = 0; j < used_bytes; j++) {
      for (unsigned k = 0; k < per_byte; k++) {
        unsigned value = (row[j] >> (8 - pixel_size * (k + 1))) & mask;
        unsigned char sample = pixel_size == 1 ? (value ? 0 : 255) : kGreySample[value];
        if (!sflag)
          ppm_row.append(3, static_cast<char>(sample));
        else if (j * per_byte + k < width)
          ppm_row.push_back(static_cast<char>(sample));
        xpm_row.push_back(pixel_size == 1 ? kXpmChars1[value] : kXpmChars2[value]);
      }
    }
    if (file) fwrite(ppm_row.data(), 1, ppm_row.size(), file.get());
    if (vflag) {
      if (i > 0) fputs("\",\n\"", stdout);
      fwrite(xpm_row.data(), 1, xpm_row.size(), stdout);
    }
  }
  if (vflag) printf("\"\n};\n");
  if (file) file.finish();
  return result;
}
