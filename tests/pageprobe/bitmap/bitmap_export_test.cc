#include "bitmap/bitmap_export.h"
#include "bitmap/palm_decompress.h"

#include <gtest/gtest.h>

#include <string>

#include "probe_db.h"
#include "probe_state.h"
#include "support/run_program.h"

using namespace std::string_literals;

namespace {

byte_view view(const std::string& s) { return make_view(s.data(), s.size()); }

std::string expand(const std::string& stream, unsigned height, unsigned row_bytes, bool* ok) {
  std::string rows(height * row_bytes, '?');
  *ok = decompress_scanlines(view(stream), height, row_bytes,
                             reinterpret_cast<unsigned char*>(&rows[0]));
  return rows;
}

TEST(PageprobeBitmap, ScanlineRowsRepeatTheRowAbove) {
  bool ok = false;
  EXPECT_EQ("ABAC", expand("\xc0" "AB" "\x40" "C", 2, 2, &ok));
  EXPECT_TRUE(ok);
}

TEST(PageprobeBitmap, ScanlineShortLastGroupUsesTopBitsOnly) {
  // Row bytes 10: groups of 8 and 2. Bits below the group's length are
  // ignored, even when set.
  bool ok = false;
  std::string stream = "\xff" "abcdefgh" "\xff" "ij" "\x00" "\x7f" "J"s;
  EXPECT_EQ("abcdefghij" "abcdefghiJ", expand(stream, 2, 10, &ok));
  EXPECT_TRUE(ok);
}

TEST(PageprobeBitmap, ScanlineFirstRowWithoutRowAboveIsWhite) {
  bool ok = false;
  EXPECT_EQ(std::string("\0B", 2), expand("\x40" "B", 1, 2, &ok));
  EXPECT_TRUE(ok);
}

TEST(PageprobeBitmap, ScanlineStreamEndingEarlyFails) {
  bool ok = true;
  expand("\xc0" "A", 1, 2, &ok);
  EXPECT_FALSE(ok);
  expand("\xc0" "AB", 2, 2, &ok);
  EXPECT_FALSE(ok);
}

class PageprobeBitmapExport : public ::testing::Test {
 protected:
  void SetUp() override { vflag = sflag = 0; }
  void TearDown() override { vflag = sflag = 0; }

