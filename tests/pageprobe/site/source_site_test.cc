// pageprobe -s run as a whole: which pages are decoded how, the listing it
// prints, links named by unique ID, and images as PNG and icons as greymaps
// at their real width, read back by netpbm.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "bit_writer.h"
#include "pagepack/program_test_util.h"
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
  EXPECT_EQ("pageprobe: b.html: a bit-coded page (compression type 1): rebuilt as byte-coded markup\n"
            "pageprobe: c.html: compression type 2 is not known: no file written\n", s.err);
  EXPECT_EQ("<HTML>\n<HEAD>\n<TITLE>Hi</TITLE>\n</HEAD>\n<BODY>\n<A HREF=b.html>go</A>\n"
            "</BODY>\n</HTML>\n",
            read_file(with_s.file("a.html")));
  EXPECT_EQ(read_file(without_s.file("b.html")), read_file(with_s.file("b.html")));
  EXPECT_FALSE(file_exists(with_s.file("c.html")));
  EXPECT_TRUE(file_exists(without_s.file("c.html")));
}

// An image file of -s: a PNG (whatever its name says) that netpbm reads as
// the greymap `greys`.
void expect_png_of(const std::string& greys, const TempDir& dir, const std::string& name) {
  EXPECT_EQ("\x89PNG\r\n\x1A\n", read_file(dir.file(name)).substr(0, 8)) << name;
  EXPECT_EQ(greys, run_shell("pngtopnm '" + name + "'", dir.path()).out) << name;
}

// 2 bits a pixel, 5 pixels in a row of 2 bytes: values 0 1 2 3 0, padding 3.
// The icons: 1 bit a pixel, 15 wide, set in the first and last column.
TEST(SourceSite, ImagesAndIconsAtRealWidthForNetpbm) {
  TempDir dir;
  std::string icon_px;
  for (int y = 0; y < 9; y++) icon_px += "\x80\x03"s;
  std::string icon = icon_entry(bitmap(15, 9, 2, 0, 1, icon_px));
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo", icon, icon),
                           {pqa_record(5, "p.pgm\0"s, bitmap(5, 1, 2, 0, 2, "\x1B\x3F"s))}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "d.pdb"}, dir.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  expect_png_of("P5\n5 1\n255\n\xff\xa0\x54\x00\xff"s, dir, "p.pgm");
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
  EXPECT_EQ("pageprobe: b.html: a bit-coded page (compression type 1): rebuilt as byte-coded markup\n",
            r.err);
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

// A record as pagepack lays it out: a URL of odd length padded with a zero.
std::string record(unsigned content, const std::string& url, const std::string& data,
                   unsigned compression = 0, unsigned flags = 0) {
  return pqa_record(content, url + std::string(url.size() % 2, '\0'), data, compression, flags);
}

// What `sh rebuild.sh` in dir/s hands pagepack, one [argument] a line.
std::string rebuild_args(const TempDir& dir) {
  write_file(dir.file("args"), "#!/bin/sh\nprintf '[%s]\\n' \"$@\"\n");
  chmod(dir.file("args").c_str(), 0700);
  return run_shell("PAGEPACK=" + dir.file("args") + " sh rebuild.sh", dir.file("s")).out;
}

