// PNG, GIF and JPEG images packed directly give the bitmaps of their netpbm
// conversions to greymaps; messages and icons of the new forms.
#include <sys/stat.h>

#include <set>

#include "pagepack_test_util.h"
#include "program_test_util.h"

namespace {

class PagepackImageFormats : public PagepackRun {
 protected:
  void SetUp() override {
    // 50 x 20 pixels of many colours, and a ramp of opacities.
    std::string ppm = "P6\n50 20\n255\n";
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 50; ++x) {
        ppm += static_cast<char>(x * 5);
        ppm += static_cast<char>(y * 12);
        ppm += static_cast<char>((x * y) % 256);
      }
    write("src.ppm", ppm);
    ASSERT_EQ(0, shell("pgmramp -lr 50 20 > alpha.pgm && ppmtopgm src.ppm > grey.pgm && "
                       "pnmquant 16 src.ppm > q16.ppm && pnmquant 200 src.ppm > q200.ppm"));
  }
  int shell(const std::string& command) {
    RunResult r = run_shell(command + " 2>/dev/null", dir_.path());
    EXPECT_EQ(0, r.status) << command;
    return r.status;
  }
  // The data of the one image record that pagepack makes of `file`.
  std::string packed(const std::string& file) {
    RunResult r = pagepack({"Demo", "1", "T", file});
    EXPECT_EQ("", pagepack_slips(r.err)) << file;
    ReadDatabase db = database();
    return db.records.size() == 1 ? record_data(db.records[0].bytes) : "";
  }
};

TEST_F(PagepackImageFormats, SameBitmapAsTheNetpbmGreymap) {
  const std::string png_ref = "pngtopnm -mix -background=white IN | ppmtopgm > ref.pgm";
  const std::string gif_ref = "giftopnm IN | ppmtopgm > ref.pgm";
  // giftopnm shows the colour behind a transparent index; lay it over white.
  const std::string gif_mix_ref =
      "giftopnm -alphaout=a.pbm IN > c.ppm && ppmmake white 50 20 > w.ppm && "
      "pamcomp -alpha=a.pbm c.ppm w.ppm | ppmtopgm > ref.pgm";
  const std::string jpeg_ref = "jpegtopnm IN | ppmtopgm > ref.pgm";
  // netpbm writes the header in its usual form, which pagepack has always read.
  const std::string pnm_ref = "pnmtopnm < IN > ref.pgm";
  const std::string deep = "pamdepth 65535 grey.pgm | tail -c 2000 > d16 && ";
  struct Case {
    const char* file;
    std::string make;
    std::string reference;
  } cases[] = {
      {"grey.png", "pnmtopng grey.pgm", png_ref},
      {"palette.png", "pnmtopng q16.ppm", png_ref},
      {"rgb.png", "pnmtopng src.ppm", png_ref},
      {"deep.png", "pamdepth 65535 src.ppm | pnmtopng", png_ref},
      {"interlaced.png", "pnmtopng -interlace src.ppm", png_ref},
      {"alpha.png", "pnmtopng -alpha=alpha.pgm src.ppm", png_ref},
      {"deep-alpha.png",
       "pamdepth 65535 alpha.pgm > a16.pgm && pamdepth 65535 src.ppm | pnmtopng -alpha=a16.pgm",
       png_ref},
      {"grey-alpha.png", "pnmtopng -alpha=alpha.pgm grey.pgm", png_ref},
      {"trns.png", "pnmtopng -transparent=rgb:00/00/00 q16.ppm", png_ref},
      {"q.gif", "pamtogif q200.ppm", gif_ref},
      {"interlaced.gif", "pamtogif -interlace q200.ppm", gif_ref},
      {"transparent.gif", "pamtogif -transparent=rgb:00/00/00 q200.ppm", gif_mix_ref},
      {"colour.jpg", "pnmtojpeg src.ppm", jpeg_ref},
      {"progressive.jpg", "pnmtojpeg -progressive grey.pgm", jpeg_ref},
      // 16-bit greymaps with the header on one line, and the size on two.
      {"one-line.pgm", deep + "(printf 'P5 50 20 65535\\n'; cat d16)", pnm_ref},
      {"two-lines.pgm", deep + "(printf 'P5\\n50\\n20\\n65535\\n'; cat d16)", pnm_ref},
  };
  for (const Case& c : cases) {
    std::string file = c.file, reference = c.reference;
    reference.replace(reference.find("IN"), 2, file);
    if (shell(c.make + " > " + file) || shell(reference)) continue;
    std::string ours = packed(file);
    EXPECT_EQ(hex(packed("ref.pgm")), hex(ours)) << file;
    // A real picture, not an empty or single-shade bitmap.
    ASSERT_EQ(16u + 14 * 20, ours.size()) << file;
    EXPECT_LT(1u, std::set<char>(ours.begin() + 16, ours.end()).size()) << file;
  }
}

