#include "bitmap/bitmap_export.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bitmap/palm_bitmap_reader.h"
#include "probe_state.h"

namespace {

// The header lines of one rendition: those of every version, then the fields
// that versions 2 and 3 add.
void print_header(const bitmap_header& h, byte_view data) {
  printf("length (bytes): %zu\n", h.length);
  printf("x= %u\n", h.width);
  printf("y= %u\n", h.height);
  printf("byte/row= %u\n", h.row_bytes);
  printf("flags = %04x\n", h.flags);
  printf("bits per pixel: %u\n", h.pixel_size);
  printf("version: %u\n", h.version);
  for (int i = 0; i < 6; i++) printf("%02x ", data.data[h.start + 10 + i]);
  printf("\n");
  if (h.version == 2) {
    printf("transparent index: %u\n", h.transparent_index);
    printf("compression type: %u\n", h.compression);
    printf("next bitmap offset: %zu bytes\n", h.next);
  } else if (h.version == 3) {
    printf("header size: %u\n", h.header_size);
    printf("pixel format: %u\n", h.pixel_format);
    printf("compression type: %u\n", h.compression);
    printf("density: %u\n", h.density);
    printf("transparent value: %08x\n", static_cast<unsigned>(h.transparent_value));
    printf("next bitmap offset: %zu bytes\n", h.next);
  }
}

// The width a file or rendering shows: the classic greys as wide as the
// whole bytes of a row hold, everything else at its real width.
unsigned shown_width(const palm_pixels& p) {
  if (!classic_greys(p) || sflag) return p.width;
  unsigned used_bytes = (p.width * p.depth + 7) / 8;
  return used_bytes * 8 / p.depth;
}

// The image file: P6 in the file's colours; under -s the classic greys as P5
// at real width, which pagepack reads back to the same pixel values.
void write_image(FILE* f, const palm_pixels& p) {
  unsigned width = shown_width(p);
  bool grey = sflag && classic_greys(p);
  if (sflag)
    fprintf(f, "%s\n%u %u\n255\n", grey ? "P5" : "P6", width, p.height);
  else
    fprintf(f, "P6\n#Created by Velkin decompile\n%u %u\n255\n", width, p.height);
  std::string row;
  for (unsigned y = 0; y < p.height; y++) {
    row.clear();
    for (unsigned x = 0; x < width; x++) {
      rgb_colour c = pixel_colour(p, pixel_value(p, x, y));
      if (grey) {
        row.push_back(static_cast<char>(c.r));
      } else {
        row.push_back(static_cast<char>(c.r));
        row.push_back(static_cast<char>(c.g));
        row.push_back(static_cast<char>(c.b));
      }
    }
    fwrite(row.data(), 1, row.size(), f);
  }
}

const char kXpmChars1[2] = {'.', '*'};
const char kXpmChars2[4] = {'.', '!', 'X', '*'};
// Characters for the colours of every other bitmap: printable, without the
// quote and the backslash that XPM strings cannot hold as they are.
const char kXpmAlphabet[] =
    ".*#+@$%&=-;:>,<1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr unsigned kXpmAlphabetSize = sizeof kXpmAlphabet - 1;

// The fixed rendering of the classic greys: their header and colour lines.
void print_classic_xpm_header(const palm_pixels& p, unsigned width) {
  if (p.depth == 1) {
    printf("\"%u %u 2 1\",\n", width, p.height);
    printf("\".      c White\",\n");
    printf("\"*      c Black\",\n");
  } else {
    printf("\"%u %u 4 1\",\n", width, p.height);
    printf("\"*      c Black\",\n");
    printf("\"X      c gray33\",\n");
    printf("\"!      c gray66\",\n");
    printf("\".      c White\",\n");
  }
}

std::string xpm_code(unsigned index, unsigned chars) {
  std::string code;
  for (unsigned i = 0; i < chars; i++, index /= kXpmAlphabetSize)
    code.push_back(kXpmAlphabet[index % kXpmAlphabetSize]);
  return code;
}

uint32_t packed(rgb_colour c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

// The XPM rendering. The classic greys keep their fixed characters; other
// bitmaps name each colour they use by #rrggbb, in order of first use, with
// as many characters a pixel as that many colours need.
void print_xpm(const palm_pixels& p) {
  unsigned width = shown_width(p);
  bool classic = classic_greys(p);
  std::map<uint32_t, unsigned> colours;  // packed colour -> its number
  std::vector<uint32_t> in_order;
  if (!classic)
    for (unsigned y = 0; y < p.height; y++)
      for (unsigned x = 0; x < width; x++) {
        uint32_t c = packed(pixel_colour(p, pixel_value(p, x, y)));
        if (colours.emplace(c, static_cast<unsigned>(in_order.size())).second)
          in_order.push_back(c);
      }
  unsigned chars = 1;
  for (size_t reach = kXpmAlphabetSize; reach < in_order.size(); reach *= kXpmAlphabetSize) chars++;

  printf("static char * icon[] = {\n");
  if (classic) {
    print_classic_xpm_header(p, width);
  } else {
    printf("\"%u %u %zu %u\",\n", width, p.height, in_order.size(), chars);
    for (size_t i = 0; i < in_order.size(); i++) {
      std::string code = xpm_code(static_cast<unsigned>(i), chars);
      code.resize(7, ' ');  // the column of the classic colour lines
      printf("\"%sc #%06x\",\n", code.c_str(), static_cast<unsigned>(in_order[i]));
    }
  }
  printf("\"");
  std::string row;
  for (unsigned y = 0; y < p.height; y++) {
    row.clear();
    for (unsigned x = 0; x < width; x++) {
      unsigned value = pixel_value(p, x, y);
      if (!classic)
        row += xpm_code(colours[packed(pixel_colour(p, value))], chars);
      else
        row.push_back(p.depth == 1 ? kXpmChars1[value] : kXpmChars2[value]);
    }
    if (y > 0) fputs("\",\n\"", stdout);
    fwrite(row.data(), 1, row.size(), stdout);
  }
  printf("\"\n};\n");
}

// Shows every rendition's header under -v and decodes the one to export.
bool decode_family(byte_view bmp, const char* label, palm_pixels* pixels) {
  std::vector<bitmap_header> family = read_bitmap_family(bmp, label);
  if (family.empty()) return false;
  size_t best = best_rendition(family);
  if (vflag) {
    for (size_t i = 0; i < family.size(); i++) {
      if (i > 0) printf("rendition %zu at byte %zu:\n", i + 1, family[i].start);
      print_header(family[i], bmp);
    }
    if (family.size() > 1) printf("exported: rendition %zu\n", best + 1);
  }
  return decode_bitmap(bmp, family[best], label, pixels);
}

}  // namespace

bool export_bitmap(byte_view bitmap, const char* label, FILE* out) {
  palm_pixels pixels;
  if (!decode_family(bitmap, label, &pixels)) return false;
  if (out) write_image(out, pixels);
  if (vflag) print_xpm(pixels);
  return true;
}