// rebuild.sh gives every queue position its input: a gap a placeholder,
// trailing gaps that links name too, a name the first-dot rule takes for the
// other kind its option, a second name of one file with the same data that
// name, and with other data a distinct file; the folders of URLs are made.
TEST(SourceSite, RebuildCommandKeepsPositionsKindsAndFiles) {
  TempDir dir;
  mkdir(dir.file("s").c_str(), 0700);
  const std::string links =
      "Hi\0\x01\x11\x00\x04\x00\x01go\x00\x01\x11\x00\x04\x00\x09x\x00\x01\x71"s;
  const std::string image = bitmap(5, 1, 2, 0, 2, "\x1B\x3F"s);
  ASSERT_TRUE(
      write_pqa_db(dir.file("d.pdb"), app_info("1.0", "it's $HOME \"q\"\n\xe9"),
                   {record(4, "index.html", links), record(4, "dist.authors.html", links),
                    record(5, "pics/logo", image), record(4, "./dist.authors.html", links),
                    record(4, "sub/q'\n.html", kBytePage), record(4, "sub//q'\n.html", links)},
                   0x208, {1, 3, 4, 5, 6, 7}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "../d.pdb"}, dir.file("s"));
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(
      "pageprobe: sub//q'\\n.html: names the file of record 4 (sub/q'\\n.html), whose data differ: "
      "written as record-5-q'\\n.html\n",
      r.err);
  EXPECT_EQ(
      "[--gap=.hole-2]\n[--page=dist.authors.html]\n[--image=pics/logo]\n"
      "[--page=./dist.authors.html]\n[--gap=.hole-8]\n[--gap=.hole-9]\n[--gap=.hole-10]\n[--]\n"
      "[Demo]\n[1.0]\n[it's $HOME \"q\"\n\xe9]\n[index.html]\n[.hole-2]\n[dist.authors.html]\n"
      "[pics/logo]\n[./dist.authors.html]\n[sub/q'\n.html]\n[record-5-q'\n.html]\n[.hole-8]\n"
      "[.hole-9]\n[.hole-10]\n",
      rebuild_args(dir));
  expect_png_of("P5\n5 1\n255\n\xff\xa0\x54\x00\xff"s, dir, "s/pics/logo");
  EXPECT_NE(std::string::npos, read_file(dir.file("s/sub/q'\n.html")).find("<TITLE>Hi</TITLE>"));
  EXPECT_NE(std::string::npos, read_file(dir.file("s/record-5-q'\n.html")).find("HREF=.hole-10>x"));
  // pagepack builds every record again but the renamed one, unique IDs included.
  ASSERT_EQ(0, run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh", dir.file("s")).status);
  ReadDatabase was = read_database(dir.file("d.pdb")), is = read_database(dir.file("s/Demo"));
  ASSERT_EQ(was.records.size(), is.records.size());
  EXPECT_EQ(was.app_info, is.app_info);
  for (size_t i = 0; i < was.records.size(); i++) {
    EXPECT_EQ(was.records[i].uid, is.records[i].uid);
    EXPECT_EQ(i != 5, was.records[i].bytes == is.records[i].bytes) << i;
  }
}

// A database without records: pagepack needs an input, a placeholder.
TEST(SourceSite, DatabaseWithoutRecordsComesBack) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), kApp, {}));
  mkdir(dir.file("s").c_str(), 0700);
  ASSERT_EQ(0, run_program(PAGEPROBE_BIN, {"-s", "../d.pdb"}, dir.file("s")).status);
  ASSERT_EQ(0, run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh", dir.file("s")).status);
  ReadDatabase was = read_database(dir.file("d.pdb")), is = read_database(dir.file("s/Demo"));
  EXPECT_TRUE(is.ok && is.records.empty());
  EXPECT_EQ(was.app_info, is.app_info);
}

// What cannot come back is named, with the reason and what the rebuild does
// instead: files of the icons and the command, a ".." after a name,
// unique IDs out of order or beyond the queue, record attributes and
// categories, kinds pagepack does not make,
// text after a zero byte, a database name that names no file here.
TEST(SourceSite, WhatCannotComeBackIsNamed) {
  TempDir dir;
  mkdir(dir.file("s").c_str(), 0700);
  const std::string image = bitmap(5, 1, 2, 0, 2, "\x1B\x3F"s);
  ASSERT_TRUE(write_pqa_db(
      dir.file("d.pdb"), app_info("1.0\0x"s, "T", icon_entry(bitmap(8, 1, 2, 0, 1, "\xf0\x00"s))),
      {record(5, "LgIcon.pnm", image), record(4, "rebuild.sh", kBytePage),
       record(4, "a/../up.html", kBytePage), record(4, "b.html", kBytePage),
       record(4, "c.html", kBytePage), record(3, "p.jpg", "\xff\xd8"s), record(7, "o.x", ""),
       record(4, "d.html", "\0\x01\x11\x00\x04\x00\x02x\0\x01\x71\0"s, 0, 1),
       record(4, "/b.html", kBytePage)},
      0x208, {1, 2, 4, 3, 1500, 8, 9, 10, 11}, "a/b", {0, 0, 0, 0x45}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "../d.pdb"}, dir.file("s"));
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(
      "pageprobe: ../d.pdb: the version holds more after its zero byte, which no argument "
      "can hold: rebuilt without it\n"
      "pageprobe: LgIcon.pnm: names the file of the large icon: written as record-0-LgIcon.pnm\n"
      "pageprobe: rebuild.sh: names the file of the rebuild command: written as "
      "record-1-rebuild.sh\n"
      "pageprobe: a/../up.html: URL with a .. component: written as record-2-up.html\n"
      "pageprobe: b.html: its attributes and category (0x45), which pagepack never writes: "
      "rebuilt without them\n"
      "pageprobe: b.html: unique ID 3 cannot be kept (not above the unique ID of a record before "
      "it): rebuilt as 5\n"
      "pageprobe: c.html: unique ID 1500 cannot be kept (pagepack queues at most 1000 inputs): "
      "rebuilt as 6\n"
      "pageprobe: p.jpg: a JPEG record: rebuilt as a Palm bitmap\n"
      "pageprobe: o.x: content type 7, which pagepack does not make: left out of rebuild.sh\n"
      "pageprobe: d.html: its flags are not 0: rebuilt as pagepack writes it\n"
      "pageprobe: /b.html: absolute URL: written as record-8-b.html\n"
      "pageprobe: d.html: a link or image to record 3 (b.html), whose unique ID cannot be kept, "
      "is named at its new place\n"
      "pageprobe: ../d.pdb: the database name a/b names no file of this folder: rebuild.sh "
      "builds it as rebuilt\n",
      r.err);
  EXPECT_EQ(
      "[--bitmap=LgIcon.pnm]\n[--page=record-1-rebuild.sh]\n[--gap=.hole-3]\n[--gap=.hole-7]\n"
      "[--gap=.hole-9]\n[--]\n[rebuilt]\n[1.0]\n"
      "[T]\n[record-0-LgIcon.pnm]\n[record-1-rebuild.sh]\n[.hole-3]\n[record-2-up.html]\n"
      "[b.html]\n[c.html]\n[.hole-7]\n[p.jpg]\n[.hole-9]\n[d.html]\n[record-8-b.html]\n",
      rebuild_args(dir));
}

