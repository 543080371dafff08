// The image options run as a user runs them: their values, scaling to the
// screen's width, and images that fit a record only compressed.
#include <algorithm>

#include "pagepack_test_util.h"
#include "program_test_util.h"

namespace {

class PagepackImageOptions : public PagepackRun {
 protected:
  void shell(const std::string& command) {
    RunResult r = run_shell(command, dir_.path());
    ASSERT_EQ(0, r.status) << command << ": " << r.err;
  }
  // Width and height of the bitmap of each record of Demo ("" for an empty one).
  std::vector<std::string> sizes() {
    std::vector<std::string> s;
    for (const ReadRecord& rec : database().records) {
      std::string data = record_data(rec.bytes);
      s.push_back(data.size() < 16 ? ""
                                   : std::to_string(be16_at(data, 0)) + "x" +
                                         std::to_string(be16_at(data, 2)));
    }
    return s;
  }
};

TEST_F(PagepackImageOptions, BadValuesAreRefusedWithTheUsage) {
  const std::string usage =
      std::string(PAGEPACK_BIN) + " <appname> <version> <title> <input file>\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-c", "4"}, "bad colour depth 4 (8 or 16)"},
      {{"--colour=+8"}, "bad colour depth +8 (8 or 16)"},
      {{"-c16x"}, "bad colour depth 16x (8 or 16)"},
      {{"--fit=abc"}, "bad fit width abc (pixels, 0 for none)"},
      {{"--fit=-3"}, "bad fit width -3 (pixels, 0 for none)"},
      {{"--fit=70000"}, "bad fit width 70000 (pixels, 0 for none)"},
      {{"-c"}, "option -c needs a value"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.first;
    if (args.size() > 1 || args[0] != "-c") args.insert(args.end(), {"Demo", "1", "T", "a.png"});
    RunResult r = pagepack(args);
    EXPECT_EQ(1, r.status) << c.second;
    EXPECT_EQ("pagepack: " + c.second + "\n" + usage, r.err);
    EXPECT_TRUE(list_dir(dir_.path()).empty());
  }
  // Every option together, in both spellings.
  shell("pgmramp -lr 20 10 | pnmtopng > a.png");
  EXPECT_EQ(0, pagepack({"-dz", "-c", "8", "--fit=10", "Demo", "1", "T", "a.png"}).status);
  EXPECT_EQ(0, pagepack({"--dither", "--compress", "--colour=16", "--fit", "Demo", "1", "T",
                         "a.png"}).status);
  EXPECT_EQ(std::vector<std::string>{"20x10"}, sizes());
}

