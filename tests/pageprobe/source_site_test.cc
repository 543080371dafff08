// pageprobe -s run as a whole: which pages are decoded how, the listing it
// prints, links named by unique ID, and images and icons as greymaps at their
// real width, read back by netpbm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bit_writer.h"
#include "probe_db.h"
#include "support/run_program.h"

namespace {

using namespace std::string_literals;

const std::string kApp = app_info("1.0", "Demo");
// Byte-coded: title "Hi", a link to queue position 1 around "go", the end code.
const std::string kBytePage = "Hi\0\x01\x11\x00\x04\x00\x01go\x00\x01\x71"s;
// Bit-coded: the page "hi" of the other program tests.
const std::string kBitPage = "\x6B\x80"s;

TEST(SourceSite, EachCompressionTypeAsItsForm) {
  TempDir with_s, without_s;
  std::vector<std::string> records = {pqa_record(4, "a.html", kBytePage, 0),
                                      pqa_record(4, "b.html", kBitPage, 1),
                                      pqa_record(4, "c.html", kBitPage, 2)};
  ASSERT_TRUE(write_pqa_db(with_s.file("d.pdb"), kApp, records));
  ASSERT_TRUE(write_pqa_db(without_s.file("d.pdb"), kApp, records));
  RunResult s = run_program(PAGEPROBE_BIN, {"-s", "d.pdb"}, with_s.path());
  RunResult plain = run_program(PAGEPROBE_BIN, {"d.pdb"}, without_s.path());
  EXPECT_EQ(0, s.status);
  EXPECT_EQ(plain.out, s.out);  // the same listing
  EXPECT_EQ("pageprobe: c.html: compression type 2 is not known: no file written\n", s.err);
  EXPECT_EQ("<HTML>\n<HEAD>\n<TITLE>Hi</TITLE>\n</HEAD>\n<BODY>\n<A HREF=b.html>go</A>\n"
            "</BODY>\n</HTML>\n",
            read_file(with_s.file("a.html")));
  EXPECT_EQ(read_file(without_s.file("b.html")), read_file(with_s.file("b.html")));
  EXPECT_FALSE(file_exists(with_s.file("c.html")));
  EXPECT_TRUE(file_exists(without_s.file("c.html")));
}

// 2 bits a pixel, 5 pixels in a row of 2 bytes: values 0 1 2 3 0, padding 3.
// The icons: 1 bit a pixel, 15 wide, set in the first and last column.
TEST(SourceSite, ImagesAndIconsAtRealWidthForNetpbm) {
  TempDir dir;
  std::string icon_px;
  for (int y = 0; y < 9; y++) icon_px += "\x80\x03"s;
  std::string icon = icon_entry(bitmap(15, 9, 2, 0, 1, icon_px));
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo", icon, icon),
                           {pqa_record(5, "p.pgm", bitmap(5, 1, 2, 0, 2, "\x1B\x3F"s))}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "d.pdb"}, dir.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ("P5\n5 1\n255\n\xff\xa0\x54\x00\xff"s, read_file(dir.file("p.pgm")));
  // netpbm reads the icons back: black in the first and last column only.
  std::string plain = "P2 15 9 255 ";
  for (int i = 0; i < 15 * 9; i++) plain += i % 15 == 0 || i % 15 == 14 ? "0 " : "255 ";
  for (const char* name : {"LgIcon.pnm", "SmIcon.pnm"})
    EXPECT_EQ(plain, run_shell(std::string("pnmtopnm -plain ") + name + " | tr -s ' \\n' '  '",
                               dir.path()).out);
}

// The link rewrite serves the bit-coded reading: under -s it edits the
// bit-coded pages it wrote and nothing else, so a source page whose text
// looks like an index link comes back as it was.
TEST(SourceSite, LinkRewriteEditsOnlyTheBitCodedPages) {
  TempDir dir;
  const std::string text = "index=\"00\" flags=04";
  const std::string byte_page = "Tt\0"s + text + "\x01\x71"s;
  BitWriter bit;
  bit.text("b").end().tag(17).bits(1, 2).bits(0x04, 8).uintv(0).text("go").end();
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), kApp,
                           {pqa_record(4, "a.html", byte_page),
                            pqa_record(4, "b.html", bytes(bit.bytes), 1)}));
  write_file(dir.file("old.html"), text);
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "d.pdb"}, dir.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_NE(std::string::npos, read_file(dir.file("a.html")).find(text));
  EXPECT_NE(std::string::npos, read_file(dir.file("b.html")).find("<A HREF=\"a.html\">go"));
  EXPECT_EQ(text, read_file(dir.file("old.html")));
  // pagepack builds the page's record again, byte for byte.
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"New", "1", "T", "a.html"}, dir.path()).status);
  pi_file_t* pf = pi_file_open(dir.file("New").c_str());
  ASSERT_NE(nullptr, pf);
  void* rec = nullptr;
  size_t size = 0;
  ASSERT_EQ(0, pi_file_read_record(pf, 0, &rec, &size, nullptr, nullptr, nullptr));
  EXPECT_EQ(pqa_record(4, "a.html", byte_page), std::string(static_cast<char*>(rec), size));
  pi_file_close(pf);
}

// A record named after an icon file, or after another record, would make the
// rebuilt database differ: refused, naming the clash, with status 1.
TEST(SourceSite, NameClashesAreRefused) {
  TempDir dir;
  std::string icon = icon_entry(bitmap(8, 1, 2, 0, 1, "\xf0\x00"s));
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo", icon, icon),
                           {pqa_record(5, "LgIcon.pnm", bitmap(8, 1, 2, 0, 2, "\x1b\x1b"s)),
                            pqa_record(4, "a.html", kBytePage),
                            pqa_record(4, "a.html", kBitPage, 1)}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "d.pdb"}, dir.path());
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: LgIcon.pnm: already written for the large icon, not overwritten\n"
            "pageprobe: a.html: already written for record 1, not overwritten\n",
            r.err);
  EXPECT_EQ("P5\n8 1\n255\n\0\0\0\0\xff\xff\xff\xff"s, read_file(dir.file("LgIcon.pnm")));
  EXPECT_NE(std::string::npos, read_file(dir.file("a.html")).find("<TITLE>Hi</TITLE>"));
}

}  // namespace
