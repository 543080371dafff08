#include "palm_bitmap_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "palm_decompress.h"
#include "probe_db.h"
#include "support/run_program.h"

using namespace std::string_literals;

namespace {

byte_view view(const std::string& s) { return make_view(s.data(), s.size()); }

std::string rgb_of(const palm_image& im) { return std::string(im.rgb.begin(), im.rgb.end()); }

// Reads a bitmap; the image's colours, or "error: " and the message.
std::string read(const std::string& bmp, unsigned* width = nullptr) {
  palm_image im;
  testing::internal::CaptureStderr();
  bool ok = read_palm_bitmap(view(bmp), "t", &im);
  std::string err = testing::internal::GetCapturedStderr();
  if (width) *width = im.width;
  return ok ? rgb_of(im) + err : "error: " + err;
}

// A version 2 or 3 header in front of `rest`.
std::string v2(unsigned w, unsigned h, unsigned rb, unsigned flags, unsigned depth,
               unsigned compression, unsigned next_words, const std::string& rest) {
  std::string b = bitmap(w, h, rb, flags, depth, rest, 2);
  b[10] = static_cast<char>(next_words >> 8);
  b[11] = static_cast<char>(next_words);
  b[13] = static_cast<char>(compression);
  return b;
}
std::string v3(unsigned w, unsigned h, unsigned rb, unsigned flags, unsigned depth,
               unsigned compression, unsigned density, uint32_t next, const std::string& rest,
               unsigned format = 0) {
  std::string b = be16(w) + be16(h) + be16(rb) + be16(flags);
  b += static_cast<char>(depth);
  b += "\x03\x18"s;
  b += static_cast<char>(format);
  b += '\0';
  b += static_cast<char>(compression);
  return b + be16(density) + be32(0) + be32(next) + rest;
}

TEST(PalmPalette, MatchesNetpbmSystemPalette) {
  RunResult r = run_shell("pnmtopnm -plain /usr/share/netpbm/palmcolor8.map 2>/dev/null || "
                          "pamtopnm -plain /usr/share/netpbm/palmcolor8.map", "/");
  ASSERT_EQ(0, r.status) << r.err;
  std::istringstream in(r.out);
  std::string magic;
  unsigned w, h, maxval;
  in >> magic >> w >> h >> maxval;
  ASSERT_EQ(256u, w);
  for (unsigned i = 0; i < 256; i++) {
    unsigned c[3];
    in >> c[0] >> c[1] >> c[2];
    rgb_colour ours = system_palette_colour(i);
    EXPECT_EQ(c[0], ours.r) << i;
    EXPECT_EQ(c[1], ours.g) << i;
    EXPECT_EQ(c[2], ours.b) << i;
  }
}

TEST(PalmBitmapReader, ColoursOfEveryDepth) {
  const std::string table = be16(2) + "\x01\x10\x20\x30" "\x03\xaa\xbb\xcc"s;
  const struct {
    const char* what;
    std::string bmp;
    std::string rgb;
  } cases[] = {
      {"1 bit, real width", bitmap(3, 1, 2, 0, 1, "\xa0\x00"s), "\0\0\0\xff\xff\xff\0\0\0"s},
      {"2 bits", bitmap(2, 1, 2, 0, 2, "\x1b\x00"s), "\xff\xff\xff\xa0\xa0\xa0"s},
      {"4 bits, 16 greys", bitmap(2, 1, 2, 0, 4, "\x0e\x00"s), "\xff\xff\xff\x11\x11\x11"s},
      {"8 bits, system palette", bitmap(2, 1, 2, 0, 8, "\x06\xe1"s), "\xff\xff\xcc\xc0\xc0\xc0"s},
      {"16 bits, 5-6-5 rounded down",
       bitmap(2, 1, 4, 0x0400, 16, "\x05\x06\x05\x00\x00\x00\x00\x00" "\x08\x81\xff\xff"s),
       "\x08\x10\x08\xff\xff\xff"s},
      {"colour table at 2 bits", bitmap(2, 1, 2, 0x4000, 2, table + "\x70\x00"s),
       "\x10\x20\x30\xaa\xbb\xcc"s},
      {"colour table at 8 bits, unset entries from the palette",
       bitmap(2, 1, 2, 0x4000, 8, table + "\x01\x00"s), "\x10\x20\x30\xff\xff\xff"s},
      {"colour table of 4096 entries holds 256",
       bitmap(1, 1, 2, 0x4000, 8, be16(4096) + std::string(1024, '\x07') + "\x07\x00"s),
       "\x07\x07\x07"s},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rgb, read(c.bmp)) << c.what;
}

TEST(PalmBitmapReader, VersionsAndCompressions) {
  // 3 x 2 at 8 bits: rows 1 2 3 and 1 2 4, row bytes 4.
  const std::string want = rgb_of([] {
    palm_image im;
    read_palm_bitmap(view(bitmap(3, 2, 4, 0, 8, "\x01\x02\x03\x00\x01\x02\x04\x00"s)), "t", &im);
    return im;
  }());
  ASSERT_EQ(18u, want.size());
  const struct {
    const char* what;
    std::string bmp;
  } cases[] = {
      {"v0 scan-line, no size word", bitmap(3, 2, 4, 0x8000, 8, "\xe0\x01\x02\x03\x20\x04"s, 0)},
      {"v2 scan-line after a size word",
       v2(3, 2, 4, 0x8000, 8, 0, 0, "\x00\x08\xe0\x01\x02\x03\x20\x04"s)},
      {"v2 RLE", v2(3, 2, 4, 0x8000, 8, 1, 0,
                    "\x00\x00\x01\x01\x01\x02\x01\x03\x01\x00\x01\x01\x01\x02\x01\x04\x01\x00"s)},
      {"v2 PackBits, literals and a run",
       v2(3, 2, 4, 0x8000, 8, 2, 0, "\xff\xff\x02\x01\x02\x03\x80\x00\x00\x02\x01\x02\x04\x00\x00"s)},
      {"v3 PackBits after a 32-bit size word",
       v3(3, 2, 4, 0x8000, 8, 2, 72, 0, "\x00\x00\x00\x00\x07\x01\x02\x03\x00\x01\x02\x04\x00"s)},
      {"v3 uncompressed", v3(3, 2, 4, 0, 8, 0xff, 72, 0, "\x01\x02\x03\x00\x01\x02\x04\x00"s)},
  };
  for (const auto& c : cases) EXPECT_EQ(want, read(c.bmp)) << c.what;
  // PackBits at 16 bits a pixel repeats whole pixels.
  EXPECT_EQ(std::string(9, '\xff'),
            read(v2(3, 1, 6, 0x8000, 16, 2, 0, "\x00\x00\xfe\xff\xff"s)));
}

TEST(PalmBitmapReader, FamiliesExportTheDeepestDensestRendition) {
  std::string one = bitmap(1, 1, 2, 0, 1, "\x80\x00"s);   // black
  std::string four = bitmap(1, 1, 2, 0, 4, "\x50\x00"s);  // grey 170
  std::string a = v2(1, 1, 2, 0, 1, 0, 5, "\x80\x00"s) + std::string(2, '\0');
  EXPECT_EQ("\xaa\xaa\xaa"s, read(a + four)) << "deeper second";
  std::string first = v2(1, 1, 2, 0, 4, 0, 5, "\x50\x00"s) + std::string(2, '\0');
  EXPECT_EQ("\xaa\xaa\xaa"s, read(first + one)) << "deeper first";
  std::string low = v3(1, 1, 2, 0, 8, 0, 72, 28, "\x06\x00"s) + std::string(2, '\0');
  std::string high = v3(1, 1, 2, 0, 8, 0, 144, 0, "\x05\x00"s);
  std::string dummy = bitmap(0, 0, 0, 0, 0xff, "");
  EXPECT_EQ("\xff\x00\xff"s, read(low + high)) << "denser";
  low[23] = 44;
  EXPECT_EQ("\xff\x00\xff"s, read(low + dummy + high)) << "stand-in header skipped";
}

TEST(PalmBitmapReader, BrokenChainsEndWithAMessage) {
  std::string four = bitmap(1, 1, 2, 0, 4, "\x50\x00"s);
  const struct {
    unsigned next_words;
    const char* err;
  } cases[] = {
      {1, "pageprobe: t: next bitmap offset 4 points into its own header: no further renditions\n"},
      {9, "pageprobe: t: next bitmap offset 36 points past the data: no further renditions\n"},
      {5, "pageprobe: t: bitmap at byte 20 shorter than its header: no further renditions\n"},
  };
  for (const auto& c : cases) {
    std::string bmp = v2(1, 1, 2, 0, 1, 0, c.next_words, "\x80\x00"s) + four.substr(0, 16);
    EXPECT_EQ("\0\0\0"s + c.err, read(bmp)) << c.next_words;
  }
  EXPECT_EQ("\0\0\0"s, read(v2(1, 1, 2, 0, 1, 0, 0, "\x80\x00"s) + four)) << "offset 0 ends";
}

TEST(PalmBitmapReader, HostileBitmapsAreRefused) {
  const struct {
    std::string bmp;
    const char* err;
  } cases[] = {
      {bitmap(1, 1, 2, 0, 3, "\0\0"s), "unsupported pixel size 3"},
      {v3(1, 1, 2, 0, 16, 0, 72, 0, "\0\0"s, 2), "unsupported pixel format 2 (little-endian)"},
      {bitmap(9, 1, 2, 0, 4, "\0\0"s), "2 bytes a row are too few for 9 pixels"},
      {bitmap(1, 1, 2, 0x4000, 8, be16(3) + "\x01\x02\x03\x04"s), "colour table runs past the end of the bitmap"},
      {bitmap(1, 2, 2, 0, 8, "\0\0"s), "pixel data truncated"},
      {v2(1, 1, 2, 0x8000, 8, 7, 0, "\0\0"s), "unsupported compression type 7"},
      {v2(4, 1, 4, 0x8000, 8, 1, 0, "\0\0\x03\x01\x02\x02"s), "RLE run past the end of the pixels"},
      {v2(4, 1, 4, 0x8000, 8, 1, 0, "\0\0\x00\x01"s), "RLE run of length 0"},
      {v2(4, 1, 4, 0x8000, 8, 1, 0, "\0\0\x02\x01"s), "RLE data ends early"},
      {v2(4, 1, 4, 0x8000, 8, 2, 0, "\0\0\x04\x01\x02\x03\x04\x05"s), "PackBits run past the end of the pixels"},
      {v2(4, 1, 4, 0x8000, 8, 2, 0, "\0\0\xfe"s), "PackBits data ends early"},
      {v2(4, 1, 4, 0x8000, 8, 2, 0, "\0\0\x03\x01\x02"s), "PackBits data ends early"},
      {v2(8, 60000, 8, 0x8000, 8, 1, 0, "\0\0\xff\x01"s), "compressed pixel data truncated"},
      {"\0\0\0\0"s, "bitmap shorter than its header"},
  };
  for (const auto& c : cases)
    EXPECT_EQ("error: pageprobe: t: "s + c.err + "\n", read(c.bmp)) << c.err;
}

}  // namespace