// Wider images are scaled down to the width a page has on the handheld's
// screen (or the one given), keeping their aspect, and further, with a note,
// until they fit a record; without a fit width an image that does not fit
// is stored empty with the size it would have had. With -z a family is
// measured as stored, each bitmap still no larger than a record expanded: a
// white 250 x 250 fits with its 8-bit bitmap only compressed.
TEST_F(PagepackImageOptions, FitAndCompressionDecideWhatFits) {
  shell("ppmpat -camo -randomseed=3 600 400 | pnmtopng > wide.png && "
        "pbmmake -white 1200 800 | pnmtopng > big.png && "
        "pbmmake -white 600 12000 | pnmtopng > tall.png && "
        "pbmmake -white 250 250 | pnmtopng > mid.png && pgmramp -lr 100 30 > small.pgm");
  const std::string too_large = " pixels too large for one record (--fit scales it down to "
                                "fit), stored empty\n";
  const std::string tall = "pagepack: tall.png: image 600 x 12000 scaled to 112 x 2249 to fit "
                           "one record\n";
  const struct {
    std::vector<std::string> options;
    std::string err;
    std::vector<std::string> sizes;
  } cases[] = {
      {{"--fit"}, tall, {"153x102", "153x102", "100x30", "112x2249"}},
      {{"-w"}, tall, {"153x102", "153x102", "100x30", "112x2249"}},  // -w fits as --fit does
      {{"--fit=300"}, tall, {"300x200", "300x200", "100x30", "112x2249"}},
      {{"--fit=0"},
       "pagepack: big.png: image 1200 x 800" + too_large + "pagepack: tall.png: image 600 x 12000" +
           too_large,
       {"600x400", "", "100x30", ""}},
      {{"--fit=0", "-w"},
       "pagepack: big.png: image 1200 x 800" + too_large + "pagepack: tall.png: image 600 x 12000" +
           too_large,
       {"600x400", "", "100x30", ""}},
      {{"-c", "8", "-z", "mid.png"},
       "pagepack: wide.png: image 600 x 400" + too_large + "pagepack: big.png: image 1200 x 800" +
           too_large + "pagepack: tall.png: image 600 x 12000" + too_large,
       {"250x250", "", "", "100x30", ""}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(std::find_if(args.begin(), args.end(),
                             [](const std::string& a) { return a.find('.') != std::string::npos; }),
                {"Demo", "1", "T"});
    args.insert(args.end(), {"wide.png", "big.png", "small.pgm", "tall.png"});
    RunResult r = pagepack(args);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(c.err, pagepack_slips(r.err)) << c.options[0];
    EXPECT_EQ(c.sizes, sizes()) << c.options[0];
  }
  // What is dithered, coloured or compressed at its own size is read whole
  // first, so its size is bounded; what is scaled down is scaled as it is
  // read, and bounded only for time.
  shell("pbmmake -white 4000 3000 > huge.pbm && printf 'P5\\n12000 12000\\n255\\n' > vast.pgm");
  EXPECT_EQ("pagepack: huge.pbm: image 4000 x 3000 pixels too large to read (more than "
            "8388608), stored empty\n"
            "pagepack: vast.pgm: image 12000 x 12000 pixels too large to read (more than "
            "8388608), stored empty\n",
            pagepack_slips(pagepack({"-d", "Demo", "1", "T", "huge.pbm", "vast.pgm"}).err));
  EXPECT_EQ("pagepack: vast.pgm: image 12000 x 12000 pixels too large to read (more than "
            "134217728), stored empty\n",
            pagepack_slips(pagepack({"--fit", "Demo", "1", "T", "huge.pbm", "vast.pgm"}).err));
  EXPECT_EQ((std::vector<std::string>{"153x115", ""}), sizes());
  // Width and height are signed 16-bit numbers on the handheld.
  shell("pbmmake -white 32768 1 > w.pbm && pbmmake -white 32767 1 > v.pbm");
  EXPECT_EQ("pagepack: w.pbm: image 32768 x 1" + too_large,
            pagepack_slips(pagepack({"Demo", "1", "T", "w.pbm", "v.pbm"}).err));
  EXPECT_EQ((std::vector<std::string>{"", "32767x1"}), sizes());
}

// The grey bitmap that starts a colour family is the bitmap of old, but for
// the offset that leads to the colour one.
TEST_F(PagepackImageOptions, ColourFamiliesStartWithTheBitmapOfOld) {
  shell("cp " PQA_EXAMPLES "/*.p?m " PQA_EXAMPLES "/*.gif " PQA_EXAMPLES "/*.png " PQA_EXAMPLES
        "/*.jpg .");
  const std::vector<std::string> images = {"logo.pgm", "sun.ppm", "photo.jpg", "cloth.gif",
                                           "badge.png"};
  std::vector<std::string> args = {"Demo", "1", "T"};
  args.insert(args.end(), images.begin(), images.end());
  ASSERT_EQ(0, pagepack(args).status);
  const ReadDatabase plain = database();
  args.insert(args.begin(), {"-c", "8"});
  ASSERT_EQ(0, pagepack(args).status);
  const ReadDatabase colour = database();
  ASSERT_EQ(images.size(), colour.records.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string old = record_data(plain.records[i].bytes);
    std::string grey = record_data(colour.records[i].bytes).substr(0, old.size());
    EXPECT_EQ((old.size() + 3) / 4, be16_at(grey, 10)) << images[i];
    grey[10] = grey[11] = 0;
    EXPECT_EQ(hex(old), hex(grey)) << images[i];
  }
}

// Under a fit width an image too large for a record is scaled down further,
// keeping its proportions, until its whole family fits; a compressed family
// that turns out too large (noise) is made again at the size that fits
// uncompressed.
TEST_F(PagepackImageOptions, FitScalesDownUntilTheFamilyFitsARecord) {
  shell("pbmmake -white 600 12000 | pnmtopng > tall.png && "
        "pgmnoise -randomseed=1 600 1600 | pnmtopng > noise.png");
  const struct {
    std::vector<std::string> options;
    std::string tall, noise;
  } cases[] = {
      {{"--fit", "-c", "16"}, "38 x 761", "104 x 278"},
      {{"--fit", "-c", "8", "-z"}, "50 x 1009", "140 x 372"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"Demo", "1", "T", "tall.png", "noise.png"});
    RunResult r = pagepack(args);
    EXPECT_EQ("pagepack: tall.png: image 600 x 12000 scaled to " + c.tall +
                  " to fit one record\npagepack: noise.png: image 600 x 1600 scaled to " +
                  c.noise + " to fit one record\n",
              pagepack_slips(r.err));
    std::vector<std::string> expected = {c.tall, c.noise};
    for (std::string& e : expected) e.replace(e.find(" x "), 3, "x");
    EXPECT_EQ(expected, sizes());
  }
}

// A 24-megapixel photo is scaled as it is read, within a few seconds and a
// few hundred MB (guards, not measures). Rows are summed exactly in any
// order, so interlaced files give the bitmap of plain ones.
TEST_F(PagepackImageOptions, LargePhotosAreScaledAsTheyAreRead) {
  shell("pgmramp -diag 6000 4000 | pgmtoppm white > big.ppm && pnmtojpeg big.ppm > photo.jpg && "
        "pnmtopng big.ppm > photo.png && rm big.ppm");
  const std::string memory = kBoundScale == 1 ? "ulimit -v 400000 && " : "";
  RunResult r = run_shell(cpu_limit(10) + memory + shell_quote(PAGEPACK_BIN) +
                              " --fit Demo 1 T photo.jpg photo.png > /dev/null",
                          dir_.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", pagepack_slips(r.err));
  ASSERT_EQ((std::vector<std::string>{"153x102", "153x102"}), sizes());
  for (const ReadRecord& rec : database().records) {  // black at the top left, white below right
    const std::string data = record_data(rec.bytes);
    EXPECT_EQ(3, static_cast<unsigned char>(data[16]) >> 6);
    EXPECT_EQ(0, data[data.size() - 2] & 0xC0);  // the last of 153 pixels, before the padding
  }
  shell("pgmramp -diag 1200 800 > r.pgm && pnmtopng r.pgm > r.png && "
        "pnmtopng -interlace r.pgm > i.png && ppmtogif -interlace r.pgm > i.gif 2>/dev/null");
  ASSERT_EQ(0, pagepack({"--fit", "-c", "8", "Demo", "1", "T", "r.pgm", "r.png", "i.png", "i.gif"})
                   .status);
  const ReadDatabase db = database();
  ASSERT_EQ(4u, db.records.size());
  for (size_t i = 1; i < 4; ++i)
    EXPECT_EQ(hex(record_data(db.records[0].bytes)), hex(record_data(db.records[i].bytes))) << i;
}

}  // namespace
