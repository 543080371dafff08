// pageprobe -p DIR run as a whole: which folders it takes, the files of the
// preview, and that every output of today stays as it is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "message.h"
#include "pageprobe/preview/preview_check.h"
#include "preview/preview.h"
#include "probe_db.h"
#include "support/pagepack_messages.h"
#include "support/run_program.h"

namespace {

RunResult probe(const std::string& dir, std::vector<std::string> args) {
  setenv("TZ", "UTC", 1);
  return run_program(PAGEPROBE_BIN, args, dir);
}

// A bit-coded page titled "hi" whose body links to the second page record
// (index 1) and shows the image with unique ID 2 (index 1).
std::string linking_page(unsigned index = 1) {
  BitWriter w;
  w.text("hi").end().tag(17).bits(1, 2).bits(0x04, 8).uintv(index).text("next").end();
  w.tag(52).bits(0x80, 8).uintv(1);
  return bytes(w.bytes);
}

// A 13 x 2 image at 2 bits a pixel: every value 0 to 3 in row 0, black row 1.
const std::string kImage = bitmap(13, 2, 4, 0, 2, std::string("\x1b\x1b\x1b\x00\xff\xff\xff\xff", 8));
// A 3 x 1 icon at 1 bit: set, clear, set.
const std::string kIcon = bitmap(3, 1, 2, 0, 1, std::string("\xa0\x00", 2));

std::string rgb_of(const std::vector<unsigned char>& grey) {
  std::string rgb;
  for (unsigned char c : grey) rgb += std::string(3, static_cast<char>(c));
  return rgb;
}

std::vector<std::string> demo_records() {
  return {pqa_record(4, "a.html", linking_page(), 1), pqa_record(5, "i.pgm", kImage),
          pqa_record(4, "b.html", std::string("\x6B\x80", 2), 1)};
}

TEST(PreviewProgram, RefusesFoldersInUse) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo"), demo_records()));
  write_file(dir.file("file"), "x");
  mkdir(dir.file("full").c_str(), 0755);
  write_file(dir.file("full/keep"), "mine");
  const std::vector<std::string> before = list_dir(dir.path());
  for (const char* folder : {"file", "full", ".", "missing/sub"}) {
    RunResult r = probe(dir.path(), {"-p", folder, "d.pdb"});
    EXPECT_EQ(1, r.status) << folder;
    EXPECT_EQ("", r.out) << folder;
    EXPECT_EQ(0u, r.err.find(std::string("pageprobe: ") + folder + ": ")) << r.err;
    EXPECT_EQ(before, list_dir(dir.path())) << folder;
  }
  EXPECT_EQ("mine", read_file(dir.file("full/keep")));
}

TEST(PreviewProgram, TodaysOutputsUnchanged) {
  TempDir plain, with;
  for (const TempDir* d : {&plain, &with})
    ASSERT_TRUE(write_pqa_db(d->file("d.pdb"), app_info("1.0", "Demo", icon_entry(kIcon)),
                             demo_records()));
  mkdir(with.file("empty").c_str(), 0755);
  RunResult a = probe(plain.path(), {"-v", "d.pdb"});
  RunResult b = probe(with.path(), {"-v", "-p", "empty", "d.pdb"});
  EXPECT_EQ(0, b.status);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.err, b.err);
  std::vector<std::string> files = list_dir(with.path());
  files.erase(std::find(files.begin(), files.end(), "empty"));
  ASSERT_EQ(list_dir(plain.path()), files);
  for (const std::string& f : files) EXPECT_EQ(read_file(plain.file(f)), read_file(with.file(f))) << f;
}

