// pageprobe on databases made to break it: files that are no database at
// all, URLs that point outside the working directory, and pages that pile up
// closing texts without end.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pagepack/program_test_util.h"
#include "pageprobe/bit_writer.h"
#include "pageprobe/probe_db.h"
#include "sandbox.h"

namespace {

using namespace std::string_literals;
using HostilePageprobe = Sandbox;

const std::string kApp = app_info("1.0", "Demo");
const std::string kHiPage("\x6B\x80", 2);  // the letters h, i and the code 0

TEST_F(HostilePageprobe, FilesThatAreNoDatabase) {
  mkdir(file("dir").c_str(), 0755);
  write("empty", "");
  write("short", std::string(77, 'x'));
  // A well-formed header whose only record lies past the end of the file.
  std::string lying(78, '\0');
  lying.replace(0, 5, "Lying");
  lying[77] = 1;
  lying += be32(4000) + std::string(4, '\0') + std::string(2, '\0');
  write("lying", lying);
  write("photo.jpg", "\xff\xd8\xff\xe0" + std::string(200, 'j'));
  const std::vector<std::string> inputs = {"dir", "empty", "lying", "photo.jpg", "short"};
  const char* const kReasons[][2] = {
      {"dir", "a folder, not a database"},
      {"empty", "not a Palm database: 0 bytes are too short for its header of 78"},
      {"short", "not a Palm database: 77 bytes are too short for its header of 78"},
      {"lying", "not a Palm database: its header does not describe this file"},
      {"photo.jpg", "not a Palm database: its header does not describe this file"},
      {"missing", "no such file"},
  };
  for (const auto& c : kReasons) {
    const std::string name = c[0];
    RunResult r = run(PAGEPROBE_BIN, {name});
    EXPECT_EQ(1, r.status) << name;
    EXPECT_EQ("", r.out) << name;
    EXPECT_EQ("pageprobe: " + name + ": can't open: " + c[1] + "\n", r.err);
  }
  std::vector<std::string> expected = inputs;
  EXPECT_EQ(expected, list_dir(work_));
  expect_outside_untouched();
}

// A FIFO and a huge sparse file are refused at once: the FIFO is never
// waited on, and of the sparse file only its header is read.
TEST_F(HostilePageprobe, FifoAndHugeSparseFile) {
  ASSERT_EQ(0, mkfifo(file("fifo").c_str(), 0644));
  write("sparse", "");
  ASSERT_EQ(0, truncate(file("sparse").c_str(), 1L << 30));
  for (const std::string name : {"fifo", "sparse"}) {
    RunResult r = run_shell("timeout 20 " + std::string(PAGEPROBE_BIN) + " " + name, work_);
    EXPECT_EQ(1, r.status) << name;
    EXPECT_EQ("", r.out) << name;
    EXPECT_EQ("pageprobe: " + name + ": can't open: " +
                  (name == "fifo" ? "not a regular file, not a database"
                                  : "not a Palm database: its header does not describe this file") +
                  "\n",
              r.err);
  }
  // The most any child took; reading the sparse file whole would take 1 GB.
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 100L * 1024) << "kilobytes";
  EXPECT_EQ((std::vector<std::string>{"fifo", "sparse"}), list_dir(work_));
  expect_outside_untouched();
}

// Records are bounded each, not the file: the largest record a header can
// describe is listed, one too large to read is refused alone, and a sparse
// 1 GB record is refused at once without being read.
TEST_F(HostilePageprobe, OneLargeRecordIsRefusedAlone) {
  const std::string full = pqa_record(4, std::string(94, 'u') + ".html", std::string(65535, 'x'));
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp,
                           {full, std::string(300000, '\0'), pqa_record(4, "a.html", kHiPage)}));
  RunResult r = run(PAGEPROBE_BIN, {"Demo"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: Demo record 1: record of 300000 bytes is too large to read: left out\n",
            r.err);
  EXPECT_NE(std::string::npos, r.out.find("URL: " + std::string(94, 'u') + ".html\n")) << r.out;
  EXPECT_TRUE(file_exists(file("a.html")));

  // One record from byte 86 to the end of a 1 GB sparse file.
  std::string head(78, '\0');
  head.replace(0, 6, "Sparse");
  head[77] = 1;
  write("sparse", head + be32(86) + std::string(4, '\0'));
  ASSERT_EQ(0, truncate(file("sparse").c_str(), 1L << 30));
  r = run_shell("timeout 20 " + std::string(PAGEPROBE_BIN) + " sparse", work_);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: sparse: a '\\x00\\x00\\x00\\x00'/'\\x00\\x00\\x00\\x00' database, "
            "not a PQA\n"
            "pageprobe: sparse record 0: record of 1073741738 bytes is too large to read: "
            "left out\n", r.err);
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 100L * 1024) << "kilobytes";
  expect_outside_untouched();
}

