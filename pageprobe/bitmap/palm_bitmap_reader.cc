#include "bitmap/palm_bitmap_reader.h"

#include <cstdarg>
#include <cstring>
#include <string>

#include "bitmap/palm_decompress.h"
#include "common/palm_bitmap.h"
#include "message.h"

namespace {

// A message naming label; none when label is null (a trial).
__attribute__((format(printf, 2, 3))) void tell(const char* label, const char* format, ...) {
  if (!label) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatted(format, args);
  va_end(args);
  message("%s: %s", label, text.c_str());
}

constexpr unsigned kV3HeaderSize = 24;
constexpr unsigned kDummyPixelSize = 0xFF;  // stands in front of high-density renditions
constexpr unsigned kCompressionNone = 0xFF;  // versions 2 and 3: compressed flag, yet plain

// Reads the header at `start`; false when the data ends inside it.
bool read_header(byte_view data, size_t start, bitmap_header* h) {
  byte_view b = view_rest(data, start);
  if (!view_has(b, 0, kBitmapHeaderSize)) return false;
  *h = bitmap_header();
  h->start = start;
  view_be16(b, kBmpWidth, &h->width);
  view_be16(b, kBmpHeight, &h->height);
  view_be16(b, kBmpRowBytes, &h->row_bytes);
  view_be16(b, kBmpFlags, &h->flags);
  view_u8(b, kBmpPixelSize, &h->pixel_size);
  view_u8(b, kBmpVersion, &h->version);
  unsigned words = 0;
  switch (h->version) {
    case 0:  // pnmtopalm sets the field in version 0 bitmaps too
    case 1:
      view_be16(b, kBmpNextDepthOffset, &words);
      h->next = 4u * words;
      break;
    case 2:
      view_be16(b, kBmpNextDepthOffset, &words);
      h->next = 4u * words;
      view_u8(b, kBmpTransparentIndex, &h->transparent_index);
      view_u8(b, kBmpCompressionType, &h->compression);
      break;
    case 3: {
      if (!view_has(b, 0, kV3HeaderSize)) return false;
      view_u8(b, 10, &h->header_size);
      // Fields run to byte 24 whatever the size byte says.
      if (h->header_size < kV3HeaderSize) h->header_size = kV3HeaderSize;
      view_u8(b, 11, &h->pixel_format);
      view_u8(b, kBmpCompressionType, &h->compression);
      view_be16(b, 14, &h->density);
      view_be32(b, 16, &h->transparent_value);
      uint32_t next = 0;
      view_be32(b, 20, &next);
      h->next = next;
      break;
    }
    default:
      // Versions above 3 are no layout Palm OS defines: read as a lone
      // version 1 bitmap.
      break;
  }
  return true;
}

bool known_depth(unsigned depth) {
  return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
}

bool readable(const bitmap_header& h) {
  return known_depth(bitmap_depth(h)) && (h.version != 3 || h.pixel_format <= 1);
}

// Reads the colour table at *pos into p; false when it runs past the data.
bool read_colour_table(byte_view bmp, size_t* pos, palm_pixels* p) {
  unsigned count;
  if (!view_be16(bmp, *pos, &count)) return false;
  // Tables claiming more (4096 occurs) hold 256.
  if (count > 256) count = 256;
  byte_view entries;
  if (!view_sub(bmp, *pos + 2, 4u * count, &entries)) return false;
  for (unsigned i = 0; i < count; i++) {
    const unsigned char* e = entries.data + 4 * i;
    p->table[e[0]] = rgb_colour{e[1], e[2], e[3]};
  }
  p->has_table = true;
  p->table_entries = count;
  *pos += 2 + entries.length;
  return true;
}

// Fills p->rows from the pixel data at pos. Null, or why it failed.
const char* expand_rows(byte_view bmp, size_t pos, const bitmap_header& h, palm_pixels* p) {
  size_t size = static_cast<size_t>(h.height) * h.row_bytes;
  // Compression type 0xFF of versions 2 and 3 is none: the pixels follow as
  // they are, without a size word (as palmtopnm reads them).
  const bool plain = !(h.flags & kBmpFlagCompressed) ||
                     ((h.version == 2 || h.version == 3) && h.compression == kCompressionNone);
  if (plain) {
    byte_view pixels;
    if (!view_sub(bmp, pos, size, &pixels)) return "pixel data truncated";
    p->rows.assign(pixels.data, pixels.data + pixels.length);
    return nullptr;
  }
  // Versions 2 and 3 put a size word (16 and 32 bits) in front of the stream;
  // it is not trusted: the stream runs to the end of the rendition.
  unsigned compression = 0;
  if (h.version == 2 || h.version == 3) {
    pos += h.version == 2 ? kBmpSizeWordV2 : 4;
    compression = h.compression;
  }
  if (compression > 2) return nullptr;  // the caller reports it
  unsigned unit = p->depth == 16 ? 2 : 1;
  byte_view stream = view_rest(bmp, pos);
  if (size > largest_expansion(compression, stream.length, h.row_bytes, unit))
    return "compressed pixel data truncated";
  p->rows.assign(size, 0);
  switch (compression) {
    case 0:
      return decompress_scanlines(stream, h.height, h.row_bytes, p->rows.data())
                 ? nullptr
                 : "compressed pixel data truncated";
    case 1:
      return decompress_rle(stream, size, p->rows.data());
    default:
      return decompress_packbits(stream, size, unit, p->rows.data());
  }
}

}  // namespace

