// pagepack on sites made to break it: empty and odd input files, names full of
// shell and path characters, images and pages beyond every limit.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "pi-file.h"
#include "sandbox.h"

namespace {

using namespace std::string_literals;

using HostilePagepack = Sandbox;

struct Record {
  unsigned long uid;
  std::string bytes;
};

std::vector<Record> records_of(const std::string& path) {
  std::vector<Record> records;
  pi_file_t* pf = pi_file_open(path.c_str());
  if (!pf) return records;
  int n = 0;
  pi_file_get_entries(pf, &n);
  for (int i = 0; i < n; ++i) {
    void* data = nullptr;
    size_t size = 0;
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &data, &size, nullptr, nullptr, &uid) == 0)
      records.push_back({uid, std::string(static_cast<const char*>(data), size)});
  }
  pi_file_close(pf);
  return records;
}

std::string data_of(const std::string& rec) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(rec.data());
  size_t offset = (size_t{p[6]} << 24) | (size_t{p[7]} << 16) | (size_t{p[8]} << 8) | p[9];
  size_t length = (size_t{p[10]} << 8) | p[11];
  return rec.substr(offset, length);
}

TEST_F(HostilePagepack, EmptyFilesAndADirectoryAsInputs) {
  // An empty page has no body; an empty image is stored as the empty bitmap;
  // a directory cannot be read as a page: named in a message, no record, and
  // the run fails.
  write("empty.html", "");
  write("empty.ppm", "");
  mkdir(file("dir.html").c_str(), 0755);
  RunResult r = run(PAGEPACK_BIN, {"Demo", "1", "T", "empty.html", "empty.ppm", "dir.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: dir.html: a folder, left out: name its pages, e.g. dir.html/index.html\n"
            "pagepack: empty.html: no <BODY>, page left empty\n",
            pagepack_slips(r.err));
  std::vector<Record> recs = records_of(file("Demo"));
  ASSERT_EQ(2u, recs.size());
  EXPECT_EQ(1UL, recs[0].uid);
  EXPECT_EQ(std::string("empty.html\0\x01\x71\0", 14), data_of(recs[0].bytes));
  EXPECT_EQ(2UL, recs[1].uid);
  EXPECT_EQ(std::string(2, '\0'), data_of(recs[1].bytes));
  EXPECT_TRUE(palm_pdb_loads(file("Demo")));
  expect_outside_untouched();
}

TEST_F(HostilePagepack, ShellAndPathCharactersAreOnlyNames) {
  // pagepack runs no shell: every name is a file name and nothing more. Links
  // that leave the directory are neither read nor written.
  write("evil.html",
        "<BODY><A HREF=$(touch${IFS}pwned1).html>a</A><IMG SRC=`touch`pwned2.ppm>"
        "<A HREF=;touch;pwned3.html>b</A><A HREF=../nothere.html>c</A></BODY>");
  const std::string app = "$(touch pwned4)";
  RunResult r = run(PAGEPACK_BIN, {app, "1;reboot", "`id`", "evil.html"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: ../nothere.html: leads outside the working directory, not read\n"
            "pagepack: 3 links and images name no file, left out: $(touch${IFS}pwned1).html (in "
            "evil.html), `touch`pwned2.ppm (in evil.html), ;touch;pwned3.html (in evil.html)\n",
            pagepack_slips(r.err));
  EXPECT_EQ((std::vector<std::string>{app, "evil.html"}), list_dir(work_));
  std::vector<Record> recs = records_of(file(app));
  ASSERT_EQ(1u, recs.size());  // the page; the missing image is a gap
  EXPECT_TRUE(palm_pdb_loads(file(app)));
  expect_outside_untouched();
}

TEST_F(HostilePagepack, DatabaseThatIsADirectory) {
  write("a.html", "<BODY>x</BODY>");
  mkdir(file("Demo").c_str(), 0755);
  RunResult r = run(PAGEPACK_BIN, {"Demo", "1", "T", "a.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("pagepack: Demo: a folder: give the database a file name (-o FILE)\n", r.err);
  EXPECT_TRUE(list_dir(file("Demo")).empty());
  expect_outside_untouched();
}

TEST_F(HostilePagepack, ImagesBeyondEveryLimitAreStoredEmpty) {
  write("wide.pgm", "P5\n2000 2000\n255\n");           // a row overflows the row buffer
  write("tall.pgm", "P5\n1000 300\n255\n");            // 75000 bytes of bitmap
  write("nosize.ppm", "P6\n# only a comment\n");        // ends inside the comments
  write("negative.pgm", "P5\n-5 10\n255\n");
  write("huge.pgm", "P5\n99999999999999999999 1\n255\n");
  RunResult r = run(PAGEPACK_BIN, {"Demo", "1", "T", "wide.pgm", "tall.pgm", "nosize.ppm",
                                   "negative.pgm", "huge.pgm"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: wide.pgm: image rows too wide, stored empty\n"
            "pagepack: tall.pgm: image too large, stored empty\n"
            "pagepack: nosize.ppm: image no readable netpbm size, stored empty\n"
            "pagepack: negative.pgm: image no readable netpbm size, stored empty\n"
            "pagepack: huge.pgm: image no readable netpbm size, stored empty\n",
            pagepack_slips(r.err));
  std::vector<Record> recs = records_of(file("Demo"));
  ASSERT_EQ(5u, recs.size());
  for (const Record& rec : recs) EXPECT_EQ(std::string(2, '\0'), data_of(rec.bytes));
  EXPECT_TRUE(palm_pdb_loads(file("Demo")));
  expect_outside_untouched();
}

TEST_F(HostilePagepack, HostileSiteThenProbedBack) {
  // Deep nesting, a huge table and every kind of broken mark on one page;
  // what pagepack makes of it must still be a database pageprobe can list.
  std::string page = "<TITLE>deep</TITLE><BODY>";
  for (int i = 0; i < 5000; ++i) page += "<B><I><TABLE BORDER=1><TR><TD COLSPAN=2>";
  page += "&amp &lt <A HREF=#> <INPUT TYPE=textarea> <FORM> <IMG> <HR HEIGHT=9> \x01\x01";
  page += "<A HREF=\"";
  write("deep.html", page);
  RunResult r = run(PAGEPACK_BIN, {"Demo", "1", "T", "deep.html"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(palm_pdb_loads(file("Demo")));
  std::vector<Record> recs = records_of(file("Demo"));
  ASSERT_EQ(1u, recs.size());
  std::string data = data_of(recs[0].bytes);
  EXPECT_EQ(0u, data.size() % 2);
  // The page ends with the end code and, at most, one pad byte.
  size_t end = data.rfind(std::string("\x01\x71", 2));
  ASSERT_NE(std::string::npos, end);
  EXPECT_TRUE(end + 2 == data.size() || (end + 3 == data.size() && data.back() == '\0'));

  mkdir(file("probe").c_str(), 0755);
  r = run_program(PAGEPROBE_BIN, {"-v", "../Demo"}, file("probe"));
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(file_exists(file("probe/deep.html")));
  expect_outside_untouched();
}

// Standard streams and disks that fail: a FIFO as a page, a closed standard
// output, a full standard output and a file-size limit below the database.
TEST_F(HostilePagepack, OddStreamsAndFullDisks) {
  const std::string big(6 * 160 * 160, 'x');  // makes a record of 6416 bytes
  write("big.pgm", "P5\n160 160\n255\n" + big);
  write("big2.pgm", "P5\n160 160\n255\n" + big);
  write("a.html", "<BODY><IMG SRC=big.pgm></BODY>");
  ASSERT_EQ(0, mkfifo(file("f.html").c_str(), 0644));
  const std::string pack = "timeout 20 " + std::string(PAGEPACK_BIN) + " Demo 1 T ";
  const std::string records = "record size = 48\npi_file_append_record = 0\n"
                              "record size = 6444\npi_file_append_record = 0\n";
  struct Case {
    const char* command;
    int status;
    const char* err;
    size_t records;  // in the database afterwards
  } cases[] = {
      {"f.html a.html", 1, "pagepack: f.html: not a regular file, left out\n", 2},
      {"a.html >&-", 0, "", 2},
      {"a.html >/dev/full", 1, "pagepack: standard output: No space left on device\n", 2},
      {"a.html big2.pgm", 1, "pagepack: Demo: cannot write database: File too large\n", 0},
  };
  for (const Case& c : cases) {
    unlink(file("Demo").c_str());
    std::string command = pack + c.command;
    std::string older;
    if (c.records == 0) {
      run_shell(pack + "a.html >/dev/null 2>&1", work_);  // an earlier database, kept
      older = read_file(file("Demo"));
      command = "trap '' XFSZ; ulimit -f 8; " + command;
    }
    RunResult r = run_shell(command, work_);
    EXPECT_EQ(c.status, r.status) << c.command;
    EXPECT_EQ(c.err, pagepack_slips(r.err)) << c.command;
    if (c.status == 0 && std::string(c.command).find(">") == std::string::npos) {
      EXPECT_EQ(records, r.out) << c.command;
    }
    if (c.records == 0) {
      EXPECT_EQ(older, read_file(file("Demo")));
    } else {
      EXPECT_EQ(c.records, records_of(file("Demo")).size()) << c.command;
    }
    // Nothing of the listing went into a file opened on a free descriptor 1.
    EXPECT_EQ(std::string::npos, read_file(file("Demo")).find("record size")) << c.command;
  }
  expect_outside_untouched();
}

// A PNG chunk: length, type, data and the CRC of type and data.
std::string png_chunk(const std::string& type, const std::string& data) {
  std::string body = type + data;
  const uLong crc =
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
}

std::string deflated(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

// A 1 MB PNG of 990 compressed text chunks that inflate to 1 MB each (just
// below the most libpng keeps of one chunk), around
// a 1 x 1 grey image: the chunks the reader does not use are never inflated.
TEST_F(HostilePagepack, PngTextChunksAreNeverInflated) {
  const std::string text = "Comment"s + '\0' + '\0' + deflated(std::string((1 << 20) - 4096, 'x'));
  std::string png = "\x89PNG\r\n\x1a\n"s +
                    png_chunk("IHDR", "\0\0\0\x01\0\0\0\x01\x08\0\0\0\0"s);
  for (int i = 0; i < 990; i++) png += png_chunk("zTXt", text);
  png += png_chunk("IDAT", deflated("\0\xc0"s)) + png_chunk("IEND", "");
  ASSERT_GT(1200000u, png.size());
  write("bomb.png", png);
  double seconds = 0;
  RunResult r = timed_run(PAGEPACK_BIN, {"Demo", "1", "T", "bomb.png"}, &seconds);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", pagepack_slips(r.err));
  EXPECT_LT(seconds, 5.0);
  EXPECT_LT(children_max_rss_mb(), 300);
  // The one pixel, grey 0xc0: light grey (01), then the black padding.
  std::vector<Record> recs = records_of(file("Demo"));
  ASSERT_EQ(1u, recs.size());
  EXPECT_EQ("\x7f"s, data_of(recs[0].bytes).substr(16, 1));
  expect_outside_untouched();
}

}  // namespace