TEST(PreviewProgram, WritesLauncherPagesAndImages) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo", icon_entry(kIcon)),
                           demo_records()));
  RunResult r = probe(dir.path(), {"-p", "prev", "d.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  const std::string prev = dir.file("prev");
  EXPECT_EQ((std::vector<std::string>{"icon-large.png", "index.html", "record-0000.html",
                                      "record-0001.png", "record-0002.html"}),
            list_dir(prev));
  EXPECT_EQ(std::vector<std::string>{}, unresolved_targets(prev));
  // The images at their real width, in the colours of the export.
  RunResult png = run_shell("pngtopnm record-0001.png && pngtopnm icon-large.png", prev);
  std::vector<unsigned char> image = {255, 160, 84, 0, 255, 160, 84, 0, 255, 160, 84, 0, 255};
  image.resize(26, 0);
  const std::vector<unsigned char> icon = {0, 255, 0};
  EXPECT_EQ("P6\n13 2\n255\n" + rgb_of(image) + "P6\n3 1\n255\n" + rgb_of(icon), png.out);
  const std::string page = read_file(prev + "/record-0000.html");
  EXPECT_NE(std::string::npos, page.find("<a href=\"index.html\">")) << page;
  EXPECT_NE(std::string::npos, page.find("<a href=\"record-0002.html\">next</a>")) << page;
  EXPECT_NE(std::string::npos, page.find("<img src=\"record-0001.png\">")) << page;
  const std::string index = read_file(prev + "/index.html");
  for (const char* part : {"<h1>Demo</h1>version 1.0", "<dd>2001-09-09 01:46:40</dd>",
                           "<dd>3</dd>",
                           "<td>1</td><td>2</td><td>image</td><td>2-bit uncompressed</td>"
                           "<td>49</td>"
                           "<td>i.pgm</td><td><a href=\"record-0001.png\"><img class=\"thumb\""})
    EXPECT_NE(std::string::npos, index.find(part)) << part;
}

// A bit-coded page's link goes where the listing's link rewrite sends it: to
// the page at that position among the page records, whatever the unique IDs.
TEST(PreviewProgram, BitCodedLinksAsTheListingReadsThem) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo"),
                           {pqa_record(5, "i.pgm", kImage),
                            pqa_record(4, "a.html", linking_page(), 1),
                            pqa_record(4, "b.html", std::string("\x6B\x80", 2), 1)}));
  RunResult r = probe(dir.path(), {"-p", "prev", "d.pdb"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, read_file(dir.file("a.html")).find("<A HREF=\"b.html\">next"));
  const std::string page = read_file(dir.file("prev/record-0001.html"));
  EXPECT_NE(std::string::npos, page.find("<a href=\"record-0002.html\">next</a>")) << page;
}

// GIF and JPEG records are shown as the files they hold, once their
// signature says so; a page's images lead to them.
TEST(PreviewProgram, GifAndJpegRecordsAreShown) {
  TempDir dir;
  const std::string gif = read_file(PQA_EXAMPLES_DIR "/cloth.gif");
  const std::string jpeg = read_file(PQA_EXAMPLES_DIR "/photo.jpg");
  BitWriter page;
  page.text("p").end();
  for (unsigned i = 1; i <= 3; i++) page.tag(52).bits(0x80, 8).uintv(i);
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo"),
                           {pqa_record(4, "p.html", bytes(page.bytes), 1),
                            pqa_record(2, "c.gif", gif), pqa_record(3, "p.jpg", jpeg),
                            pqa_record(2, "x.gif", jpeg)}));
  RunResult r = probe(dir.path(), {"-p", "prev", "d.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: prev/record-0003.gif: no GIF signature, not shown\n", r.err);
  EXPECT_EQ(gif, read_file(dir.file("prev/record-0001.gif")));
  EXPECT_EQ(jpeg, read_file(dir.file("prev/record-0002.jpg")));
  EXPECT_FALSE(file_exists(dir.file("prev/record-0003.gif")));
  const std::string html = read_file(dir.file("prev/record-0000.html"));
  EXPECT_NE(std::string::npos,
            html.find("<img src=\"record-0001.gif\"><img src=\"record-0002.jpg\"><img>"))
      << html;
  const std::string index = read_file(dir.file("prev/index.html"));
  EXPECT_NE(std::string::npos, index.find("<td>JPEG image</td><td>0</td>")) << index;
  EXPECT_NE(std::string::npos, index.find("<img class=\"thumb\" src=\"record-0002.jpg\""))
      << index;
  EXPECT_EQ(std::vector<std::string>{}, unresolved_targets(dir.file("prev")));
}