// A decompression bomb: 64 KB of RLE announcing a 65535 x 996 bitmap (8 MB
// of pixels, a 196 MB PPM), three times. Each reading is refused before the
// pixels are expanded, in the listing, under -v and in the preview.
TEST_F(HostilePageprobe, BitmapBombsAreRefusedBeforeExpanding) {
  std::string bomb = bitmap(65535, 996, 8192, 0x8000, 1, std::string(2, '\0'), 2);
  bomb[13] = 1;  // RLE
  for (size_t rest = 996 * 8192; rest > 0; rest -= std::min<size_t>(rest, 255))
    bomb += std::string{static_cast<char>(std::min<size_t>(rest, 255)), '\0'};
  std::vector<std::string> records;
  for (const char* name : {"a.ppm", "b.ppm", "c.ppm"})
    records.push_back(pqa_record(5, name, bomb));
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp, records));
  const std::string refused =
      ": 996 rows of 8192 bytes are more than the 262144 bytes a bitmap may hold: not read\n";
  for (const char* mode : {"plain", "verbose", "preview"}) {
    const std::string dir = file(mode);
    mkdir(dir.c_str(), 0755);
    std::vector<std::string> args = {"../Demo"};
    if (mode == std::string("verbose")) args.insert(args.begin(), "-v");
    if (mode == std::string("preview")) args.insert(args.begin(), {"-p", "prev"});
    double seconds = 0;
    RunResult r = timed_run(PAGEPROBE_BIN, args, &seconds, dir);
    EXPECT_EQ(0, r.status) << mode;
    EXPECT_LT(seconds, 5.0) << mode;
    EXPECT_LT(r.out.size(), 2000000u) << mode;  // the hex dumps of -v, no pixels
    EXPECT_NE(std::string::npos, r.err.find("pageprobe: c.ppm" + refused)) << r.err;
    EXPECT_EQ(0u, read_file(dir + "/a.ppm").size()) << mode;
  }
  EXPECT_LT(children_max_rss_mb(), 200);
  expect_outside_untouched();
}

// Standard output closed or full, and a file-size limit below an image file;
// each run in a folder of its own.
TEST_F(HostilePageprobe, OddStreamsAndFullDisks) {
  const std::string image = bitmap(160, 160, 40, 0, 2, std::string(40 * 160, '\x1b'));
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp,
                           {pqa_record(5, "big.ppm", image), pqa_record(4, "a.html", kHiPage)}));
  const std::string probe = "timeout 20 " + std::string(PAGEPROBE_BIN) + " ";
  RunResult plain = run_shell("mkdir plain && cd plain && " + probe + "-v ../Demo", work_);
  ASSERT_EQ(0, plain.status);
  const std::string big = read_file(file("plain/big.ppm"));
  ASSERT_LT(8192u, big.size());
  struct Case {
    const char* dir;
    const char* command;
    int status;
    const char* err;
  } cases[] = {
      {"closed", "-v ../Demo >&-", 0, ""},
      {"full", "../Demo >/dev/full", 1, "pageprobe: standard output: No space left on device\n"},
      {"limit", "../Demo >/dev/null", 1, "pageprobe: big.ppm: File too large\n"},
  };
  for (const Case& c : cases) {
    const std::string dir = c.dir;
    const std::string limit = dir == "limit" ? "trap '' XFSZ; ulimit -f 8; " : "";
    RunResult r = run_shell("mkdir " + dir + " && cd " + dir + " && " + limit + probe + c.command,
                            work_);
    EXPECT_EQ(c.status, r.status) << c.command;
    EXPECT_EQ(c.err, r.err) << c.command;
    // The page and the icons are whole, and no file took the listing.
    EXPECT_EQ(read_file(file(dir + "/a.html")), read_file(file("plain/a.html"))) << c.command;
    EXPECT_TRUE(file_exists(file(dir + "/LgIcon.pnm"))) << c.command;
    EXPECT_EQ(read_file(file(dir + "/LgIcon.pnm")), "") << c.command;
    if (c.status == 0) {
      EXPECT_EQ(big, read_file(file(dir + "/big.ppm"))) << c.command;
    }
  }
  EXPECT_GT(big.size(), read_file(file("limit/big.ppm")).size());  // cut by the limit, and said so
  expect_outside_untouched();
}