TEST_F(PagepackImageFormats, ProblemsAreMessagesAndEmptyBitmaps) {
  shell("pbmmake 3000 2000 | pnmtopng > big.png");
  shell("pnmtojpeg src.ppm | head -c -300 > cut.jpg");
  ASSERT_EQ(0, mkfifo(dir_.file("fifo.gif").c_str(), 0600));
  RunResult r = pagepack({"Demo", "1", "T", "big.png", "cut.jpg", "fifo.gif"});
  EXPECT_EQ(1, r.status);  // the FIFO is no image file: left out
  EXPECT_EQ(
      "pagepack: fifo.gif: not a regular file, left out\n"
      "pagepack: big.png: image 3000 x 2000 pixels too large for one record (--fit scales it "
      "down to fit), stored empty\n"
      "pagepack: cut.jpg: image unreadable JPEG (the file ends inside the image data), stored "
      "empty\n",
      pagepack_slips(r.err));
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());
  for (const ReadRecord& rec : db.records) EXPECT_EQ("00 00", hex(record_data(rec.bytes)));
}

TEST_F(PagepackImageFormats, IconsMayBeAnyFormat) {
  write("a.html", "<BODY>x</BODY>");
  write("LgIcon.pnm", read_file(PQA_EXAMPLES "/LgIcon.pnm"));
  write("SmIcon.pnm", read_file(PQA_EXAMPLES "/SmIcon.pnm"));
  ASSERT_EQ(0, pagepack({"Demo", "1", "T", "a.html"}).status);
  std::string netpbm_icons = database().app_info;
  ASSERT_LT(100u, netpbm_icons.size());
  shell("pnmtopng " PQA_EXAMPLES "/LgIcon.pnm > LgIcon.pnm && "
        "ppmtogif " PQA_EXAMPLES "/SmIcon.pnm > SmIcon.pnm");
  RunResult r = pagepack({"Demo", "1", "T", "a.html"});
  EXPECT_EQ("", pagepack_slips(r.err));
  EXPECT_EQ(hex(netpbm_icons), hex(database().app_info));
}

// Files of other formats are named for what they are; anything else is not an image.
TEST_F(PagepackImageFormats, OtherFormatsAreNamed) {
  shell("ppmtoxpm src.ppm > a.xpm && ppmtobmp src.ppm > a.bmp && pnmtotiff src.ppm > a.tif");
  write("a.webp", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16));
  write("a.svg", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
  write("a.ico", std::string("\0\0\1\0\1\0\x10\x10", 8));
  write("a.txt", "not a picture\n");
  const std::string reads = ": pagepack reads PNG, GIF, JPEG and netpbm), stored empty\n";
  std::string expected;
  for (const char* c : {"a.xpm: image not read (an XPM image", "a.bmp: image not read (a BMP image",
                        "a.tif: image not read (a TIFF image", "a.webp: image not read (a WebP image",
                        "a.svg: image not read (an SVG image", "a.ico: image not read (an ICO icon",
                        "a.txt: image not read (not an image"})
    expected += std::string("pagepack: ") + c + reads;
  EXPECT_EQ(expected, pagepack_slips(pagepack({"Demo", "1", "T", "a.xpm", "a.bmp", "a.tif",
                                               "a.webp", "a.svg", "a.ico", "a.txt"}).err));
}