  // What export_bitmap writes for the bitmap, and its result in *ok.
  static std::string exported(const std::string& bmp, bool* ok = nullptr) {
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    bool result = export_bitmap(view(bmp), "f", out);
    fclose(out);
    std::string file(text, length);
    free(text);
    if (ok) *ok = result;
    return file;
  }
};

TEST_F(PageprobeBitmapExport, FileFormsWithAndWithoutS) {
  const struct {
    int s;
    std::string bmp;
    std::string file;
  } cases[] = {
      // The classic greys: P6 rounded up to whole bytes, under -s P5 at real width.
      {0, bitmap(3, 1, 2, 0, 1, "\xa0\x00"s), ppm(8, 1, "\0\xff\0\xff\xff\xff\xff\xff"s)},
      {1, bitmap(3, 1, 2, 0, 1, "\xa0\x00"s), "P5\n3 1\n255\n\0\xff\0"s},
      {1, bitmap(3, 1, 2, 0, 2, "\x1b\x00"s), "P5\n3 1\n255\n\xff\xa0\x54"s},
      // Everything else: P6 in its colours at real width.
      {0, bitmap(3, 1, 2, 0, 4, "\x0f\x10"s),
       "P6\n#Created by Velkin decompile\n3 1\n255\n\xff\xff\xff\0\0\0\xee\xee\xee"s},
      {1, bitmap(1, 1, 2, 0, 8, "\xd2\x00"s), "P6\n1 1\n255\n\0\xff\0"s},
      {1, bitmap(1, 1, 2, 0x4000, 2, be16(1) + "\x00\x01\x02\x03" "\x00\x00"s),
       "P6\n1 1\n255\n\x01\x02\x03"s},
  };
  for (const auto& c : cases) {
    sflag = c.s;
    EXPECT_EQ(c.file, exported(c.bmp)) << c.s << " " << c.bmp.size();
  }
}

TEST_F(PageprobeBitmapExport, VerboseColourBitmapNamesItsColours) {
  vflag = 1;
  // A family: 1 bit, then 8 bits (the one shown) with three colours.
  std::string data =
      bitmap(3, 1, 2, 0, 1, std::string(4, '\0')) + bitmap(3, 1, 4, 0, 8, "\xd2\x00\xd2\x00"s);
  data[9] = 2;
  data[11] = 5;
  testing::internal::CaptureStdout();
  EXPECT_TRUE(export_bitmap(view(data), "f", nullptr));
  EXPECT_EQ("length (bytes): 20\nx= 3\ny= 1\nbyte/row= 2\nflags = 0000\nbits per pixel: 1\n"
            "version: 2\n00 05 00 00 00 00 \ntransparent index: 0\ncompression type: 0\n"
            "next bitmap offset: 20 bytes\n"
            "rendition 2 at byte 20:\n"
            "length (bytes): 20\nx= 3\ny= 1\nbyte/row= 4\nflags = 0000\nbits per pixel: 8\n"
            "version: 1\n00 00 00 00 00 00 \nexported: rendition 2\n"
            "static char * icon[] = {\n\"3 1 2 1\",\n\".      c #00ff00\",\n"
            "\"*      c #ffffff\",\n\".*.\"\n};\n",
            testing::internal::GetCapturedStdout());
}

TEST_F(PageprobeBitmapExport, WidthRoundsUpToWholeBytes) {
  // 20 x 1 at 2 bits: V = 5, W = 20; the sixth byte is never looked at.
  std::string data = bitmap(20, 1, 6, 0, 2, "\xff\xff\xff\xff\xff\x00"s);
  EXPECT_EQ(ppm(20, 1, std::string(20, '\0')), exported(data));
  // 13 wide at 2 bits: V = 4, W = 16.
  data = bitmap(13, 1, 4, 0, 2, "\x00\x00\x00\x03"s);
  EXPECT_EQ(ppm(16, 1, std::string(15, '\xff') + std::string(1, '\0')), exported(data));
}

TEST_F(PageprobeBitmapExport, CompressedBitmapExportsLikeItsExpansion) {
  std::string plain = bitmap(8, 2, 2, 0, 2, "\x1b\x00\x1b\xe4"s);
  std::string packed = bitmap(8, 2, 2, 0x8000, 2, "\xc0\x1b\x00\x40\xe4"s);
  EXPECT_EQ(exported(plain), exported(packed));
  EXPECT_EQ(ppm(8, 2, std::string("\xff\xa0\x54\x00\xff\xff\xff\xff"
                                  "\xff\xa0\x54\x00\x00\x54\xa0\xff", 16)),
            exported(packed));
}

TEST_F(PageprobeBitmapExport, CompressedSizeIsBoundedByTheStream) {
  // 60000 rows of 4 bytes announced by a 4-byte stream: refused before
  // anything is allocated.
  std::string data = bitmap(8, 60000, 4, 0x8000, 2, "\xff\x00\x00\x00"s);
  testing::internal::CaptureStderr();
  bool ok = true;
  EXPECT_EQ("", exported(data, &ok));
  EXPECT_FALSE(ok);
  EXPECT_EQ("pageprobe: f: compressed pixel data truncated\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(PageprobeBitmapExport, VerboseShowsFourLevelsInOrder) {
  vflag = 1;
  std::string data = bitmap(4, 1, 2, 0x0100, 2, "\x1b\x00"s);
  data[9] = 0;      // version, printed only
  data[15] = 0x7f;  // reserved, printed only
  testing::internal::CaptureStdout();
  EXPECT_TRUE(export_bitmap(view(data), "f", nullptr));
  EXPECT_EQ("length (bytes): 18\nx= 4\ny= 1\nbyte/row= 2\nflags = 0100\nbits per pixel: 2\n"
            "version: 0\n00 00 00 00 00 7f \n"
            "static char * icon[] = {\n\"4 1 4 1\",\n\"*      c Black\",\n"
            "\"X      c gray33\",\n\"!      c gray66\",\n\".      c White\",\n"
            "\".!X*\"\n};\n",
            testing::internal::GetCapturedStdout());
}

}  // namespace
