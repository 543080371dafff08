#include "image/image_input.h"

#include "image/bitmap_encoder.h"
#include "pagepack_test_util.h"

namespace {

struct Read {
  int result;
  std::string grey;  // hex of the samples
  std::string why;
  unsigned long asked_width = 0, asked_height = 0;
};

// Reads `bytes` as a file; `limit` is the result the size check gives.
Read read_bytes(const std::string& bytes, int limit = 0) {
  write_file("img", bytes);
  FILE* f = fopen("img", "rb");
  Read r{};
  grey_image image;
  fit_check fits = [&](unsigned long w, unsigned long h, unsigned, std::string*) {
    r.asked_width = w;
    r.asked_height = h;
    return limit;
  };
  r.result = read_image(f, fits, &image, &r.why);
  fclose(f);
  r.grey = hex(image.grey.data(), image.grey.size());
  return r;
}

using PagepackImageInput = PagepackDirTest;

TEST_F(PagepackImageInput, EveryNetpbmFormReadByNetpbmRules) {
  const std::string pam = "P7\nWIDTH 2\nHEIGHT 1\n";
  struct Case {
    const char* what;
    std::string bytes;
    const char* grey;
  } cases[] = {
      {"raw P5 of no width", "P5\n0 3\n255\n", ""},
      {"P1, digits run together", "P1\n# c\n2 2\n10\n01\n", "00 ff ff 00"},
      {"P4", std::string("P4\n2 2\n\x80\x40", 10), "00 ff ff 00"},
      {"P2 at 15, comments between", "P2 # c\n2 1 15 7 8\n", "77 88"},
      {"P3 by luma", "P3\n2 1\n255\n255 0 0 0 255 0\n", "4d 95"},
      {"P5 at 65535", std::string("P5\n2 1\n65535\n\x80\x00\xff\xff", 18), "80 ff"},
      {"P5 at 1", std::string("P5\n2 1\n1\n\x00\x01", 12), "00 ff"},
      {"P6 at 65535 by floating luma",
       std::string("P6\n2 1\n65535\n\xff\xff\0\0\0\0\0\0\0\0\0\0", 26), "4c 00"},
      {"PAM grey alpha over white",
       pam + "DEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n" +
           std::string("\x64\x80\0\0", 4),
       "b1 ff"},
      {"PAM RGB alpha", pam + "DEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" +
                            std::string("\xff\0\0\xff\0\0\0\0", 8),
       "4d ff"},
      {"PAM black and white",
       pam + "DEPTH 1\nMAXVAL 1\n# c\nTUPLTYPE BLACKANDWHITE\nENDHDR\n" + std::string("\x01\0", 2),
       "ff 00"},
  };
  for (const Case& c : cases) {
    Read r = read_bytes(c.bytes);
    EXPECT_EQ(0, r.result) << c.what << ": " << r.why;
    EXPECT_EQ(c.grey, r.grey) << c.what;
  }
}

TEST_F(PagepackImageInput, BrokenFilesAreRefusedWithAReason) {
  static const char gif_outside[] =
      "GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\x02\0\x01\0\0\x02\x02\x44\x01\0;";
  struct Case {
    std::string bytes;
    int result;
    const char* why;
  } cases[] = {
      {"P2\n1 1\n15\n16\n", kBitmapBadImage, "above the maximum value"},
      {std::string("P5\n2 2\n1000\n\0", 14), kBitmapBadImage, "cut short"},
      {"P3\n1 1\n255\n1 2 x", kBitmapBadImage, "unreadable"},
      {"P2\n1 1\n0\n0\n", kBitmapBadHeader, "maximum value"},
      {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\nENDHDR\n", kBitmapBadHeader, "depth"},
      {"P7\nWIDTH 1\nENDHDR\n", kBitmapBadHeader, "lacks"},
      {"P1\n99999999999 1\n", kBitmapBadHeader, "size"},
      {std::string(gif_outside, sizeof gif_outside - 1), kBitmapBadImage, "outside its screen"},
      {"GIF89a\x01", kBitmapBadImage, "unreadable GIF"},
      {"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", kBitmapBadImage, "unreadable PNG"},
      {"\xff\xd8\xff\xe0 not really", kBitmapBadImage, "unreadable JPEG"},
  };
  for (const Case& c : cases) {
    Read r = read_bytes(c.bytes);
    EXPECT_EQ(c.result, r.result) << c.bytes;
    EXPECT_NE(std::string::npos, r.why.find(c.why)) << c.bytes << " -> " << r.why;
  }
}

TEST_F(PagepackImageInput, SizeIsCheckedBeforeAnyPixelIsRead) {
  // Each library format, made by netpbm, with a size check that refuses:
  // the reader reports the declared size and reads no pixel.
  ASSERT_EQ(0, run_shell("pgmramp -lr 300 7 > r.pgm && pnmtopng r.pgm > r.png && "
                         "pamtogif r.pgm > r.gif 2>/dev/null && pnmtojpeg r.pgm > r.jpg",
                         dir_.path())
                   .status);
  for (const char* name : {"r.png", "r.gif", "r.jpg", "r.pgm"}) {
    Read r = read_bytes(read_file(dir_.file(name)), kBitmapTooLarge);
    EXPECT_EQ(kBitmapTooLarge, r.result) << name;
    EXPECT_EQ(300u, r.asked_width) << name;
    EXPECT_EQ(7u, r.asked_height) << name;
    EXPECT_EQ("", r.grey) << name;
  }
}

}  // namespace