std::vector<bitmap_header> read_bitmap_family(byte_view data, const char* label) {
  std::vector<bitmap_header> family;
  size_t start = 0;
  for (;;) {
    bitmap_header h;
    if (!read_header(data, start, &h)) {
      if (family.empty() && start == 0)
        tell(label, "bitmap shorter than its header");
      else
        tell(label, "bitmap at byte %zu shorter than its header: no further renditions", start);
      break;
    }
    if (h.pixel_size == kDummyPixelSize && h.version < 3) {
      start += kBitmapHeaderSize;  // a stand-in header: the rendition follows it
      continue;
    }
    family.push_back(h);
    if (h.next == 0 || h.version > 3) break;
    if (h.next < h.header_size) {
      tell(label, "next bitmap offset %zu points into its own header: no further renditions",
           h.next);
      break;
    }
    if (h.next >= data.length - start) {
      tell(label, "next bitmap offset %zu points past the data: no further renditions", h.next);
      break;
    }
    start += h.next;
  }
  for (size_t i = 0; i < family.size(); i++)
    family[i].length =
        (i + 1 < family.size() ? family[i + 1].start : data.length) - family[i].start;
  return family;
}

size_t best_rendition(const std::vector<bitmap_header>& family) {
  size_t best = 0;
  for (size_t i = 1; i < family.size(); i++) {
    const bitmap_header& a = family[i];
    const bitmap_header& b = family[best];
    if (!readable(a)) continue;
    if (!readable(b) || bitmap_depth(a) > bitmap_depth(b) ||
        (bitmap_depth(a) == bitmap_depth(b) && a.density > b.density))
      best = i;
  }
  return best;
}

