#include <sstream>

#include "pagepack_test_util.h"
#include "program_test_util.h"

// A netpbm picture decoded by an independent tool, in plain form.
struct Decoded {
  std::string magic;
  int width = -1, height = -1, maxval = -1;
  std::vector<int> samples;
};

class PagepackInterop : public PagepackRun {
 protected:
  // Decodes Palm bitmap bytes with netpbm's palmtopnm.
  Decoded palmtopnm(const std::string& bitmap) {
    write("bitmap.palm", bitmap);
    RunResult r = run_shell("palmtopnm bitmap.palm | pnmtopnm -plain", dir_.path());
    EXPECT_EQ(0, r.status) << r.err;
    Decoded d;
    std::istringstream in(r.out);
    in >> d.magic >> d.width >> d.height;
    if (d.magic != "P1") in >> d.maxval;
    if (d.magic == "P1") {
      char c;
      while (in >> c) d.samples.push_back(c - '0');
    } else {
      int v;
      while (in >> v) d.samples.push_back(v);
    }
    return d;
  }

  // Every field that Palm::PDB reads must match what the container layer reads.
  void expect_palm_pdb_agrees(const std::string& name) {
    RunResult r = run_shell("perl " + shell_quote(PDB_DUMP) + " " + shell_quote(name), dir_.path());
    ASSERT_EQ(0, r.status) << r.err;
    ReadDatabase db = database(name);
    ASSERT_TRUE(db.ok);
    std::ostringstream want;
    want << "name=" << db.info.name << "\ntype=pqa \ncreator=clpr\nflags=0x0208\nversion=0\n"
         << "ctime=" << db.info.createDate << "\nmtime=" << db.info.modifyDate
         << "\nbaktime=" << db.info.backupDate << "\nappinfo=" << hex_run(db.app_info)
         << "\nrecords=" << db.records.size() << "\n";
    for (const ReadRecord& rec : db.records)
      want << "record id=" << rec.uid << " attrs=0x00 cat=0 size=" << rec.bytes.size()
           << " data=" << hex_run(rec.bytes) << "\n";
    EXPECT_EQ(want.str(), r.out);
  }

  static std::string hex_run(const std::string& bytes) {
    std::string h = hex(bytes), out;
    for (char c : h)
      if (c != ' ') out += c;
    return out;
  }
};

// The icon entries behind the version and title of an application-info block.
static std::vector<std::string> icon_bitmaps(const std::string& block) {
  size_t p = 8;
  p += 2 + 2 * be16_at(block, p);
  p += 2 + 2 * be16_at(block, p);
  std::vector<std::string> icons;
  for (int i = 0; i < 2 && p + 2 <= block.size(); ++i) {
    size_t n = be16_at(block, p);
    icons.push_back(block.substr(p + 2, 2 * n));
    p += 2 + 2 * n;
  }
  return icons;
}

static std::string pgm(int w, int h, const std::vector<int>& samples) {
  std::string s = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int v : samples) s += static_cast<char>(v);
  return s;
}