TEST_F(HostilePageprobe, UnreadableDatabase) {
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp, {pqa_record(4, "a.html", kHiPage)}));
  chmod(file("Demo").c_str(), 0);
  // Root reads any file, so the run drops to the unprivileged user nobody.
  std::string command = std::string(PAGEPROBE_BIN) + " Demo";
  if (getuid() == 0) {
    chmod(root_.path().c_str(), 0755);
    chmod(work_.c_str(), 0777);
    command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
  }
  RunResult r = run_shell(command, work_);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("pageprobe: Demo: can't open: Permission denied\n", r.err);
  EXPECT_EQ(std::vector<std::string>{"Demo"}, list_dir(work_));
  expect_outside_untouched();
}

TEST_F(HostilePageprobe, UrlsThatPointOutsideAreNeverWritten) {
  const std::string absolute = root_.file("abs.html");
  mkdir(file("sub").c_str(), 0755);
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp,
                           {
                               pqa_record(4, "../sentinel", kHiPage),
                               pqa_record(4, absolute, kHiPage),
                               pqa_record(4, "sub/../../sentinel", kHiPage),
                               pqa_record(5, "../img.ppm", bitmap(8, 1, 2, 0, 2, "ab")),
                               pqa_record(4, "ok.html", kHiPage),
                           }));
  RunResult r = run(PAGEPROBE_BIN, {"Demo"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: ../sentinel: URL with a .. component: no file written\npageprobe: " +
                absolute + ": absolute URL: no file written\n"
                "pageprobe: sub/../../sentinel: URL with a .. component: no file written\n"
                "pageprobe: ../img.ppm: URL with a .. component: no file written\n",
            r.err);
  EXPECT_EQ((std::vector<std::string>{"Demo", "LgIcon.pnm", "SmIcon.pnm", "ok.html", "sub"}),
            list_dir(work_));
  EXPECT_TRUE(list_dir(file("sub")).empty());
  expect_outside_untouched();
}