bool decode_bitmap(byte_view data, const bitmap_header& h, const char* label, palm_pixels* out) {
  byte_view bmp;
  if (!view_sub(data, h.start, h.length, &bmp) || bmp.length < h.header_size) {
    tell(label, "bitmap shorter than its header");
    return false;
  }
  palm_pixels& p = *out;
  p = palm_pixels();
  p.width = h.width;
  p.height = h.height;
  p.row_bytes = h.row_bytes;
  p.depth = bitmap_depth(h);
  if (!known_depth(p.depth)) {
    tell(label, "unsupported pixel size %u", h.pixel_size);
    return false;
  }
  if (h.version == 3 && h.pixel_format > 1) {
    tell(label, "unsupported pixel format %u (little-endian)", h.pixel_format);
    return false;
  }
  size_t used_bytes = (static_cast<size_t>(h.width) * p.depth + 7) / 8;
  if (h.row_bytes < used_bytes) {
    tell(label, "%u bytes a row are too few for %u pixels", h.row_bytes, h.width);
    return false;
  }
  size_t pos = h.header_size;
  if (p.depth <= 8)
    for (unsigned i = 0; i < 256; i++) p.table[i] = default_colour(p.depth, i);
  if ((h.flags & kBmpFlagColourTable) && !read_colour_table(bmp, &pos, &p)) {
    tell(label, "colour table runs past the end of the bitmap");
    return false;
  }
  // Versions 1 and 2 of direct colour keep the bits of each component and the
  // transparent colour in front of the pixels; only 5-6-5 occurs.
  if (p.depth == 16 && (h.version == 1 || h.version == 2) && (h.flags & kBmpFlagDirectColour)) {
    if (!view_has(bmp, pos, kBmpDirectInfoSize)) {
      tell(label, "pixel data truncated");
      return false;
    }
    pos += kBmpDirectInfoSize;
  }
  // A few compressed bytes can announce megabytes of pixels: what a bitmap
  // expands to is bounded before anything is allocated.
  const size_t pixel_bytes = static_cast<size_t>(h.height) * h.row_bytes;
  if (pixel_bytes > kMaxPixelBytes) {
    tell(label, "%u rows of %u bytes are more than the %zu bytes a bitmap may hold: not read",
         h.height, h.row_bytes, kMaxPixelBytes);
    return false;
  }
  if ((h.flags & kBmpFlagCompressed) && (h.version == 2 || h.version == 3) && h.compression > 2 &&
      h.compression != kCompressionNone) {
    tell(label, "unsupported compression type %u", h.compression);
    return false;
  }
  if (const char* why = expand_rows(bmp, pos, h, &p)) {
    tell(label, "%s", why);
    return false;
  }
  return true;
}

unsigned pixel_value(const palm_pixels& p, unsigned x, unsigned y) {
  const unsigned char* row = p.rows.data() + static_cast<size_t>(y) * p.row_bytes;
  switch (p.depth) {
    case 16:
      return get_be16(row + 2 * static_cast<size_t>(x));
    case 8:
      return row[x];
    default: {
      unsigned per_byte = 8 / p.depth;
      unsigned shift = 8 - p.depth * (x % per_byte + 1);
      return (row[x / per_byte] >> shift) & ((1u << p.depth) - 1);
    }
  }
}

rgb_colour pixel_colour(const palm_pixels& p, unsigned value) {
  if (p.depth == 16) {
    // 5-6-5, each component scaled to 0..255 and rounded down.
    unsigned r = value >> 11, g = (value >> 5) & 63, b = value & 31;
    return rgb_colour{static_cast<unsigned char>(r * 255 / 31),
                      static_cast<unsigned char>(g * 255 / 63),
                      static_cast<unsigned char>(b * 255 / 31)};
  }
  return p.table[value & 255];
}

bool read_palm_bitmap(byte_view bitmap, const char* label, palm_image* image) {
  std::vector<bitmap_header> family = read_bitmap_family(bitmap, label);
  if (family.empty()) return false;
  palm_pixels p;
  if (!decode_bitmap(bitmap, family[best_rendition(family)], label, &p)) return false;
  image->width = p.width;
  image->height = p.height;
  image->rgb.clear();
  image->rgb.reserve(static_cast<size_t>(p.width) * p.height * 3);
  for (unsigned y = 0; y < p.height; y++)
    for (unsigned x = 0; x < p.width; x++) {
      rgb_colour c = pixel_colour(p, pixel_value(p, x, y));
      image->rgb.push_back(c.r);
      image->rgb.push_back(c.g);
      image->rgb.push_back(c.b);
    }
  return true;
}