// Every scan of a progressive JPEG is a pass over the whole image: one whose
// last scan is repeated 3000 times is refused within seconds, not minutes.
TEST_F(PagepackImageFormats, ProgressiveJpegsOfTooManyScansAreRefused) {
  shell("ppmmake rgb:80/a0/c0 1024 1024 | pnmtojpeg -progressive > p.jpg");
  std::string jpeg = read_file(dir_.file("p.jpg"));
  const size_t last = jpeg.rfind("\xFF\xDA"), end = jpeg.size() - 2;
  ASSERT_NE(std::string::npos, last);
  std::string scans;
  for (int i = 0; i < 3000; ++i) scans += jpeg.substr(last, end - last);
  write("scans.jpg", jpeg.substr(0, end) + scans + jpeg.substr(end));
  RunResult r = run_shell(cpu_limit(10) + shell_quote(PAGEPACK_BIN) +
                              " --fit Demo 1 T p.jpg scans.jpg > /dev/null",
                          dir_.path());
  EXPECT_EQ("pagepack: scans.jpg: image unreadable JPEG (more than 100 progressive scans), stored "
            "empty\n",
            pagepack_slips(r.err));
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());
  EXPECT_EQ(16u + 40 * 153, record_data(db.records[0].bytes).size());
}

// --bitmap=NAME: a file of pnmtopalm's is stored as it is (an icon as its
// entry); one that does not read as a bitmap is stored empty with the reason.
TEST_F(PagepackImageFormats, PalmBitmapsAreStoredAsTheyAreOnceRead) {
  ASSERT_EQ(0, shell("pnmtopalm -depth 8 -colormap -rle_compression q200.ppm > ok && pgmtopbm "
                     "grey.pgm | pnmtopalm -packbits_compression > LgIcon.pnm && "
                     "pnmtopalm -depth 16 src.ppm > d16"));
  const std::string ok = read_file(dir_.file("ok")), d16 = read_file(dir_.file("d16"));
  std::string depth3 = ok, zero_run = ok, far_next = ok;
  depth3[8] = 3;
  // The first run's count: after the header, the colour table and the size word.
  zero_run[16 + 2 + 4 * (static_cast<unsigned char>(ok[16]) * 256 + static_cast<unsigned char>(ok[17])) + 2] = 0;
  far_next[10] = 0x7F;
  write("short", ok.substr(0, ok.size() - 1));
  write("depth3", depth3);
  write("zero_run", zero_run);
  write("far_next", far_next);
  const std::vector<std::string> names = {"ok", "d16", "short", "depth3", "zero_run", "far_next"};
  std::vector<std::string> args = {"--bitmap=LgIcon.pnm", "Demo", "1", "T"};
  for (const std::string& n : names) args.insert(args.begin(), "--bitmap=" + n);
  args.insert(args.end(), names.begin(), names.end());
  RunResult r = pagepack(args);
  EXPECT_EQ(
      "pagepack: LgIcon.pnm: a 50 x 20 icon: the launcher shows a large icon of 32 x 32 (or 22 x "
      "22)\n"
      "pagepack: short: image not a Palm bitmap pagepack can store (compressed pixels do not "
      "expand to its rows), stored empty\n"
      "pagepack: depth3: image not a Palm bitmap pagepack can store (bad depth), stored empty\n"
      "pagepack: zero_run: image not a Palm bitmap pagepack can store (compressed pixels do not "
      "expand to its rows), stored empty\n"
      "pagepack: far_next: image not a Palm bitmap pagepack can store (next rendition out of "
      "place), stored empty\n",
      pagepack_slips(r.err));
  ReadDatabase db = database();
  ASSERT_EQ(6u, db.records.size());
  EXPECT_EQ(hex(ok), hex(record_data(db.records[0].bytes)));
  EXPECT_EQ(hex(d16), hex(record_data(db.records[1].bytes)));
  for (size_t i = 2; i < 6; i++) EXPECT_EQ("00 00", hex(record_data(db.records[i].bytes)));
  const std::string icon = read_file(dir_.file("LgIcon.pnm"));
  EXPECT_NE(std::string::npos, db.app_info.find(icon + std::string(icon.size() % 2, '\0')));
  EXPECT_EQ(1, pagepack({"--bitmap=x", "Demo", "1", "T", "ok"}).status);
}

}  // namespace
