// pageprobe run as a whole on databases made in a temporary directory:
// standard output, standard error, exit status and every file written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "probe_db.h"
#include "support/help_check.h"
#include "support/run_program.h"

using namespace std::string_literals;

namespace {

const std::string kHead = "<HTML>\n\t<HEAD>\n\t\t<TITLE>";
const std::string kTitleEnd = "</TITLE>\n\t</HEAD>\n\t<BODY>\n";
const std::string kTail = "\n\t</BODY>\n</HTML>\n";
const std::string kTableHead = "entries\nindex\tsize\tattrs\tcat\tuid\n";
// The page "hi": two letters and the code 0 that closes the title.
const std::string kHiPage("\x6B\x80", 2);
const std::string kHiHtml = kHead + "hi" + kTitleEnd + kTail;
const std::string kDemoApp = app_info("1.0", "Demo");
const std::string kKept =
    "exists already, not overwritten (-f replaces it, -C writes into a new folder)";
const std::string kDemoAppLines = "app_info_size 26\nVersion: 1.0\nTitle: Demo\n";

std::string page_lines(const std::string& url) {
  return "Content Type = 4\nCompression Type = 0\nflags = 00000000\nURL: " + url + "\n";
}

RunResult probe(const TempDir& dir, std::vector<std::string> args) {
  setenv("TZ", "UTC", 1);
  return run_program(PAGEPROBE_BIN, args, dir.path());
}

TEST(PageprobeProgram, UsageErrors) {
  TempDir dir;
  const std::string usage = std::string("usage: ") + PAGEPROBE_BIN +
                            " [-v] [-l] [-s] [-f] [-C DIR] [-p DIR] file\nTry '" + PAGEPROBE_BIN +
                            " --help' for more information.\n";
  const struct {
    std::vector<std::string> args;
    const char* problem;
  } kCases[] = {
      {{}, "no database given"},
      {{"a", "b"}, "one database at a time: 'b' is one too many"},
      {{"-x", "a"}, "unknown option '-x'"},
      {{"-vh", "a"}, "unknown option '-h'"},
      {{"--no-such=1", "a"}, "unknown option '--no-such'"},
      {{"a", "-p"}, "option '-p' needs a folder"},
      {{"a", "--directory"}, "option '--directory' needs a folder"},
      {{"-l", "-s", "a"}, "-l writes no file: it goes with neither -s nor -p"},
  };
  for (const auto& c : kCases) {
    RunResult r = probe(dir, c.args);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(std::string("pageprobe: ") + c.problem + "\n" + usage, r.err);
  }
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(PageprobeProgram, HelpAndVersion) {
  expect_help_and_version(PAGEPROBE_BIN, "pageprobe",
                          "[-v] [-l] [-s] [-f] [-C DIR] [-p DIR] <database>",
                          {"-v, --verbose", "-l, --list", "-s", "-C, --directory=DIR",
                           "-f, --force", "-p DIR", "--help", "--version"});
}

TEST(PageprobeProgram, ListsPageAndWritesItsFile) {
  TempDir dir;
  // a.htm with its zero byte: the zero ends the name.
  ASSERT_TRUE(write_pqa_db(dir.file("demo.pdb"), kDemoApp,
                           {pqa_record(4, std::string("a.htm\0", 6), kHiPage)}));
  RunResult r = probe(dir, {"demo.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(kDemoAppLines + kTableHead + page_lines("a.htm") + "\n\n\n", r.out);
  EXPECT_EQ((std::vector<std::string>{"LgIcon.pnm", "SmIcon.pnm", "a.htm", "demo.pdb"}),
            list_dir(dir.path()));
  EXPECT_EQ(kHiHtml, read_file(dir.file("a.htm")));
  EXPECT_EQ("", read_file(dir.file("LgIcon.pnm")));
  EXPECT_EQ("", read_file(dir.file("SmIcon.pnm")));
}

TEST(PageprobeProgram, VerboseListing) {
  TempDir dir;
  // A 5 x 2 image at 2 bits a pixel: rows 0 1 2 3 3 0 0 0 and 3 2 1 0 0 0 0 0.
  std::string image = bitmap(5, 2, 2, 0, 2, std::string("\x1b\xc0\xe4\x00", 4));
  ASSERT_TRUE(write_pqa_db(dir.file("demo.pdb"), kDemoApp,
                           {pqa_record(4, std::string("a.htm\0", 6), kHiPage),
                            pqa_record(5, std::string("i.ppm\0", 6), image)}));
  RunResult r = probe(dir, {"-v", "demo.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  const std::string page_dump = "0000: 6b 80                                             k.\n";
  const std::string expected =
      "name: \"Demo\"\n"
      "flags: 0x208 BACKUP\n"
      "version: 0\n"
      "creation_time: 2001-09-09 01:46:40\n"
      "modified_time: 2001-09-09 01:47:40\n"
      "backup_time: 2001-09-09 02:46:40\n"
      "modification_number: 0\n"
      "type: 'pqa ', creator: 'clpr'\n"
      "\n"
      "app_info_size 26\n"
      "0000: 6c 6e 63 68 00 03 80 01 00 02 31 2e 30 00 00 03   lnch......1.0...\n"
      "0010: 44 65 6d 6f 00 00 00 00 00 00                     Demo......\n"
      "\n"
      "Version: 1.0\nTitle: Demo\nICON:\nSMALL ICON:\n" +
      kTableHead + "0\t28\t0x0\t0\t0x1\n" + page_lines("a.htm") + page_dump + page_dump +
      kHiHtml + "\n" +
      "1\t46\t0x0\t0\t0x2\n"
      "Content Type = 5\nCompression Type = 0\nflags = 00000000\nURL: i.ppm\n"
      "data:\n\n"
      "0000: 00 05 00 02 00 02 00 00 02 01 00 00 00 00 00 00   ................\n"
      "0010: 1b c0 e4 00                                       .@d.\n"
      "\nimage:\n"
      "length (bytes): 20\nx= 5\ny= 2\nbyte/row= 2\nflags = 0000\nbits per pixel: 2\n"
      "version: 1\n00 00 00 00 00 00 \n"
      "static char * icon[] = {\n"
      "\"8 2 4 1\",\n"
      "\"*      c Black\",\n"
      "\"X      c gray33\",\n"
      "\"!      c gray66\",\n"
      "\".      c White\",\n"
      "\".!X**...\",\n"
      "\"*X!.....\"\n"
      "};\n"
      "\n\n\n";
  EXPECT_EQ(expected, r.out);
  EXPECT_EQ(kHiHtml, read_file(dir.file("a.htm")));
  EXPECT_EQ(ppm(8, 2, std::string("\xff\xa0\x54\x00\x00\xff\xff\xff"
                                  "\x00\x54\xa0\xff\xff\xff\xff\xff", 16)),
            read_file(dir.file("i.ppm")));
}

TEST(PageprobeProgram, OtherKindsShowOnlyTheirHeader) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("f.pdb"), "", {pqa_record(7, "", "", 1, 0x80)}));
  RunResult r = probe(dir, {"f.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  // No block: only its size. A record of kind 7 shows its header alone;
  // signed bytes widen: flags 0x80 is ffffff80.
  EXPECT_EQ("app_info_size 0\n" + kTableHead +
                "Content Type = 7\nCompression Type = 1\nUncompressed size = 0 bytes\n"
                "flags = ffffff80\n\n\n\n",
            r.out);
  EXPECT_EQ(std::vector<std::string>{"f.pdb"}, list_dir(dir.path()));
}

TEST(PageprobeProgram, GifAndJpegRecordsAreWrittenAsTheyAre) {
  TempDir dir;
  const std::string gif = "GIF89a\x01\x00\x01\x00\x00\x00\x00;"s;
  const std::string jpeg = "\xff\xd8\xff\xe0\x00\x10JFIF\x00\xff\xd9"s;
  ASSERT_TRUE(write_pqa_db(dir.file("g.pdb"), "",
                           {pqa_record(2, "a.gif", gif), pqa_record(3, "b.jpg\0"s, jpeg),
                            pqa_record(2, "../c.gif", gif), pqa_record(6, "d.bin", gif)}));
  RunResult r = probe(dir, {"g.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: ../c.gif: URL with a .. component: no file written\n", r.err);
  EXPECT_EQ(gif, read_file(dir.file("a.gif")));
  EXPECT_EQ(jpeg, read_file(dir.file("b.jpg")));
  // Other kinds keep the header-only listing.
  EXPECT_EQ((std::vector<std::string>{"a.gif", "b.jpg", "g.pdb"}), list_dir(dir.path()));
  EXPECT_NE(std::string::npos, r.out.find("Content Type = 3\nCompression Type = 0\n"
                                          "flags = 00000000\nURL: b.jpg\n\n"));
}

TEST(PageprobeProgram, ExistingFilesAreNeverReplaced) {
  TempDir dir;
  std::string icon = icon_entry(bitmap(8, 1, 2, 0, 1, std::string("\x0f\x00", 2)));
  ASSERT_TRUE(write_pqa_db(dir.file("a.pdb"), app_info("1", "A", icon, icon), {}));
  ASSERT_TRUE(write_pqa_db(dir.file("b.pdb"), app_info("1", "B", be16(9) + "short"),
                           {pqa_record(4, "a.pdb", kHiPage)}));
  ASSERT_EQ(0, probe(dir, {"a.pdb"}).status);
  const std::string large = read_file(dir.file("LgIcon.pnm")), db = read_file(dir.file("a.pdb"));
  ASSERT_NE("", large);
  // A second run, and a record named after the other database: all refused.
  RunResult r = probe(dir, {"b.pdb"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: LgIcon.pnm: " + kKept + "\n"
            "pageprobe: LgIcon.pnm: icon entry runs past the end of its block\n"
            "pageprobe: SmIcon.pnm: not written, the large icon's size is unknown\n"
            "pageprobe: a.pdb: " + kKept + "\n",
            r.err);
  EXPECT_EQ(large, read_file(dir.file("LgIcon.pnm")));
  EXPECT_EQ(db, read_file(dir.file("a.pdb")));
}

TEST(PageprobeProgram, CompressionTypeDoesNotChangeDecoding) {
  TempDir dir;
  std::string rec = pqa_record(4, "b.html", kHiPage, 1);
  rec[12] = static_cast<char>(0x84);  // not a page: 0x84 is not 4
  ASSERT_TRUE(write_pqa_db(dir.file("c.pdb"), kDemoApp,
                           {pqa_record(4, "a.html", kHiPage, 1), rec}));
  RunResult r = probe(dir, {"c.pdb"});
  EXPECT_EQ(kDemoAppLines + kTableHead +
                "Content Type = 4\nCompression Type = 1\nUncompressed size = 2 bytes\n"
                "flags = 00000000\nURL: a.html\n\n"
                "Content Type = 4294967172\nCompression Type = 1\nUncompressed size = 2 bytes\n"
                "flags = 00000000\n\n\n\n",
            r.out);
  EXPECT_EQ(kHiHtml, read_file(dir.file("a.html")));
  EXPECT_FALSE(file_exists(dir.file("b.html")));
}

// A page whose body is one local link by index (kind 1, flags 04) around "go".
std::string link_page(unsigned index) {
  // Title code 0, then code 1, tag 17, kind 01, flags 00000100, the UintV,
  // the letters g and o, code 0, and the end tag.
  std::string bits = "00000" "00001" "00010001" "01" "00000100";
  if (index < 8) {
    bits += "10";
    for (int i = 2; i >= 0; i--) bits += ((index >> i) & 1) ? '1' : '0';
  } else {
    bits += "1110";
    for (int i = 15; i >= 0; i--) bits += ((index >> i) & 1) ? '1' : '0';
  }
  bits += "01100" "10100" "00000" "00001" "01110001";
  while (bits.size() % 8) bits += '0';
  std::string out;
  for (size_t i = 0; i < bits.size(); i += 8)
    out += static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2));
  return out;
}

std::string link_html(const std::string& anchor) {
  return kHead + kTitleEnd + anchor + "go</a>" + kTail;
}

std::string index_anchor(unsigned index) {
  char buf[64];
  snprintf(buf, sizeof buf, "<A index=\"%02x\" flags=04>", index);
  return buf;
}

TEST(PageprobeProgram, RewritesIndexLinksInThePagesItWrote) {
  TempDir dir;
  // Pages 0 and 1 link to each other; an image record does not take a page
  // position; the user's own pages are left as they are.
  ASSERT_TRUE(write_pqa_db(dir.file("l.pdb"), kDemoApp,
                           {pqa_record(4, "a.html", link_page(1)),
                            pqa_record(5, "i.ppm\0", bitmap(8, 1, 2, 0, 2, std::string(2, '\0'))),
                            pqa_record(4, "b.html", link_page(0))}));
  write_file(dir.file("other.html"), "x index=\"01\" flags=04 index=\"00\" flags=04\n");
  write_file(dir.file("keep.txt"), "index=\"01\" flags=04\n");
  write_file(dir.file("my page.html"), "index=\"00\" flags=04");
  RunResult r = probe(dir, {"l.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(link_html("<A HREF=\"b.html\">"), read_file(dir.file("a.html")));
  EXPECT_EQ(link_html("<A HREF=\"a.html\">"), read_file(dir.file("b.html")));
  EXPECT_EQ("x index=\"01\" flags=04 index=\"00\" flags=04\n", read_file(dir.file("other.html")));
  EXPECT_EQ("index=\"00\" flags=04", read_file(dir.file("my page.html")));
  EXPECT_EQ("index=\"01\" flags=04\n", read_file(dir.file("keep.txt")));
  EXPECT_EQ((std::vector<std::string>{"LgIcon.pnm", "SmIcon.pnm", "a.html", "b.html", "i.ppm",
                                      "keep.txt", "l.pdb", "my page.html", "other.html"}),
            list_dir(dir.path()));
}

TEST(PageprobeProgram, NoRecordsStillRunsTheRewrite) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("e.pdb"), kDemoApp, {}));
  RunResult r = probe(dir, {"e.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(kDemoAppLines + kTableHead + "\n\n", r.out);
}

TEST(PageprobeProgram, MoreThanAHundredPages) {
  TempDir dir;
  // 260 pages; each links to the last one, whose position 259 is 103.
  std::vector<std::string> records;
  for (int i = 0; i < 260; i++)
    records.push_back(pqa_record(4, "p" + std::to_string(i) + ".html", link_page(259)));
  ASSERT_TRUE(write_pqa_db(dir.file("big.pdb"), kDemoApp, records));
  RunResult r = probe(dir, {"big.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  for (int i : {0, 100, 255, 259})
    EXPECT_EQ(link_html("<A HREF=\"p259.html\">"),
              read_file(dir.file("p" + std::to_string(i) + ".html")))
        << i;
}

TEST(PageprobeProgram, TenthAndEleventhPagePositions) {
  TempDir dir;
  std::vector<std::string> records;
  for (int i = 0; i < 11; i++)
    records.push_back(pqa_record(4, "p" + std::to_string(i) + ".html", link_page(i < 10 ? 10 : 9)));
  ASSERT_TRUE(write_pqa_db(dir.file("t.pdb"), kDemoApp, records));
  ASSERT_EQ(0, probe(dir, {"t.pdb"}).status);
  EXPECT_EQ(link_html("<A HREF=\"p10.html\">"), read_file(dir.file("p0.html")));
  EXPECT_EQ(link_html("<A HREF=\"p9.html\">"), read_file(dir.file("p10.html")));
}

TEST(PageprobeProgram, HostileNamesNeverReachTheShell) {
  TempDir dir;
  mkdir(dir.file("d").c_str(), 0700);
  const std::vector<std::string> names = {
      "q'uote;touch pwned1.html'.html",
      "$(touch pwned2.html).html",
      "`touch pwned3.html`.html",
      "semi;touch pwned4.html;.html",
      "amp&back\\slash.html",
      "d/slash.html",
      "new\nline.html",
      "sp ace\".html",
      "../escape.html",
      "/tmp/absolute.html",
      "d/../dots.html",
      "}; w pwned5.html\n#.html",
  };
  std::vector<std::string> records;
  // Each page links to itself, so that every name stands in a substitution.
  for (size_t i = 0; i < names.size(); i++)
    records.push_back(pqa_record(4, names[i], link_page(static_cast<unsigned>(i))));
  records.push_back(pqa_record(4, "all.html", link_page(0)));
  ASSERT_TRUE(write_pqa_db(dir.file("h.pdb"), kDemoApp, records));
  // Anchors of every position, in a file this run did not write: kept as it is.
  std::string earlier;
  for (size_t i = 0; i < names.size(); i++)
    earlier += "<A index=\"" + std::string(i < 16 ? "0" : "") +
               std::string(1, "0123456789abcdef"[i % 16]) + "\" flags=04>\n";
  write_file(dir.file("earlier.html"), earlier);

  RunResult r = probe(dir, {"h.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: ../escape.html: URL with a .. component: no file written\n"
            "pageprobe: /tmp/absolute.html: absolute URL: no file written\n"
            "pageprobe: d/../dots.html: URL with a .. component: no file written\n",
            r.err);
  EXPECT_EQ(earlier, read_file(dir.file("earlier.html")));
  for (size_t i = 0; i < names.size(); i++)
    if (i < 8 || i > 10) {
      EXPECT_EQ(link_html("<A HREF=\"" + names[i] + "\">"), read_file(dir.file(names[i]))) << i;
    }
  EXPECT_EQ(link_html("<A HREF=\"" + names[0] + "\">"), read_file(dir.file("all.html")));
  std::vector<std::string> expected_files = {"LgIcon.pnm", "SmIcon.pnm", "all.html", "d",
                                             "earlier.html", "h.pdb"};
  for (size_t i = 0; i < names.size(); i++)
    if (i != 5 && (i < 8 || i > 10)) expected_files.push_back(names[i]);
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(expected_files, list_dir(dir.path()));
  EXPECT_EQ(std::vector<std::string>{"slash.html"}, list_dir(dir.file("d")));
  EXPECT_FALSE(file_exists("/tmp/absolute.html"));
}

// Control characters of database texts are shown escaped, in the listing and
// in messages alike, so that no text forges a line; the file keeps its name.
TEST(PageprobeProgram, ControlCharactersOfTextsAreEscaped) {
  TempDir dir;
  const std::string url = "b.ppm\nURL: photo.jpg";
  ASSERT_TRUE(write_pqa_db(dir.file("c.pdb"), app_info("1\x01", "T\x1b[2J"),
                           {pqa_record(5, url, bitmap(8, 1, 2, 0, 2, "a"))}));
  RunResult r = probe(dir, {"c.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("app_info_size 26\nVersion: 1\\x01\nTitle: T\\x1b[2J\n" + kTableHead +
                "Content Type = 5\nCompression Type = 0\nflags = 00000000\n"
                "URL: b.ppm\\nURL: photo.jpg\n\n\n\n",
            r.out);
  EXPECT_EQ("pageprobe: b.ppm\\nURL: photo.jpg: pixel data truncated\n", r.err);
  EXPECT_TRUE(file_exists(dir.file(url)));
  // The header's type and creator too, under -v.
  std::string db = read_file(dir.file("c.pdb"));
  db.replace(60, 8, "\x1b[2J\n\x07" "ab");
  write_file(dir.file("t.pdb"), db);
  EXPECT_NE(std::string::npos,
            probe(dir, {"-v", "t.pdb"}).out.find("type: '\\x1b[2J', creator: '\\n\\x07ab'\n"));
}

TEST(PageprobeProgram, HostileRecordsAreReportedAndSkipped) {
  TempDir dir;
  std::string url_outside = pqa_record(4, "x.html", kHiPage);
  url_outside[3] = 100;  // urlOffset 100 in a 28-byte record
  std::string data_outside = pqa_record(4, "y.html", kHiPage);
  data_outside[11] = 3;  // dataLength 3, one byte past the end
  std::string long_url(120, 'u');
  BitWriter deep;
  deep.end();
  for (int i = 0; i < 40; i++) deep.tag(0);  // named anchors nested in their names
  std::vector<std::string> records = {
      std::string(10, '\x04'),                                    // 0: shorter than a header
      url_outside,                                                // 1
      data_outside,                                               // 2
      pqa_record(4, long_url, kHiPage),                           // 3
      pqa_record(5, "t.ppm\0", bitmap(16, 4, 4, 0, 2, "ab")),     // 4: pixels cut short
      pqa_record(5, "s.ppm\0", bitmap(8, 1, 2, 0, 3, "ab")),      // 5: 3 bits a pixel
      pqa_record(5, "z.ppm\0", bitmap(8, 1, 2, 0, 0, "\x0f\x01")),  // 6: pixel size 0 is 1
      pqa_record(5, "c.ppm\0", bitmap(8, 2, 2, 0x8000, 2, "\xc0xy\x80")),  // 7: stream cut
      pqa_record(5, "r.ppm\0", bitmap(16, 1, 2, 0, 2, "abcd")),   // 8: row bytes too few
      pqa_record(5, "e.ppm\0", std::string(2, '\0')),             // 9: what pagepack writes
      pqa_record(4, "deep.html", bytes(deep.bytes)),              // 10: nesting cut off
      pqa_record(4, "ok.html", link_page(5)),                     // 11: still listed
      pqa_record(5, "/tmp/x.ppm", bitmap(8, 1, 2, 0, 2, "ab")),   // 12: absolute
      pqa_record(4, "", kHiPage),                                 // 13: no name at all
  };
  ASSERT_TRUE(write_pqa_db(dir.file("bad.pdb"), kDemoApp, records));
  RunResult r = probe(dir, {"bad.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: bad.pdb record 0: record of 10 bytes is shorter than its header\n"
            "pageprobe: bad.pdb record 1: URL outside the record\n"
            "pageprobe: y.html: data outside the record\n"
            "pageprobe: bad.pdb record 3: URL of 120 bytes is longer than 99: no file written\n"
            "pageprobe: t.ppm: pixel data truncated\n"
            "pageprobe: s.ppm: unsupported pixel size 3\n"
            "pageprobe: c.ppm: compressed pixel data truncated\n"
            "pageprobe: r.ppm: 2 bytes a row are too few for 16 pixels\n"
            "pageprobe: e.ppm: bitmap shorter than its header\n"
            "pageprobe: bad.pdb record 10: strings nested deeper than 32 levels: page ends there\n"
            "pageprobe: /tmp/x.ppm: absolute URL: no file written\n"
            "pageprobe: bad.pdb record 13: empty URL: no file written\n",
            r.err);
  const std::string image_head = "Content Type = 5\nCompression Type = 0\nflags = 00000000\n";
  const std::string page_head = "Content Type = 4\nCompression Type = 0\nflags = 00000000\n";
  EXPECT_EQ(kDemoAppLines + kTableHead + "\n" + page_head + "\n" + page_lines("y.html") + "\n" +
                page_head + "\n" +
                image_head + "URL: t.ppm\n\n" + image_head + "URL: s.ppm\n\n" + image_head +
                "URL: z.ppm\n\n" + image_head + "URL: c.ppm\n\n" + image_head +
                "URL: r.ppm\n\n" + image_head + "URL: e.ppm\n\n" + page_lines("deep.html") + "\n" +
                page_lines("ok.html") + "\n" + image_head + "URL: /tmp/x.ppm\n\n" +
                page_lines("") + "\n\n\n",
            r.out);
  // The pages refused a file keep their positions: ok.html is position 4,
  // so its link to position 5 stays an index link.
  EXPECT_EQ(link_html(index_anchor(5)), read_file(dir.file("ok.html")));
  std::string anchors;
  for (int i = 0; i < 33; i++) anchors += "<A name=\"";
  for (int i = 0; i < 33; i++) anchors += "\">";
  EXPECT_EQ(kHead + kTitleEnd + anchors + kTail, read_file(dir.file("deep.html")));
  // Refused images leave empty files; pixel size 0 is read as 1.
  EXPECT_EQ((std::vector<std::string>{"LgIcon.pnm", "SmIcon.pnm", "bad.pdb", "c.ppm", "deep.html",
                                      "e.ppm", "ok.html", "r.ppm", "s.ppm", "t.ppm", "z.ppm"}),
            list_dir(dir.path()));
  for (const char* name : {"c.ppm", "e.ppm", "r.ppm", "s.ppm", "t.ppm"})
    EXPECT_EQ("", read_file(dir.file(name))) << name;
  EXPECT_EQ(ppm(8, 1, std::string("\xff\xff\xff\xff\x00\x00\x00\x00", 8)),
            read_file(dir.file("z.ppm")));
}

TEST(PageprobeProgram, UnreadableRecordStopsTheListingBeforeTheRewrite) {
  TempDir dir;
  // A resource database opens, but none of its records can be read.
  write_file(dir.file("w.pl"),
             "use strict; use warnings; use Palm::PDB; use Palm::Raw;\n"
             "my $p = Palm::Raw->new;\n"
             "$p->{name} = 'Res'; $p->{type} = 'pqa '; $p->{creator} = 'clpr';\n"
             "$p->{ctime} = 1000000000; $p->{mtime} = 1000000000; $p->{baktime} = 1000000000;\n"
             "$p->{modnum} = 7; $p->{version} = 3;\n"
             "$p->{attributes}{$_} = 1 for qw(ResDB ReadOnly AppInfoDirty Backup\n"
             "  OKToInstallNewer ResetAfterInstall LaunchableData Open);\n"
             "my $r = $p->append_Resource; $r->{type} = 'tSTR'; $r->{id} = 1;\n"
             "$r->{data} = 'abc';\n"
             "$p->Write('res.prc');\n");
  RunResult w = run_shell("perl w.pl", dir.path());
  ASSERT_EQ(0, w.status) << w.err;
  write_file(dir.file("old.html"), "index=\"00\" flags=04");
  RunResult r = probe(dir, {"-v", "res.prc"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: res.prc record 0: cannot be read, a resource database holds no PQA "
            "records: the listing stops here\n", r.err);
  // Palm::PDB stamps the modification time itself when it writes.
  size_t m = r.out.find("modified_time: ");
  ASSERT_NE(std::string::npos, m);
  r.out.replace(m + 15, 19, "(written)");
  EXPECT_EQ("name: \"Res\"\n"
            "flags: 0x823f NEWER RESET RESOURCE READ_ONLY APP-INFO-DIRTY BACKUP OPEN\n"
            "version: 3\n"
            "creation_time: 2001-09-09 01:46:40\n"
            "modified_time: (written)\n"
            "backup_time: 2001-09-09 01:46:40\n"
            "modification_number: 7\n"
            "type: 'pqa ', creator: 'clpr'\n\n"
            "app_info_size 0\n\n" +
                kTableHead + "error reading 0\n\n",
            r.out);
  EXPECT_EQ("index=\"00\" flags=04", read_file(dir.file("old.html")));
}

// The 32 x 32 icon of a 1-bit bitmap: a diagonal line on white.
std::string diagonal_icon_pixels() {
  std::string px(128, '\0');
  for (int y = 0; y < 32; y++) px[y * 4 + y / 8] = static_cast<char>(0x80 >> (y % 8));
  return px;
}

TEST(PageprobeProgram, LauncherIcons) {
  TempDir dir;
  std::string large = icon_entry(bitmap(32, 32, 4, 0, 1, diagonal_icon_pixels()));
  ASSERT_EQ(146u, large.size());
  // 15 x 9 with black padding in the sixteenth column, as pagepack writes it.
  std::string small_px;
  for (int y = 0; y < 9; y++) small_px += std::string("\x00\x01", 2);
  std::string small = icon_entry(bitmap(15, 9, 2, 0, 1, small_px));
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1.0", "Demo", large, small), {}));
  RunResult r = probe(dir, {"-v", "i.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);

  std::string large_samples;
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) large_samples += static_cast<char>(x == y ? 0 : 255);
  EXPECT_EQ(ppm(32, 32, large_samples), read_file(dir.file("LgIcon.pnm")));
  std::string small_samples;
  for (int y = 0; y < 9; y++) small_samples += std::string(15, '\xff') + std::string(1, '\0');
  EXPECT_EQ(ppm(16, 9, small_samples), read_file(dir.file("SmIcon.pnm")));

  EXPECT_NE(std::string::npos,
            r.out.find("ICON:\nlength (bytes): 144\nx= 32\ny= 32\nbyte/row= 4\nflags = 0000\n"
                       "bits per pixel: 1\nversion: 1\n00 00 00 00 00 00 \n"
                       "static char * icon[] = {\n\"32 32 2 1\",\n\".      c White\",\n"
                       "\"*      c Black\",\n\"*...............................\",\n"))
      << r.out;
  EXPECT_NE(std::string::npos,
            r.out.find("\"...............................*\"\n};\nSMALL ICON:\n"
                       "length (bytes): 34\nx= 15\ny= 9\nbyte/row= 2\n"))
      << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\"...............*\"\n};\nentries\n")) << r.out;
}

TEST(PageprobeProgram, EmptyLargeIconThenSmallIcon) {
  TempDir dir;
  std::string small = icon_entry(bitmap(8, 1, 2, 0, 1, std::string("\x0f\x00", 2)));
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1.0", "Demo", std::string(2, '\0'), small),
                           {}));
  RunResult r = probe(dir, {"i.pdb"});
  EXPECT_EQ("", r.err);
  EXPECT_EQ("", read_file(dir.file("LgIcon.pnm")));
  EXPECT_TRUE(file_exists(dir.file("LgIcon.pnm")));
  EXPECT_EQ(ppm(8, 1, std::string("\xff\xff\xff\xff\x00\x00\x00\x00", 8)),
            read_file(dir.file("SmIcon.pnm")));
}

TEST(PageprobeProgram, IconFileThatCannotBeCreatedCostsNotTheOther) {
  TempDir dir;
  mkdir(dir.file("LgIcon.pnm").c_str(), 0700);
  std::string small = icon_entry(bitmap(8, 1, 2, 0, 1, std::string(2, '\0')));
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1.0", "Demo", small, small), {}));
  RunResult r = probe(dir, {"-v", "i.pdb"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: LgIcon.pnm: a folder is in the way (-C writes into a new folder)\n", r.err);
  // The large icon is still shown, and the small one written.
  EXPECT_NE(std::string::npos, r.out.find("Title: Demo\nICON:\nlength (bytes): 18\n")) << r.out;
  EXPECT_EQ(ppm(8, 1, std::string(8, '\xff')), read_file(dir.file("SmIcon.pnm")));
}

TEST(PageprobeProgram, ShortApplicationInfoBlocks) {
  TempDir dir;
  // The title's word count announces more than the block holds.
  std::string app = std::string("lnch\x00\x03\x80\x01", 8) + app_string("1.0") + be16(40) + "Te";
  ASSERT_TRUE(write_pqa_db(dir.file("a.pdb"), app, {}));
  RunResult r = probe(dir, {"a.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: a.pdb: application info block ends inside its title\n", r.err);
  TempDir dir_b, dir_c;
  EXPECT_EQ("app_info_size 18\nVersion: 1.0\n" + kTableHead + "\n\n", r.out);
  EXPECT_FALSE(file_exists(dir.file("LgIcon.pnm")));

  // A version without its zero byte ends with its field; no icon entries.
  app = std::string("lnch\x00\x03\x80\x01", 8) + be16(1) + "1." + app_string("T");
  ASSERT_TRUE(write_pqa_db(dir_b.file("b.pdb"), app, {}));
  r = probe(dir_b, {"b.pdb"});
  EXPECT_EQ("pageprobe: LgIcon.pnm: icon entry runs past the end of its block\n"
            "pageprobe: SmIcon.pnm: not written, the large icon's size is unknown\n", r.err);
  EXPECT_EQ("app_info_size 16\nVersion: 1.\nTitle: T\n" + kTableHead + "\n\n", r.out);

  // A word count of 0x0080 steps forward over 256 bytes.
  app = std::string("lnch\x00\x03\x80\x01", 8) + be16(0x80) + "v" + std::string(255, '\0') +
        app_string("Far");
  ASSERT_TRUE(write_pqa_db(dir_c.file("c.pdb"), app + std::string(4, '\0'), {}));
  r = probe(dir_c, {"c.pdb"});
  EXPECT_EQ("", r.err);
  EXPECT_EQ("app_info_size 276\nVersion: v\nTitle: Far\n" + kTableHead + "\n\n", r.out);
}

TEST(PageprobeProgram, PageFileThatCannotBeCreated) {
  TempDir dir;
  write_file(dir.file("nodir"), "a file where the URL needs a folder");
  ASSERT_TRUE(write_pqa_db(dir.file("n.pdb"), kDemoApp,
                           {pqa_record(4, "nodir/a.html", kHiPage),
                            pqa_record(4, "b.html", link_page(0))}));
  RunResult r = probe(dir, {"n.pdb"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: nodir/a.html: nodir is not a folder\n", r.err);
  // The name keeps its position and its substitution.
  EXPECT_EQ(link_html("<A HREF=\"nodir/a.html\">"), read_file(dir.file("b.html")));
}

// -l writes nothing; -C writes only inside its folder, in the folders the
// URLs name; -f replaces regular files, never a folder, a link or the database.
TEST(PageprobeProgram, WhereAndWhetherToWrite) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("w.pdb"), kDemoApp,
                           {pqa_record(4, "a.html", link_page(1)),
                            pqa_record(4, "d/e/b.html", link_page(0)),
                            pqa_record(5, "w.pdb", bitmap(8, 1, 2, 0, 2, std::string(2, '\0')))}));
  RunResult listed = probe(dir, {"-l", "-C", "out", "w.pdb"});
  EXPECT_EQ(std::vector<std::string>{"w.pdb"}, list_dir(dir.path()));
  RunResult r = probe(dir, {"-C", "out", "w.pdb"});
  EXPECT_EQ(0, r.status + listed.status);
  EXPECT_EQ("", r.err + listed.err);
  EXPECT_EQ(listed.out, r.out);
  EXPECT_EQ((std::vector<std::string>{"out", "w.pdb"}), list_dir(dir.path()));
  EXPECT_EQ((std::vector<std::string>{"LgIcon.pnm", "SmIcon.pnm", "a.html", "d", "w.pdb"}),
            list_dir(dir.file("out")));
  EXPECT_EQ(link_html("<A HREF=\"d/e/b.html\">"), read_file(dir.file("out/a.html")));
  EXPECT_EQ(link_html("<A HREF=\"a.html\">"), read_file(dir.file("out/d/e/b.html")));

  // Again over the same files: kept without -f, replaced with it, but never
  // the folder, the link or the database in the way.
  write_file(dir.file("out/a.html"), "changed");
  write_file(dir.file("victim"), "mine");
  ASSERT_EQ(0, unlink(dir.file("out/SmIcon.pnm").c_str()));
  ASSERT_EQ(0, symlink("../victim", dir.file("out/SmIcon.pnm").c_str()));
  ASSERT_EQ(0, unlink(dir.file("out/LgIcon.pnm").c_str()));
  ASSERT_EQ(0, mkdir(dir.file("out/LgIcon.pnm").c_str(), 0755));
  r = probe(dir, {"-C", "out", "w.pdb"});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("pageprobe: a.html: " + kKept + "\n")) << r.err;
  EXPECT_EQ("changed", read_file(dir.file("out/a.html")));
  r = run_program(PAGEPROBE_BIN, {"-f", "../w.pdb"}, dir.file("out"));
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: LgIcon.pnm: a folder is in the way (-C writes into a new folder)\n"
            "pageprobe: SmIcon.pnm: a symbolic link is in the way, not followed (-C writes into a "
            "new folder)\n",
            r.err);
  EXPECT_EQ(link_html("<A HREF=\"d/e/b.html\">"), read_file(dir.file("out/a.html")));
  EXPECT_EQ("mine", read_file(dir.file("victim")));
  const std::string db = read_file(dir.file("w.pdb"));
  r = probe(dir, {"-f", "w.pdb"});
  EXPECT_EQ("pageprobe: w.pdb: is the database being read, not replaced\n", r.err);
  EXPECT_EQ(db, read_file(dir.file("w.pdb")));
}

// Under a file-size limit a write fails as any other does (EFBIG), instead of
// the signal killing the run.
TEST(PageprobeProgram, FileSizeLimitIsAFailedWrite) {
  TempDir dir;
  const std::string gif = "GIF89a" + std::string(3000, 'x');
  ASSERT_TRUE(write_pqa_db(dir.file("g.pdb"), "", {pqa_record(2, "a.gif", gif)}));
  RunResult r = run_shell("ulimit -f 1 && " + shell_quote(PAGEPROBE_BIN) + " g.pdb >/dev/null",
                          dir.path());
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: a.gif: File too large\n", r.err);
}

}  // namespace