// What pagepack writes for a site shows as a browser would show the site:
// end codes that close no element (pagepack keeps one for every closing tag,
// also of elements it drops) show nothing, while -s keeps them as "</>",
// which pagepack compiles to the same code; and an image of no pixels (from
// a 0 x 5 greymap) is a note, not a failure.
TEST(PreviewProgram, PackedSiteAsABrowserShowsIt) {
  TempDir dir;
  write_file(dir.file("a.html"),
             "<BODY><CENTER>Hello</CENTER> <UL><LI>one</LI></UL><IMG SRC=e.pgm></BODY>");
  write_file(dir.file("e.pgm"), "P5\n0 5\n255\n");
  RunResult pack = run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, dir.path());
  ASSERT_EQ("", pagepack_slips(pack.err));
  ASSERT_EQ(0, mkdir(dir.file("out").c_str(), 0755));
  RunResult r = probe(dir.file("out"), {"-s", "-p", "prev", "../D"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  const std::string page = read_file(dir.file("out/prev/record-0000.html"));
  EXPECT_NE(std::string::npos, page.find("\nHello one<img>")) << page;
  EXPECT_EQ(std::string::npos, page.find("&lt;/&gt;")) << page;
  EXPECT_NE(std::string::npos, read_file(dir.file("out/a.html")).find("Hello</> one</></>"));
  EXPECT_NE(std::string::npos, read_file(dir.file("out/prev/index.html"))
                                   .find("<td>e.pgm</td><td>empty image, 0 &#215; 5 pixels</td>"));
}

// A link planted in the folder between its check and the writing of the
// preview is never followed: every preview file is made new.
TEST(PreviewProgram, LinkPlantedAfterTheCheckIsNeverFollowed) {
  TempDir dir;
  ASSERT_TRUE(write_pqa_db(dir.file("d.pdb"), app_info("1.0", "Demo"), demo_records()));
  write_file(dir.file("outside"), "left alone");
  const std::string prev = dir.file("prev");
  const int fd = open_preview_dir(-1, prev.c_str());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, symlink(dir.file("outside").c_str(), (prev + "/index.html").c_str()));
  pi_file_t* pf = pi_file_open(dir.file("d.pdb").c_str());
  ASSERT_NE(nullptr, pf);
  DBInfo info;
  pi_file_get_info(pf, &info);
  exit_status = 0;
  testing::internal::CaptureStderr();
  write_preview(pf, info, prev.c_str(), fd);
  EXPECT_EQ("pageprobe: " + prev + "/index.html: File exists\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(1, exit_status);
  EXPECT_EQ("left alone", read_file(dir.file("outside")));
  pi_file_close(pf);
  close(fd);
  exit_status = 0;
}

// A -w database as a browser shows it: every character of the text, every
// value whole, the caption as a caption; the index names each rendition's
// depth and compression, and a split page as one page with its parts.
TEST(PreviewProgram, WebDatabaseShownWhole) {
  TempDir dir;
  std::string checks;
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) checks += static_cast<char>((x / 8 + y / 8) % 2 ? 255 : 0);
  write_file(dir.file("c.pgm"), "P5\n64 64\n255\n" + checks);
  write_file(dir.file("index.html"),
             "<title>Fish & co</title><p>Fish & chips; peas &lt;b&gt; 1 &lt; 2 > 0</p>"
             "<table><caption>Cap</caption><tr><td>x</td></tr></table>"
             "<img src=\"c.pgm\" alt='Two \"words\"'><a href=\"long.html\">long</a>");
  std::string words;
  for (int i = 0; i < 12000; i++) words += " w" + std::to_string(i);
  write_file(dir.file("long.html"), "<p>" + words + "</p>");
  RunResult pack = run_program(PAGEPACK_BIN, {"-w", "-z", "-c", "8", "W", "1", "T", "index.html"},
                               dir.path());
  ASSERT_EQ(0, pack.status) << pack.err;
  ASSERT_EQ(0, mkdir(dir.file("out").c_str(), 0755));
  RunResult r = probe(dir.file("out"), {"-p", "prev", "../W"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  const std::string page = read_file(dir.file("out/prev/record-0000.html"));
  for (const char* part : {"<b>Fish &amp; co</b>",
                           "Fish &amp; chips; peas &lt;b&gt; 1 &lt; 2 &gt; 0",
                           "<caption>Cap</caption>", "alt=\"Two &quot;words&quot;\""})
    EXPECT_NE(std::string::npos, page.find(part)) << part << "\n" << page;
  EXPECT_EQ(std::string::npos, page.find("TABLECAPTION"));
  const std::string index = read_file(dir.file("out/prev/index.html"));
  for (const char* part : {"<td>image</td><td>2-bit scan-line; 8-bit scan-line</td>",
                           "<td>long.html</td><td><a href=\"record-0002.html\">page</a> "
                           "in 2 parts: "
                           "<a href=\"record-0002.html\">1</a> <a href=\"record-0003.html\""})
    EXPECT_NE(std::string::npos, index.find(part)) << part << "\n" << index;
  EXPECT_EQ(std::string::npos, index.find("<td>long.html~2</td>"));
  std::string shown = read_file(dir.file("out/prev/record-0002.html")) +
                      read_file(dir.file("out/prev/record-0003.html"));
  for (const char* word : {"<p>w0 ", " w5000 ", " w11999</p>"})
    EXPECT_NE(std::string::npos, shown.find(word)) << word;
}

}  // namespace
