#include "image/bitmap_encoder.h"

#include <sys/stat.h>

#include "pagepack_test_util.h"

// A raw netpbm file: magic, size line, maximum value, then the samples.
static std::string pnm(const std::string& magic, int w, int h, const std::string& samples,
                       const std::string& maxval = "255") {
  return magic + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n" + maxval + "\n" +
         samples;
}

static std::string grey(std::initializer_list<int> samples) {
  std::string s;
  for (int v : samples) s += static_cast<char>(v);
  return s;
}

class PagepackBitmap : public PagepackDirTest {
 protected:
  // Converts `file` and returns the bytes written as hex ("" on failure).
  std::string convert(const std::string& file, int depth, size_t room = sizeof out_) {
    result_ = conv_icon_ppm(file.c_str(), out_, room, 0, depth);
    return result_ < 0 ? "" : hex(out_, static_cast<size_t>(result_));
  }
  // The pixel rows only, past the word count (depth 2) and the header.
  std::string pixels(const std::string& file, int depth) {
    std::string all = convert(file, depth);
    size_t skip = (depth == 2 ? 18 : 16) * 3;
    return all.size() > skip ? all.substr(skip) : "";
  }
  unsigned char out_[4096];
  int result_ = 0;
};

TEST_F(PagepackBitmap, LargeIconAtOneBitPerPixel) {
  std::string samples(32 * 32 * 3, '\xff');
  samples[0] = samples[1] = samples[2] = 0;  // first pixel black
  write("LgIcon.pnm", pnm("P6", 32, 32, samples));
  std::string bytes = convert("LgIcon.pnm", 2);
  EXPECT_EQ(146, result_);
  EXPECT_EQ("00 48 00 20 00 20 00 04 00 00 01 01 00 00 00 00 00 00 80 00 00 00 00",
            bytes.substr(0, 23 * 3 - 1));
}

TEST_F(PagepackBitmap, RowPaddingIsBlack) {
  write("a.pgm", pnm("P5", 15, 9, std::string(15 * 9, '\xff')));
  std::string px = pixels("a.pgm", 2);
  EXPECT_EQ(36, result_);  // N = 17
  std::string row = "00 01";
  std::string rows = row;
  for (int i = 1; i < 9; ++i) rows += " " + row;
  EXPECT_EQ(rows, px);

  write("b.pgm", pnm("P5", 8, 1, std::string(8, '\xff')));
  EXPECT_EQ("00 ff", pixels("b.pgm", 2));
}

TEST_F(PagepackBitmap, ImageAtTwoBitsPerPixel) {
  write("img.ppm", pnm("P6", 20, 10, std::string(20 * 10 * 3, '\xff')));
  std::string bytes = convert("img.ppm", 4);
  EXPECT_EQ(76, result_);  // N = 38, no word count
  EXPECT_EQ("00 14 00 0a 00 06 00 00 02 01 00 00 00 00 00 00 00 00 00 00 00 ff",
            bytes.substr(0, 22 * 3 - 1));
}

TEST_F(PagepackBitmap, GreyBands) {
  write("g.pgm", pnm("P5", 8, 1, grey({255, 193, 192, 129, 128, 65, 64, 0})));
  EXPECT_EQ("05 af", pixels("g.pgm", 4));
  write("d.pgm", pnm("P5", 3, 1, grey({0, 1, 255})));
  EXPECT_EQ("9f ff", pixels("d.pgm", 2));
}

TEST_F(PagepackBitmap, OnlyTheRedSampleCounts) {
  write("c.ppm", pnm("P6", 1, 1, grey({0, 255, 255})));
  EXPECT_EQ("ff ff", pixels("c.ppm", 2));
  EXPECT_EQ("ff ff", pixels("c.ppm", 4));
  write("r.ppm", pnm("P6", 1, 1, grey({255, 0, 0})));
  EXPECT_EQ("7f ff", pixels("r.ppm", 2));
  EXPECT_EQ("3f ff", pixels("r.ppm", 4));
}

TEST_F(PagepackBitmap, HeaderLines) {
  std::string px = grey({255, 0});
  write("c1.pgm", "P5\n# one\n2 1\n255\n" + px);
  write("c2.pgm", "P5\n# one\n#two\n2  1\n255\n" + px);
  write("c3.pgm", "P5\n" + std::string(3000, '#') + " x y\n2 1\n255\n" + px);
  for (const char* f : {"c1.pgm", "c2.pgm", "c3.pgm"}) EXPECT_EQ("7f ff", pixels(f, 2)) << f;
  // A comment after the size line is taken for the maximum value, and the
  // real maximum-value line for pixels (the samples '2' and '5', both white).
  write("late.pgm", "P5\n2 1\n# late\n255\n");
  EXPECT_EQ("3f ff", pixels("late.pgm", 2));
  // A maximum value other than 255 scales the samples: 15 of 15 is white.
  write("m.pgm", pnm("P5", 1, 1, grey({15}), "15"));
  EXPECT_EQ("3f ff", pixels("m.pgm", 4));
  EXPECT_EQ("7f ff", pixels("m.pgm", 2));
}

TEST_F(PagepackBitmap, ShortPixelDataIsBlack) {
  write("s.pgm", pnm("P5", 8, 2, std::string(8, '\xff')));
  EXPECT_EQ("00 ff ff ff", pixels("s.pgm", 2));
}