// What pagepack would not read back as it is: more data than it puts in a
// record, a URL naming a folder by its last ".", a bitmap not black past its
// width; a database
// name that something in the folder has already, such as the database taken
// apart there, which the rebuild would replace.
TEST(SourceSite, WhatPagepackCannotReadBackIsNamed) {
  TempDir dir;
  mkdir(dir.file("s").c_str(), 0700);
  for (const char* taken : {"s/Demo", "s/rebuilt"}) write_file(dir.file(taken), "x");
  const std::string url(99, 'p');
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"),
                           app_info("1.0", "T", icon_entry(bitmap(1025, 1, 130, 0, 1,
                                                                  std::string(130, '\0')))),
                           {record(5, "w.pgm", bitmap(1025, 2, 258, 0, 2, std::string(516, '\0'))),
                            record(5, "n.pgm", bitmap(1024, 1, 256, 0, 2, std::string(256, '\0'))),
                            record(4, "a/.", kBytePage),
                            record(4, url, "Hi\0"s + std::string(65455, 'a') + "\x01\x71"s)}));
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "../d.pdb"}, dir.file("s"));
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: a/.: URL naming a folder: written as record-2-a\n"
            "pageprobe: " + url + ": its data are more than pagepack puts in a record: rebuilt as "
            "pagepack writes it\n"
            "pageprobe: ../d.pdb: the database name Demo names something in this folder already: "
            "rebuild.sh builds it as rebuilt-2\n",
            r.err);
  EXPECT_EQ("x", read_file(dir.file("s/Demo")));
  // A PNG has no row buffer: 1024 pixels wide come back from it, the
  // bitmap that is white past its width as it is.
  EXPECT_EQ("\x89PNG", read_file(dir.file("s/n.pgm")).substr(0, 4));
  EXPECT_EQ(bitmap(1025, 2, 258, 0, 2, std::string(516, '\0')), read_file(dir.file("s/w.pgm")));
}

// A record that cannot be read ends the listing; under -s no rebuild.sh is
// written for the part of the site before it, and the run fails.
TEST(SourceSite, UnreadableRecordWritesNoRebuildCommand) {
  TempDir dir;
  // A resource database: one 10-byte entry, its 4 bytes of data at offset 90.
  const std::string db = "R"s + std::string(31, '\0') + "\0\x01"s + std::string(26, '\0') +
                         "pqa clpr"s + std::string(8, '\0') + "\0\x01tAIN\0\x01\0\0\0\x5a\0\0abcd"s;
  write_file(dir.file("r.pdb"), db);
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "r.pdb"}, dir.path());
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.out.find("error reading 0\n"));
  EXPECT_EQ("pageprobe: r.pdb: no application-info block: rebuilt with pagepack's\n"
            "pageprobe: r.pdb record 0: cannot be read, a resource database holds no PQA records: "
            "no rebuild.sh written\n",
            r.err);
  EXPECT_FALSE(file_exists(dir.file("rebuild.sh")));
}

}  // namespace
