#include "common/bitmap_compress.h"

#include "common/palm_system_palette.h"
#include "image/bitmap_encoder.h"
#include "common/dither.h"
#include "pagepack/image/image_test_util.h"
#include "pagepack_test_util.h"

namespace {

// What pnmtopalm writes for the rows of `bmp` (an uncompressed bitmap of
// pack_rendition) with `flag` (-scanline_compression ...): it is given the
// pixel values at the width the rows hold, padding included, since it pads
// with white where the bands pad with black.
std::string pnmtopalm_of(const byte_string& bmp, unsigned depth, const char* flag,
                         const std::string& dir) {
  const unsigned height = bmp[2] << 8 | bmp[3], row_bytes = bmp[4] << 8 | bmp[5];
  const unsigned width = row_bytes * 8 / depth, top = (1u << depth) - 1;
  std::vector<unsigned char> samples;
  for (unsigned y = 0; y < height; ++y)
    for (unsigned x = 0; x < width; ++x) {
      const unsigned char byte = bmp[16 + y * row_bytes + x * depth / 8];
      const unsigned v = depth == 8 ? byte : (byte >> (8 - depth - x * depth % 8)) & top;
      if (depth == 8) {
        palette_rgb c = system_palette_entry(v);
        samples.insert(samples.end(), {c.r, c.g, c.b});
      } else {
        samples.push_back(static_cast<unsigned char>((top - v) * 255 / top));
      }
    }
  write_file(dir + "/in.pnm", netpbm_file(samples, depth == 8 ? 3 : 1, width, height));
  RunResult r =
      run_shell("pnmtopalm -depth " + std::to_string(depth) + " " + flag + " in.pnm", dir);
  return r.status ? "pnmtopalm failed: " + r.err : r.out;
}

using PagepackCompress = PagepackDirTest;

// Each compression gives, row for row, the bytes of netpbm's pnmtopalm for the
// same pixels, at 1, 2 and 8 bits a pixel, on the greys and colours of a
// photograph and on rows made to hit the limits of the runs; the smallest
// one is what a bitmap is stored with.
TEST_F(PagepackCompress, SameBytesAsPnmtopalm) {
  grey_image photo;
  ASSERT_TRUE(read_whole(PQA_EXAMPLES "/photo.jpg", &photo));
  struct Case {
    unsigned depth, width, height;
    std::vector<uint16_t> values;
  };
  std::vector<Case> cases = {
      {2, 80, 60, dither_greys(photo.grey.data(), 80, 60)},
      {8, 80, 60, dither_palette(photo.rgb.data(), 80, 60)},
      {1, 53, 4, {}},
      {2, 301, 3, {}},
      {8, 600, 3, {}},
  };
  // Long runs, runs of two and three, and alternations, across row ends; at
  // 8 bits the real colours of the palette.
  for (Case& c : cases)
    for (unsigned i = 0; c.values.size() < size_t{c.width} * c.height; ++i) {
      const unsigned v = i % 500 < 300 ? 1 : i % 7 < 3 ? i % 2 : i / 3;
      const unsigned colour = v % (kPaletteEntriesUsed + 1);
      const unsigned value = colour < kPaletteEntriesUsed ? colour : kPaletteBlack;
      c.values.push_back(static_cast<uint16_t>(c.depth < 8 ? v % (1u << c.depth) : value));
    }
  const std::pair<BitmapCompression, const char*> flags[] = {
      {kBmpScanLine, "-scanline_compression"},
      {kBmpRle, "-rle_compression"},
      {kBmpPackBits, "-packbits_compression"},
  };
  auto text = [](const byte_string& b, size_t from) {
    return std::string(b.begin() + static_cast<long>(from), b.end());
  };
  std::string chosen;  // the form each case is stored in
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.depth) + " bits, " + std::to_string(c.width);
    const byte_string plain = pack_rendition(c.values, c.width, c.height, c.depth, false);
    const byte_string packed = pack_rendition(c.values, c.width, c.height, c.depth, true);
    const unsigned row_bytes = plain[4] << 8 | plain[5];
    const unsigned char* rows = plain.data() + 16;
    size_t smallest = plain.size();
    for (const auto& f : flags) {
      const byte_string ours =
          f.first == kBmpScanLine ? compress_scanlines(rows, c.height, row_bytes)
          : f.first == kBmpRle    ? compress_rle(rows, c.height, row_bytes)
                                  : compress_packbits(rows, c.height, row_bytes, 1);
      const std::string theirs = pnmtopalm_of(plain, c.depth, f.second, dir_.path());
      ASSERT_LT(18u, theirs.size()) << theirs;
      EXPECT_EQ(hex(theirs.substr(18)), hex(ours.data(), ours.size())) << what << f.second;
      // The header but for the width: compressed, version 2, the type; the size word.
      EXPECT_EQ("80 00 " + std::to_string(c.depth / 10) + std::to_string(c.depth % 10) +
                    " 02 00 00 00 0" + std::to_string(f.first),
                hex(theirs.substr(6, 8))) << what << f.second;
      if (packed[6] & 0x80 && packed[13] == f.first) {
        EXPECT_EQ(hex(theirs.substr(2)), hex(text(packed, 2).substr(0, theirs.size() - 2)));
        EXPECT_EQ(c.width, static_cast<unsigned>(packed[0] << 8 | packed[1]));
      }
      smallest = std::min(smallest, theirs.size());
    }
    if (smallest == plain.size()) {
      EXPECT_EQ(hex(plain.data(), plain.size()), hex(packed.data(), packed.size())) << what;
    }
    EXPECT_EQ((smallest + 1) / 2 * 2, packed.size()) << what;
    chosen += packed[6] & 0x80 ? std::to_string(packed[13]) : "-";
  }
  EXPECT_EQ("-0122", chosen);  // none, scan-line, RLE, PackBits
}

}  // namespace
