#include <sys/stat.h>

#include <ctime>

#include "pagepack_test_util.h"
#include "program_test_util.h"
#include "support/help_check.h"

using PagepackProgram = PagepackRun;

static const char kHomePage[] =
    "<HTML><HEAD><TITLE>Home</TITLE></HEAD><BODY>Hello <B>world</B></BODY></HTML>\n";

TEST_F(PagepackProgram, TooFewArgumentsPrintUsageAndCreateNothing) {
  RunResult r = pagepack({"Demo", "1.0", "Demo"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(std::string(PAGEPACK_BIN) + " <appname> <version> <title> <input file>\n", r.out);
  EXPECT_EQ("", r.err);
  EXPECT_TRUE(list_dir(dir_.path()).empty());
}

TEST_F(PagepackProgram, OptionsComeFirstAndDoubleDashEndsThem) {
  const std::string usage = std::string(PAGEPACK_BIN) + " <appname> <version> <title> <input file>\n";
  for (const char* bad : {"-x", "--no-such-option"}) {
    RunResult r = pagepack({bad, "Demo", "1.0", "Demo", "index.html"});
    EXPECT_EQ(1, r.status) << bad;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("pagepack: unknown option " + std::string(bad) + "\n" + usage, r.err);
    EXPECT_TRUE(list_dir(dir_.path()).empty());
  }
  write("-page.html", "<BODY>hi</BODY>");
  RunResult r = pagepack({"--", "Demo", "1.0", "Demo", "-page.html"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("-page.html", record_url(database().records.at(0).bytes));
  EXPECT_EQ(usage, pagepack({"--", "Demo", "1.0", "Demo"}).out);
}

TEST_F(PagepackProgram, HelpAndVersion) {
  expect_help_and_version(PAGEPACK_BIN, "pagepack",
                          "[OPTION]... <appname> <version> <title> <input file> [<input file> ...]",
                          {"--help", "--version"});
  // The first option decides; after the application name, --help is an input.
  EXPECT_EQ(0, pagepack({"--help", "-x"}).status);
  EXPECT_EQ(1, pagepack({"-x", "--help"}).status);
  EXPECT_EQ(std::string(PAGEPACK_BIN) + " <appname> <version> <title> <input file>\n",
            pagepack({"Demo", "--help"}).out);
}

TEST_F(PagepackProgram, RoadOfOnePage) {
  write("index.html", kHomePage);
  time_t before = time(nullptr);
  RunResult r = pagepack({"Demo", "1.0", "Demo", "index.html"});
  time_t after = time(nullptr);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("record size = 52\npi_file_append_record = 0\n", r.out);
  EXPECT_EQ("", r.err);
  EXPECT_EQ((std::vector<std::string>{"Demo", "index.html"}), list_dir(dir_.path()));

  ReadDatabase db = database();
  ASSERT_TRUE(db.ok);
  EXPECT_STREQ("Demo", db.info.name);
  EXPECT_EQ(0x208u, db.info.flags);
  EXPECT_EQ(0x70716120UL, db.info.type);
  EXPECT_EQ(0x636c7072UL, db.info.creator);
  EXPECT_EQ(0u, db.info.version);
  EXPECT_EQ(0UL, db.info.modnum);
  for (time_t t : {db.info.createDate, db.info.modifyDate, db.info.backupDate}) {
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
  }
  EXPECT_EQ("6c 6e 63 68 00 03 80 01 00 02 31 2e 30 00 00 03 44 65 6d 6f 00 00 00 00 00 00",
            hex(db.app_info));
  ASSERT_EQ(1u, db.records.size());
  const ReadRecord& rec = db.records[0];
  EXPECT_EQ(1UL, rec.uid);
  EXPECT_EQ(0, rec.attrs);
  EXPECT_EQ(0, rec.category);
  EXPECT_EQ("00 00 00 14 00 0a 00 00 00 1e 00 16 04 00 00 00 00 16 00 00 " +
                text_hex("index.htmlHome") + " 00 " + text_hex("Hello ") + " 01 05 " +
                text_hex("world") + " 00 01 71 00",
            hex(rec.bytes));
}

TEST_F(PagepackProgram, PageAndImageInputs) {
  write("index.html", "<BODY>hi</BODY>");
  write("logo.pbm", std::string("P5\n2 2\n255\n\xff\x00\x00\xff", 15));
  RunResult r = pagepack({"Demo", "1.0", "Title", "index.html", "logo.pbm"});
  EXPECT_EQ(0, r.status);
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());
  EXPECT_EQ(1UL, db.records[0].uid);
  EXPECT_EQ(4, db.records[0].bytes[12]);
  EXPECT_EQ(2UL, db.records[1].uid);
  EXPECT_EQ(5, db.records[1].bytes[12]);
  EXPECT_EQ(0, db.records[1].attrs);
  EXPECT_EQ("00 02 00 02 00 02 00 00 02 01 00 00 00 00 00 00 3f ff cf ff",
            hex(record_data(db.records[1].bytes)));
  EXPECT_EQ("record size = 46\npi_file_append_record = 0\nrecord size = 48\n"
            "pi_file_append_record = 0\n",
            r.out);
}

TEST_F(PagepackProgram, LinkedPagesAndImagesFollowInTheOrderMet) {
  write("index.html",
        "<BODY><A HREF=a.html>A</A><IMG SRC=logo.ppm><A HREF=INDEX.HTML>me</A></BODY>");
  write("a.html",
        "<BODY><A HREF=b.html#x>B</A><IMG SRC=LOGO.PPM><IMG SRC=new.pgm>"
        "<A HREF=http://remote/x.html>r</A></BODY>");
  write("b.html", "<BODY><META NAME=localicon CONTENT=icon.pgm></BODY>");
  RunResult r = pagepack({"Demo", "1.0", "Demo", "index.html"});
  EXPECT_EQ(0, r.status);
  ReadDatabase db = database();
  std::vector<std::string> urls;
  for (size_t i = 0; i < db.records.size(); ++i) {
    urls.push_back(record_url(db.records[i].bytes));
    EXPECT_EQ(i + 1, db.records[i].uid);
  }
  EXPECT_EQ((std::vector<std::string>{"index.html", "a.html", "logo.ppm", "b.html", "new.pgm",
                                      "icon.pgm"}),
            urls);
  // The links and images of a.html name queue positions: b.html 3, logo.ppm 2, new.pgm 4.
  EXPECT_EQ("61 2e 68 74 6d 6c 00 01 11 00 0c 00 03 78 00 " + text_hex("B") +
                " 00 01 34 a0 00 02 " + text_hex("LOGO.PPM") + " 00 01 34 a0 00 04 " +
                text_hex("new.pgm") + " 00",
            hex(record_data(db.records[1].bytes)).substr(0, 3 * 44 - 1));
}

// A link's target whose content is an image is stored as an image, whether a
// link or an image names it first; pages stay pages, also when an image
// element names one.
TEST_F(PagepackProgram, LinkedImagesAreStoredAsImages) {
  write("index.html",
        "<BODY><A HREF=pic.gif><IMG SRC=pic.gif></A><A HREF=badge.png>b</A>"
        "<A HREF=p.pgm>p</A><A HREF=page.html>x</A><A HREF=P1.html>y</A></BODY>");
  run_shell("cp " PQA_EXAMPLES "/cloth.gif pic.gif && cp " PQA_EXAMPLES "/badge.png . && "
            "cp " PQA_EXAMPLES "/logo.pgm p.pgm", dir_.path());
  write("page.html", "<BODY>page</BODY>");
  write("P1.html", "P1 of 2<BODY>text</BODY>");
  RunResult r = pagepack({"Demo", "1", "T", "index.html"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  ReadDatabase db = database();
  ASSERT_EQ(6u, db.records.size());
  const int kinds[] = {4, 5, 5, 5, 4, 4};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(kinds[i], db.records[i].bytes[12]) << record_url(db.records[i].bytes);
  // The image record holds the GIF's bitmap: 16 bytes of header and its rows.
  EXPECT_LT(100u, record_data(db.records[1].bytes).size());
}

TEST_F(PagepackProgram, InputsAreClassifiedByTheLetterAfterTheFirstDot) {
  mkdir(dir_.file("docs.old").c_str(), 0700);
  std::vector<std::string> pages = {"index.html", "index.htm", "page.H", "README", "a.hqx"};
  std::vector<std::string> images = {"logo.ppm", "pic.xpm", "./index.html",
                                     "docs.old/page.html"};
  for (const auto& p : pages) write(p, "<BODY>x</BODY>");
  write("docs.old/page.html", "<BODY>x</BODY>");
  std::vector<std::string> args = {"Demo", "1", "T"};
  args.insert(args.end(), pages.begin(), pages.end());
  args.insert(args.end(), images.begin(), images.end());
  pagepack(args);
  ReadDatabase db = database();
  ASSERT_EQ(9u, db.records.size());
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(i < 5 ? 4 : 5, db.records[i].bytes[12]) << record_url(db.records[i].bytes);
  }
}

// --page and --image give the kind of the inputs named exactly so, in place of
// the first-dot rule; a name that is no input is refused before anything is made.
TEST_F(PagepackProgram, KindOptionsNameTheKindOfInputs) {
  write("a.html", "<TITLE>A</TITLE><BODY>x</BODY>");
  run_shell("cp " PQA_EXAMPLES "/logo.pgm logo", dir_.path());
  RunResult r = pagepack({"--page=./a.html", "--image=logo", "Demo", "1", "T", "./a.html", "logo",
                          "a.html"});
  EXPECT_EQ(0, r.status);
  ReadDatabase db = database();
  ASSERT_EQ(3u, db.records.size());
  EXPECT_EQ(record_data(db.records[2].bytes), record_data(db.records[0].bytes));
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(i == 1 ? 5 : 4, db.records[i].bytes[12]) << i;
  EXPECT_LT(100u, record_data(db.records[1].bytes).size());
  r = pagepack({"--image=b.html", "New", "1", "T", "a.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(0u, r.err.find("pagepack: --image=b.html: no input of that name\n"));
  EXPECT_FALSE(file_exists(dir_.file("New")));
}

TEST_F(PagepackProgram, MissingPageLeavesAGapInTheUniqueIds) {
  RunResult r = pagepack({"Demo", "1.0", "Demo", "missing.html", "logo.ppm"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("record size = 30\npi_file_append_record = 0\n", r.out);
  ReadDatabase db = database();
  ASSERT_EQ(1u, db.records.size());
  EXPECT_EQ(2UL, db.records[0].uid);
  EXPECT_EQ("00 00", hex(record_data(db.records[0].bytes)));
}

TEST_F(PagepackProgram, InputNamedTwiceGivesTwoRecords) {
  write("a.html", "<BODY><A HREF=a.html>x</A></BODY>");
  pagepack({"Demo", "1", "T", "a.html", "a.html"});
  ReadDatabase db = database();
  ASSERT_EQ(2u, db.records.size());
  EXPECT_EQ(2UL, db.records[1].uid);
}

TEST_F(PagepackProgram, MessagesOfTags) {
  write("a.html", "<BODY><H2>x</H2><FONT COLOR=red>y</FONT></BODY>");
  RunResult r = pagepack({"Demo", "1", "T", "a.html"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("unknown tag <H2>\nrecord size = 40\npi_file_append_record = 0\n", r.out);
  EXPECT_EQ("ERROR: font tag must have size=\n", r.err);
}

TEST_F(PagepackProgram, DatabaseNameMustFitTheNameField) {
  write("a.html", "<BODY>x</BODY>");
  std::string name32(32, 'n');
  RunResult r = pagepack({name32, "1", "T", "a.html"});
  EXPECT_NE(0, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("pagepack: " + name32 + ": database name longer than 31 characters\n", r.err);
  EXPECT_EQ((std::vector<std::string>{"a.html"}), list_dir(dir_.path()));

  std::string name31(31, 'n');
  r = pagepack({name31, "1", "T", "a.html"});
  EXPECT_EQ(0, r.status);
  ReadDatabase db = database(name31);
  ASSERT_TRUE(db.ok);
  EXPECT_EQ(name31, db.info.name);
}

TEST_F(PagepackProgram, DatabaseThatCannotBeWrittenFailsAndLeavesNoFile) {
  write("a.html", "<BODY>x</BODY>");
  write("plain", "not a directory");
  mkdir(dir_.file("folder").c_str(), 0755);
  const struct {
    const char* path;
    const char* reason;
  } cases[] = {{"nodir/Demo", "No such file or directory"},
               {"plain/Demo", "Not a directory"},
               {"", "No such file or directory"},
               {"folder", "Is a directory"}};
  for (const auto& c : cases) {
    RunResult r = pagepack({c.path, "1", "T", "a.html"});
    EXPECT_EQ(1, r.status) << c.path;
    EXPECT_EQ("pagepack: " + std::string(c.path) + ": cannot create database: " + c.reason +
                  "; name a file in a folder you can write to\n",
              r.err);
    EXPECT_EQ((std::vector<std::string>{"a.html", "folder", "plain"}), list_dir(dir_.path()));
  }
}

// Under a file-size limit the database write fails with its reason, and the
// temporary file goes.
TEST_F(PagepackProgram, FileSizeLimitIsAFailedWrite) {
  write("a.html", "<BODY>" + std::string(3000, 'x') + "</BODY>");
  RunResult r = run_shell("ulimit -f 1 && " + shell_quote(PAGEPACK_BIN) +
                              " Demo 1 T a.html >/dev/null", dir_.path());
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: Demo: cannot write database: File too large\n", r.err);
  EXPECT_EQ((std::vector<std::string>{"a.html"}), list_dir(dir_.path()));
}

TEST_F(PagepackProgram, QueueHoldsAThousandRecords) {
  std::vector<std::string> args = {"Demo", "1", "T"};
  for (int i = 0; i < 1001; ++i) args.push_back("i" + std::to_string(i) + ".ppm");
  RunResult r = pagepack(args);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: more than 1000 records, i1000.ppm left out\n", r.err);
  ReadDatabase db = database();
  ASSERT_EQ(1000u, db.records.size());
  EXPECT_EQ(1000UL, db.records.back().uid);
}

TEST_F(PagepackProgram, OversizedAndMalformedInputsGiveWellFormedRecords) {
  std::string big = "<TITLE>Big</TITLE><BODY>";
  while (big.size() < 70000) big += "<P>";  // three bytes of codes each
  write("big.html", big);
  write("bad.html", "<TITLE>unterminated");
  write("wide.ppm", "P6\n1000 2\n255\n");
  write("LgIcon.pnm", "P5\n200 200\n255\n");
  RunResult r = pagepack({"Demo", "1", "T", "big.html", "bad.html", "wide.ppm"});
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("pagepack: big.html: longer than 65532 bytes, cut"));
  EXPECT_NE(std::string::npos, r.err.find("pagepack: big.html: too large for one record, cut"));
  EXPECT_NE(std::string::npos, r.err.find("pagepack: bad.html: no <BODY>"));
  EXPECT_NE(std::string::npos, r.err.find("pagepack: wide.ppm: image rows too wide"));
  EXPECT_NE(std::string::npos, r.err.find("pagepack: LgIcon.pnm: icon too large"));
  ReadDatabase db = database();
  ASSERT_EQ(3u, db.records.size());
  const std::string& page = db.records[0].bytes;
  std::string data = record_data(page);
  EXPECT_EQ(page.size(), 20 + be16_at(page, 4) + data.size());
  EXPECT_EQ(0u, data.size() % 2);
  EXPECT_GT(data.size(), 60000u);
  EXPECT_NE(std::string::npos, data.rfind("\x01\x71"));
  EXPECT_GE(data.rfind("\x01\x71"), data.size() - 3);
  EXPECT_EQ("00 00", hex(record_data(db.records[2].bytes)));
}