TEST_F(PagepackInterop, DatabaseLoadsInPalmPdb) {
  write("index.html",
        "<TITLE>Site</TITLE><BODY><H1 ALIGN=center>Hi</H1><A HREF=b.html#top>b</A>"
        "<IMG SRC=pic.pgm ALT=p><TABLE BORDER=1><TR><TD>x</TD></TR></TABLE></BODY>");
  write("b.html", "<BODY><FORM ACTION=/cgi><INPUT TYPE=text NAME=q></FORM></BODY>");
  write("pic.pgm", pgm(3, 2, {0, 100, 200, 255, 150, 50}));
  write("LgIcon.pnm", pgm(32, 32, std::vector<int>(32 * 32, 255)));
  write("SmIcon.pnm", pgm(15, 9, std::vector<int>(15 * 9, 0)));
  RunResult r = pagepack({"Site", "2.5", "My Site", "index.html"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("pagepack: Site: 3 records (2 pages, 1 image), 502 bytes\n", r.err);
  expect_palm_pdb_agrees("Site");
  ReadDatabase db = database("Site");
  EXPECT_EQ(3u, db.records.size());
}

TEST_F(PagepackInterop, ImageRecordsDecodeWithPalmtopnm) {
  // All four bands, on a width that leaves padding in every row.
  std::vector<int> samples = {255, 193, 192, 129, 128, 65, 64, 0, 30,
                              0,   64,  65,  128, 129, 192, 193, 255, 200};
  write("bands.pgm", pgm(9, 2, samples));
  std::string rgb = "P6\n2 1\n255\n";
  rgb += std::string("\x00\xff\xff\xff\x00\x00", 6);  // only red counts
  write("rgb.ppm", rgb);
  RunResult r = pagepack({"Demo", "1", "T", "bands.pgm", "rgb.ppm"});
  ASSERT_EQ(0, r.status);
  expect_palm_pdb_agrees("Demo");
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());

  Decoded bands = palmtopnm(record_data(db.records[0].bytes));
  EXPECT_EQ(9, bands.width);
  EXPECT_EQ(2, bands.height);
  EXPECT_EQ(3, bands.maxval);
  // palmtopnm shows value 0 (white) as 3 and value 3 (black) as 0.
  EXPECT_EQ((std::vector<int>{3, 3, 2, 2, 1, 1, 0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 3}),
            bands.samples);

  Decoded colour = palmtopnm(record_data(db.records[1].bytes));
  EXPECT_EQ(2, colour.width);
  EXPECT_EQ(1, colour.height);
  EXPECT_EQ((std::vector<int>{0, 3}), colour.samples);
}

TEST_F(PagepackInterop, IconsDecodeWithPalmtopnm) {
  std::vector<int> large(32 * 32, 255);
  for (int i = 0; i < 32; ++i) large[i * 32 + i] = 0;  // a black diagonal
  write("LgIcon.pnm", pgm(32, 32, large));
  std::vector<int> small(15 * 9, 1);  // 1 is not black: only 0 is
  small[0] = 0;
  write("SmIcon.pnm", pgm(15, 9, small));
  write("a.html", "<BODY>x</BODY>");
  ASSERT_EQ(0, pagepack({"Demo", "1", "T", "a.html"}).status);
  expect_palm_pdb_agrees("Demo");
  std::vector<std::string> icons = icon_bitmaps(database().app_info);
  ASSERT_EQ(2u, icons.size());

  Decoded lg = palmtopnm(icons[0]);
  EXPECT_EQ("P1", lg.magic);
  EXPECT_EQ(32, lg.width);
  EXPECT_EQ(32, lg.height);
  std::vector<int> want(32 * 32, 0);
  for (int i = 0; i < 32; ++i) want[i * 32 + i] = 1;
  EXPECT_EQ(want, lg.samples);

  Decoded sm = palmtopnm(icons[1]);
  EXPECT_EQ(15, sm.width);
  EXPECT_EQ(9, sm.height);
  std::vector<int> want_small(15 * 9, 0);
  want_small[0] = 1;
  EXPECT_EQ(want_small, sm.samples);
}

TEST_F(PagepackInterop, NetpbmMadeImagesMatchPnmtopalmHeaders) {
  ASSERT_EQ(0, run_shell("pgmramp -lr 20 3 > ramp.pgm && pnmtopalm -depth 2 ramp.pgm > ramp.palm",
                         dir_.path())
                   .status);
  ASSERT_EQ(0, pagepack({"Demo", "1", "T", "ramp.pgm"}).status);
  ReadDatabase db = database();
  ASSERT_EQ(1u, db.records.size());
  std::string ours = record_data(db.records[0].bytes);
  std::string theirs = read_file(dir_.file("ramp.palm"));
  ASSERT_GE(theirs.size(), 16u);
  EXPECT_EQ(hex(theirs.substr(0, 16)), hex(ours.substr(0, 16)));
  EXPECT_EQ(theirs.size(), ours.size());
  Decoded d = palmtopnm(ours);
  EXPECT_EQ(20, d.width);
  EXPECT_EQ(3, d.height);
  // A left-to-right ramp: every row runs from black to white.
  ASSERT_EQ(60u, d.samples.size());
  EXPECT_EQ(0, d.samples[0]);
  EXPECT_EQ(3, d.samples[19]);
  for (int i = 1; i < 20; ++i) EXPECT_LE(d.samples[i - 1], d.samples[i]);
}

TEST_F(PagepackInterop, EmptyAndMalformedImagesStillLoad) {
  write("empty.pgm", "");
  write("bad.pgm", "P5\n# nothing else");
  write("LgIcon.pnm", "P5\n400 400\n255\n");
  RunResult r = pagepack({"Demo", "1", "T", "empty.pgm", "bad.pgm", "missing.pgm"});
  EXPECT_EQ(1, r.status);  // the missing input: named, and left out
  expect_palm_pdb_agrees("Demo");
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());
  for (const ReadRecord& rec : db.records) EXPECT_EQ("00 00", hex(record_data(rec.bytes)));
  EXPECT_EQ(0u, icon_bitmaps(db.app_info)[0].size());
}