TEST_F(HostilePageprobe, ClosingTextsPiledHigh) {
  // Each page opens as many bold elements as its 16-bit length allows and
  // never closes them; the closing texts of all pages pile up on one stack.
  BitWriter page;
  page.end();
  while (page.bytes.size() < 65000) page.tag(5);
  std::string data = bytes(page.bytes);
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp,
                           {pqa_record(4, "a.html", data), pqa_record(4, "b.html", data),
                            pqa_record(4, "c.html", data)}));
  RunResult r = run(PAGEPROBE_BIN, {"Demo"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  const size_t bolds = page.bytes.size() * 8 / 13;
  for (const char* name : {"a.html", "b.html", "c.html"})
    EXPECT_GE(read_file(file(name)).size(), bolds * 3) << name;
  expect_outside_untouched();
}

// Links planted where the listing writes, to a file and to a folder outside
// the working directory: never followed, and each refusal makes the status 1.
TEST_F(HostilePageprobe, PlantedLinksAreNeverFollowed) {
  ASSERT_TRUE(write_pqa_db(file("Demo"), kApp,
                           {pqa_record(4, "a.html", kHiPage),
                            pqa_record(4, "up/sentinel", kHiPage),
                            pqa_record(4, "ok.html", kHiPage)}));
  ASSERT_EQ(0, symlink("../sentinel", file("a.html").c_str()));
  ASSERT_EQ(0, symlink("..", file("up").c_str()));
  RunResult r = run(PAGEPROBE_BIN, {"Demo"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: a.html: a symbolic link is in the way, not followed (-C writes into a new "
            "folder)\n"
            "pageprobe: up/sentinel: folder up is a symbolic link, not followed\n",
            r.err);
  EXPECT_TRUE(file_exists(file("ok.html")));
  // The link rewrite leaves the link alone too.
  char target[32] = {0};
  EXPECT_EQ(11, readlink(file("a.html").c_str(), target, sizeof target - 1));
  // -s makes the folders a URL names, but never through a link either.
  const std::string page("Hi\0\x01\x71\0", 6);
  ASSERT_TRUE(write_pqa_db(file("S"), kApp, {pqa_record(4, "up/new/xx.html", page)}));
  mkdir(file("s").c_str(), 0755);
  ASSERT_EQ(0, symlink("../..", file("s/up").c_str()));
  r = run_program(PAGEPROBE_BIN, {"-s", "../S"}, file("s"));
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: up/new/xx.html: folder up is a symbolic link, not followed\n", r.err);
  expect_outside_untouched();
}

// A database that names files outside the folder where -s writes its site:
// bit-coded links and images with such names, a text run that reads as a
// tag, byte-coded images of positions no record holds. sh rebuild.sh packs
// none of them, and each page names what it left out.
TEST_F(HostilePageprobe, RebuildNeverReadsOutsideItsFolder) {
  write("secret.html", "<TITLE>s</TITLE><BODY>TOPSECRET</BODY>");
  write("private.pgm", "P5\n1 1\n255\n\x01");
  const std::string abs = file("secret.html");
  BitWriter bit;
  bit.end().tag(0x11).bits(0, 2).bits(0, 8).str("../../secret.html").text("a").end();
  bit.tag(0x11).bits(1, 2).bits(0x20, 8).str(abs).end();
  bit.tag(0x34).bits(0x20, 8).str("x/../../../private.pgm");
  bit.tag(0x70);
  for (char c : "<A HREF=../../secret.html>t</A><IMG SRC=../../private.pgm>") bit.bits(c, 8);
  const std::string images = "T\0\0"s + "\x01\x34\xa0\x07\xd0../../private.pgm\0"s +
                             "\x01\x34\xa0\x0b\xb8" + abs + "\0\x01\x34\xa0\x0f\xa0ok.pgm\0\x01\x71"s;
  ASSERT_TRUE(write_pqa_db(file("Evil"), kApp,
                           {pqa_record(4, "a.html", bytes(bit.bytes), 1),
                            pqa_record(4, "b.html", images + std::string(images.size() % 2, '\0'))}));
  ASSERT_EQ(0, run_shell("mkdir -p s/t", work_).status);
  RunResult r = run_program(PAGEPROBE_BIN, {"-s", "../../Evil"}, file("s/t"));
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("pageprobe: a.html: 3 link or image names that would lead pagepack out of "
                       "this folder, left out: ../../secret.html, " + abs +
                       ", x/../../../private.pgm\n")) << r.err;
  EXPECT_NE(std::string::npos,
            r.err.find("pageprobe: b.html: 2 link or image names that would lead pagepack out of "
                       "this folder, left out: ../../private.pgm, " + abs + "\n")) << r.err;
  // The name a page may give stays: the image is there when the site is rebuilt.
  write("s/t/ok.pgm", "P5\n1 1\n255\n\x01");
  ASSERT_EQ(0, run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh", file("s/t")).status);
  ReadDatabase db = read_database(file("s/t/Demo"));
  ASSERT_TRUE(db.ok);
  std::vector<std::string> urls;
  for (const ReadRecord& rec : db.records) urls.push_back(record_url(rec.bytes));
  EXPECT_EQ((std::vector<std::string>{"a.html", "b.html", "ok.pgm"}), urls);
  EXPECT_EQ(std::string::npos, read_file(file("s/t/Demo")).find("TOPSECRET"));
  // The text run stays text.
  EXPECT_NE(std::string::npos, read_file(file("s/t/a.html")).find("&lt;A HREF=../../secret.html&gt;"));
  expect_outside_untouched();
}

// -s on a full file system (a tmpfs of 64 KB, which needs root): it stops at
// the first file that cannot be written, with one message and status 1, and
// leaves no rebuild.sh, whether a page or the script itself meets the end.
TEST_F(HostilePageprobe, FullDiskLeavesNoRebuildCommand) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::vector<std::string> records;
  for (int i = 10; i < 50; i++)
    records.push_back(pqa_record(4, "p" + std::to_string(i) + ".html",
                                 "T\0\0"s + std::string(3000, 'x') + "\x01\x71\0"s));
  ASSERT_TRUE(write_pqa_db(file("Many"), kApp, records));
  ASSERT_TRUE(write_pqa_db(file("One"), kApp, {records[0]}));
  // "One": the disk is full but for the one page of the tmpfs that p10.html takes.
  const struct {
    const char* db;
    const char* fill;
    const char* err;
  } cases[] = {{"Many", "", "pageprobe: p26.html: No space left on device\n"},
               {"One", "dd if=/dev/zero of=fill bs=4k 2>/dev/null; truncate -s -4k fill; ",
                "pageprobe: rebuild.sh: No space left on device\n"}};
  for (const auto& c : cases) {
    ASSERT_EQ(0, run_shell("mkdir -p full && mount -t tmpfs -o size=64k tmpfs full", work_).status);
    RunResult r = run_shell(std::string("cd full && ") + c.fill + "mkdir s && cd s && " +
                                PAGEPROBE_BIN + " -s ../../" + c.db + " >/dev/null; echo $?; ls -A",
                            work_);
    run_shell("umount full && rmdir full", work_);
    EXPECT_EQ(c.err, r.err) << c.db;
    EXPECT_EQ(0u, r.out.find("1\nLgIcon.pnm\nSmIcon.pnm\np10.html\n")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("rebuild.sh")) << r.out;
  }
  expect_outside_untouched();
}

}  // namespace
