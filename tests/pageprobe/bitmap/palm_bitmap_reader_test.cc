#include "bitmap/palm_bitmap_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "probe_db.h"
#include "support/run_program.h"

using namespace std::string_literals;

namespace {

// Reads a bitmap: its colours and any message, or "error: " and the message.
std::string read(const std::string& bmp) {
  palm_image im;
  testing::internal::CaptureStderr();
  bool ok = read_palm_bitmap(make_view(bmp.data(), bmp.size()), "t", &im);
  std::string err = testing::internal::GetCapturedStderr();
  return ok ? std::string(im.rgb.begin(), im.rgb.end()) + err : "error: " + err;
}

struct dims {
  unsigned w, h, row_bytes;
};
// Version 2 (next offset in words, compression type) and version 3 (24 bytes:
// density, next offset in bytes) headers in front of `rest`.
std::string v2(dims d, unsigned flags, unsigned depth, unsigned compression, unsigned next,
               const std::string& rest) {
  std::string b = bitmap(d.w, d.h, d.row_bytes, flags, depth, rest, 2);
  b.replace(10, 2, be16(next));
  b[13] = static_cast<char>(compression);
  return b;
}
std::string v3(dims d, unsigned flags, unsigned depth, unsigned compression, unsigned density,
               uint32_t next, const std::string& rest, unsigned format = 0) {
  std::string b = bitmap(d.w, d.h, d.row_bytes, flags, depth, "", 3);
  b[10] = 24;
  b[11] = static_cast<char>(format);
  b[13] = static_cast<char>(compression);
  return b.substr(0, 14) + be16(density) + be32(0) + be32(next) + rest;
}

TEST(PalmPalette, MatchesNetpbmSystemPalette) {
  RunResult r = run_shell("ppmtoppm < /usr/share/netpbm/palmcolor8.map", "/");
  ASSERT_EQ(0, r.status) << r.err;
  std::string ours = "P6\n256 1\n255\n";
  for (unsigned i = 0; i < 256; i++) {
    rgb_colour c = system_palette_colour(i);
    ours += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
  }
  EXPECT_EQ(ours, r.out);
}

TEST(PalmBitmapReader, ColoursOfEveryDepth) {
  const std::string table = be16(2) + "\x01\x10\x20\x30" "\x03\xaa\xbb\xcc"s;
  const struct {
    std::string bmp, rgb;
  } cases[] = {
      {bitmap(3, 1, 2, 0, 1, "\xa0\x00"s), "\0\0\0\xff\xff\xff\0\0\0"s},  // real width
      {bitmap(2, 1, 2, 0, 2, "\x1b\x00"s), "\xff\xff\xff\xa0\xa0\xa0"s},
      {bitmap(2, 1, 2, 0, 4, "\x0e\x00"s), "\xff\xff\xff\x11\x11\x11"s},  // 16 greys
      {bitmap(2, 1, 2, 0, 8, "\x06\xe1"s), "\xff\xff\xcc\xc0\xc0\xc0"s},  // system palette
      {bitmap(2, 1, 4, 0x0400, 16, std::string(8, '\x05') + "\x08\x81\xff\xff"s),
       "\x08\x10\x08\xff\xff\xff"s},  // 5-6-5, rounded down
      {bitmap(2, 1, 2, 0x4000, 2, table + "\x70\x00"s), "\x10\x20\x30\xaa\xbb\xcc"s},
      {bitmap(2, 1, 2, 0x4000, 8, table + "\x01\x00"s), "\x10\x20\x30\xff\xff\xff"s},
      {bitmap(1, 1, 2, 0x4000, 8, be16(4096) + std::string(1026, '\x07')), "\x07\x07\x07"s},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rgb, read(c.bmp)) << c.bmp.size();
}

TEST(PalmBitmapReader, VersionsAndCompressions) {
  // 3 x 2 at 8 bits: rows 1 2 3 and 1 2 4, row bytes 4.
  const std::string want = read(bitmap(3, 2, 4, 0, 8, "\x01\x02\x03\x00\x01\x02\x04\x00"s));
  ASSERT_EQ(18u, want.size());
  const dims d = {3, 2, 4};
  const std::string cases[] = {
      bitmap(3, 2, 4, 0x8000, 8, "\xe0\x01\x02\x03\x20\x04"s, 0),  // v0: no size word
      v2(d, 0x8000, 8, 0, 0, "\x00\x08\xe0\x01\x02\x03\x20\x04"s),
      v2(d, 0x8000, 8, 1, 0,
         "\0\0\x01\x01\x01\x02\x01\x03\x01\x00\x01\x01\x01\x02\x01\x04\x01\x00"s),
      v2(d, 0x8000, 8, 2, 0, "\xff\xff\x02\x01\x02\x03\x80\x00\x00\x02\x01\x02\x04\x00\x00"s),
      v3(d, 0x8000, 8, 2, 72, 0, "\0\0\0\0\x07\x01\x02\x03\x00\x01\x02\x04\x00"s),
      v3(d, 0, 8, 0xff, 72, 0, "\x01\x02\x03\x00\x01\x02\x04\x00"s),
      // Compressed, of type 0xFF: none, and no size word.
      v2(d, 0x8000, 8, 0xff, 0, "\x01\x02\x03\x00\x01\x02\x04\x00"s),
      v3(d, 0x8000, 8, 0xff, 72, 0, "\x01\x02\x03\x00\x01\x02\x04\x00"s),
  };
  for (const auto& c : cases) EXPECT_EQ(want, read(c)) << c.size();
  // PackBits at 16 bits a pixel repeats whole pixels.
  EXPECT_EQ(std::string(9, '\xff'), read(v2({3, 1, 6}, 0x8000, 16, 2, 0, "\0\0\xfe\xff\xff"s)));
}

TEST(PalmBitmapReader, FamiliesAndTheirChains) {
  const std::string four = bitmap(1, 1, 2, 0, 4, "\x50\x00"s);  // grey 170
  const std::string one = v2({1, 1, 2}, 0, 1, 0, 5, "\x80\x00\0\0"s);
  std::string low = v3({1, 1, 2}, 0, 8, 0, 72, 28, "\x06\x00\0\0"s);
  const std::string high = v3({1, 1, 2}, 0, 8, 0, 144, 0, "\x05\x00"s);
  EXPECT_EQ("\xaa\xaa\xaa"s, read(one + four)) << "deeper second";
  EXPECT_EQ("\xaa\xaa\xaa"s, read(v2({1, 1, 2}, 0, 4, 0, 5, "\x50\0\0\0"s) +
                                   bitmap(1, 1, 2, 0, 1, "\x80\x00"s)))
      << "deeper first";
  EXPECT_EQ("\xff\x00\xff"s, read(low + high)) << "denser";
  low[23] = 44;
  EXPECT_EQ("\xff\x00\xff"s, read(low + bitmap(0, 0, 0, 0, 0xff, "") + high)) << "stand-in skipped";
  const struct {
    unsigned next;
    std::string err;
  } chains[] = {
      {0, ""},
      {1, "next bitmap offset 4 points into its own header"},
      {9, "next bitmap offset 36 points past the data"},
      {5, "bitmap at byte 20 shorter than its header"},
  };
  for (const auto& c : chains)
    EXPECT_EQ("\0\0\0"s + (c.err.empty() ? "" : "pageprobe: t: " + c.err +
                                                   ": no further renditions\n"),
              read(v2({1, 1, 2}, 0, 1, 0, c.next, "\x80\x00"s) + four.substr(0, 16)));
}

// RLE runs of 255 white bytes, `bytes` bytes of them.
std::string bomb_runs(size_t bytes) {
  std::string runs;
  while (runs.size() + 2 <= bytes) runs += "\xff\x00"s;
  return runs;
}

TEST(PalmBitmapReader, HostileBitmapsAreRefused) {
  const dims d = {4, 1, 4};
  const struct {
    std::string bmp;
    const char* err;
  } cases[] = {
      {bitmap(1, 1, 2, 0, 3, "\0\0"s), "unsupported pixel size 3"},
      {v3(d, 0, 16, 0, 72, 0, "\0\0"s, 2), "unsupported pixel format 2 (little-endian)"},
      {bitmap(9, 1, 2, 0, 4, "\0\0"s), "2 bytes a row are too few for 9 pixels"},
      {bitmap(1, 1, 2, 0x4000, 8, be16(3) + "\x01\x02\x03\x04"s),
       "colour table runs past the end of the bitmap"},
      {bitmap(1, 2, 2, 0, 8, "\0\0"s), "pixel data truncated"},
      {v2(d, 0x8000, 8, 7, 0, "\0\0"s), "unsupported compression type 7"},
      {v2(d, 0x8000, 8, 1, 0, "\0\0\x03\x01\x02\x02"s), "RLE run past the end of the pixels"},
      {v2(d, 0x8000, 8, 1, 0, "\0\0\x00\x01"s), "RLE run of length 0"},
      {v2(d, 0x8000, 8, 1, 0, "\0\0\x02\x01"s), "RLE data ends early"},
      {v2(d, 0x8000, 8, 2, 0, "\0\0\x04\x01\x02\x03\x04\x05"s),
       "PackBits run past the end of the pixels"},
      {v2(d, 0x8000, 8, 2, 0, "\0\0\xfe"s), "PackBits data ends early"},
      {v2(d, 0x8000, 8, 2, 0, "\0\0\x03\x01\x02"s), "PackBits data ends early"},
      {v2({8, 30000, 8}, 0x8000, 8, 1, 0, "\0\0\xff\x01"s), "compressed pixel data truncated"},
      // A bomb: 64 KB of RLE that would expand to 8 MB.
      {v2({65535, 996, 8192}, 0x8000, 1, 1, 0, "\0\0"s + bomb_runs(65535)),
       "996 rows of 8192 bytes are more than the 262144 bytes a bitmap may hold: not read"},
      {"\0\0\0\0"s, "bitmap shorter than its header"},
  };
  for (const auto& c : cases)
    EXPECT_EQ("error: pageprobe: t: "s + c.err + "\n", read(c.bmp)) << c.err;
}

}  // namespace