TEST_F(PagepackBitmap, UnreadableFilesGiveAnEmptyEntry) {
  EXPECT_EQ("00 00", convert("LgIcon.pnm", 2));
  EXPECT_EQ(2, result_);
  write("empty.pnm", "");
  EXPECT_EQ("00 00", convert("empty.pnm", 4));
}

TEST_F(PagepackBitmap, RefusesWhatDoesNotFitWithoutWriting) {
  write("wide6.ppm", pnm("P6", 337, 1, ""));
  write("ok6.ppm", pnm("P6", 336, 1, ""));
  write("wide5.pgm", pnm("P5", 1025, 1, ""));
  write("ok5.pgm", pnm("P5", 1024, 1, ""));
  EXPECT_EQ("", convert("wide6.ppm", 4));
  EXPECT_EQ(kBitmapTooWide, result_);
  EXPECT_EQ("", convert("wide6.ppm", 2));
  EXPECT_EQ(kBitmapTooWide, result_);
  EXPECT_EQ(kBitmapTooWide, conv_icon_ppm("wide5.pgm", out_, sizeof out_, 0, 2));
  EXPECT_EQ(16 + 84, conv_icon_ppm("ok6.ppm", out_, sizeof out_, 0, 4));
  EXPECT_EQ(16 + 256, conv_icon_ppm("ok5.pgm", out_, sizeof out_, 0, 4));

  write("icon.pgm", pnm("P5", 32, 32, ""));
  memset(out_, 0xEE, sizeof out_);
  EXPECT_EQ(kBitmapTooLarge, conv_icon_ppm("icon.pgm", out_, 145, 0, 2));
  EXPECT_EQ(0xEE, out_[0]);
  EXPECT_EQ(146, conv_icon_ppm("icon.pgm", out_, 146, 0, 2));
  EXPECT_EQ(kBitmapTooLarge, conv_icon_ppm("missing.pgm", out_, 1, 0, 2));
}

TEST_F(PagepackBitmap, RefusesMalformedHeaders) {
  write("nospace.pgm", "P5\n32\n255\n");
  write("comments.pgm", "P5\n# only\n# comments");
  write("huge.pgm", "P5\n1 70000\n255\n");
  write("neg.pgm", "P5\n-1 2\n255\n");
  for (const char* f : {"nospace.pgm", "comments.pgm", "neg.pgm"}) {
    EXPECT_EQ(kBitmapBadHeader, conv_icon_ppm(f, out_, sizeof out_, 0, 4)) << f;
  }
  // A size the old header form cannot hold, which netpbm reads: too large.
  EXPECT_EQ(kBitmapTooLarge, conv_icon_ppm("huge.pgm", out_, sizeof out_, 0, 4));
  write("ok.pgm", pnm("P5", 1, 1, grey({0})));
  image_options colour4;
  colour4.colour_depth = 4;
  EXPECT_EQ(kBitmapUnsupported, conv_image("ok.pgm", out_, sizeof out_, colour4));
  EXPECT_EQ(kBitmapUnsupported, conv_icon_ppm("ok.pgm", out_, sizeof out_, 0, 3));
}

TEST_F(PagepackBitmap, IconsOfTheOtherFormsAreBlackBelowHalfGrey) {
  write("i.pgm", "P2\n3 1\n255\n127 128 0\n");
  EXPECT_EQ("bf ff", pixels("i.pgm", 2));  // 1 0 1, then black padding
  write("j.pgm", pnm("P5", 3, 1, grey({127, 128, 1})));
  EXPECT_EQ("1f ff", pixels("j.pgm", 2));  // the raw form: black only at 0
}

TEST_F(PagepackBitmap, TooLargeImagesSaySizeAndHowToFit) {
  // Only the record bounds these forms: no row buffer limits their width.
  write("wide.pbm", "P4\n2000 2\n" + std::string(500, '\0'));
  EXPECT_EQ(16 + 500 * 2, conv_icon_ppm("wide.pbm", out_, sizeof out_, 0, 4));
  write("big.pgm", "P2\n2000 1500\n255\n");
  std::string why;
  EXPECT_EQ(kBitmapTooLarge, conv_icon_ppm("big.pgm", out_, sizeof out_, 0, 4, &why));
  EXPECT_EQ(
      "2000 x 1500 pixels too large for one record (--fit scales it down to fit)",
      why);
  EXPECT_EQ(kBitmapTooLarge, conv_icon_ppm("big.pgm", out_, sizeof out_, 0, 2, &why));
  EXPECT_NE(std::string::npos, why.find("pamscale -xyfit 32 32")) << why;
}

TEST_F(PagepackBitmap, OnlyRegularFilesAreRead) {
  ASSERT_EQ(0, mkfifo("fifo.pgm", 0600));
  ASSERT_EQ(0, mkdir("dir.pgm", 0700));
  for (const char* name : {"fifo.pgm", "dir.pgm"}) {
    std::string why;
    EXPECT_EQ(kBitmapUnreadable, conv_icon_ppm(name, out_, sizeof out_, 0, 4, &why)) << name;
    EXPECT_EQ("not a regular file", why) << name;
  }
}
