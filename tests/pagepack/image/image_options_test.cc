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
// screen (or the one given), keeping their aspect; an image that still does
// not fit a record is stored empty with the size it would have had. With -z
// a family is measured as stored, each bitmap still no larger than a record
// expanded: a white 250 x 250 fits with its 8-bit bitmap only compressed.
TEST_F(PagepackImageOptions, FitAndCompressionDecideWhatFits) {
  shell("ppmpat -camo -randomseed=3 600 400 | pnmtopng > wide.png && "
        "pbmmake -white 1200 800 | pnmtopng > big.png && "
        "pbmmake -white 600 12000 | pnmtopng > tall.png && "
        "pbmmake -white 250 250 | pnmtopng > mid.png && pgmramp -lr 100 30 > small.pgm");
  const std::string too_large = " pixels too large for one record (scale it down, e.g. "
                                "pamscale -xyfit 160 160), stored empty\n";
  const struct {
    std::vector<std::string> options;
    std::string err;
    std::vector<std::string> sizes;
  } cases[] = {
      {{"--fit"}, "pagepack: tall.png: image 153 x 3060" + too_large,
       {"153x102", "153x102", "100x30", ""}},
      {{"-w"}, "pagepack: tall.png: image 153 x 3060" + too_large,  // -w fits as --fit does
       {"153x102", "153x102", "100x30", ""}},
      {{"--fit=300"}, "pagepack: tall.png: image 300 x 6000" + too_large,
       {"300x200", "300x200", "100x30", ""}},
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
  // What is scaled or compressed is read whole first, so its size is bounded.
  shell("pbmmake -white 4000 3000 > huge.pbm");
  EXPECT_EQ("pagepack: huge.pbm: image 4000 x 3000 pixels too large to read (more than "
            "8388608), stored empty\n",
            pagepack_slips(pagepack({"--fit", "Demo", "1", "T", "huge.pbm"}).err));
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

}  // namespace
