#include <sys/stat.h>

#include <ctime>

#include "pagepack_test_util.h"
#include "program_test_util.h"
#include "support/help_check.h"

using PagepackProgram = PagepackRun;

static const char kHomePage[] =
    "<HTML><HEAD><TITLE>Home</TITLE></HEAD><BODY>Hello <B>world</B></BODY></HTML>\n";

static const std::string kUsage =
    std::string(PAGEPACK_BIN) + " <appname> <version> <title> <input file>\n";

// A wrong command line fails with its problem named and the usage, both on
// standard error, and creates nothing; --color is --colour.
TEST_F(PagepackProgram, WrongCommandLinesFailWithTheUsage) {
  const struct {
    std::vector<std::string> args;
    std::string problem;
  } cases[] = {
      {{"Demo", "1.0", "Demo"}, "too few arguments: 3 of the four <appname> <version> <title> <input file>"},
      {{"--", "Demo", "1.0"}, "too few arguments: 2 of the four <appname> <version> <title> <input file>"},
      {{"--web=yes", "D", "1", "T", "a.html"}, "unknown option --web=yes (--web takes no value)"},
      {{"--color=9", "D", "1", "T", "a.html"}, "bad colour depth 9 (8 or 16)"},
  };
  for (const auto& c : cases) {
    RunResult r = pagepack(c.args);
    EXPECT_EQ(1, r.status) << c.problem;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("pagepack: " + c.problem + "\n" + kUsage, r.err);
    EXPECT_TRUE(list_dir(dir_.path()).empty());
  }
  run_shell("cp " PQA_EXAMPLES "/logo.pgm .", dir_.path());
  EXPECT_EQ(0, pagepack({"--color=8", "Demo", "1", "T", "logo.pgm"}).status);
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
  EXPECT_EQ("pagepack: too few arguments: 3 of the four <appname> <version> <title> <input file>\n" + usage,
            pagepack({"--", "Demo", "1.0", "Demo"}).err);
}

TEST_F(PagepackProgram, HelpAndVersion) {
  expect_help_and_version(PAGEPACK_BIN, "pagepack",
                          "[OPTION]... <appname> <version> <title> <input file> [<input file> ...]",
                          {"--help", "--version"});
  // The first option decides; after the application name, --help is an input.
  EXPECT_EQ(0, pagepack({"--help", "-x"}).status);
  EXPECT_EQ(1, pagepack({"-x", "--help"}).status);
  EXPECT_EQ(1, pagepack({"Demo", "--help"}).status);
}

TEST_F(PagepackProgram, RoadOfOnePage) {
  write("index.html", kHomePage);
  time_t before = time(nullptr);
  RunResult r = pagepack({"Demo", "1.0", "Demo", "index.html"});
  time_t after = time(nullptr);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("record size = 52\npi_file_append_record = 0\n", r.out);
  EXPECT_EQ("pagepack: no LgIcon.pnm: the launcher shows its own icon\n"
            "pagepack: no SmIcon.pnm: the launcher shows its own icon\n"
            "pagepack: Demo: 1 record (1 page, 0 images), 166 bytes\n",
            r.err);
  EXPECT_EQ(166u, read_file(dir_.file("Demo")).size());
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
  run_shell("for f in logo.ppm new.pgm icon.pgm; do cp " PQA_EXAMPLES "/logo.pgm $f; done",
            dir_.path());
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
  EXPECT_EQ("", pagepack_slips(r.err));
  ReadDatabase db = database();
  ASSERT_EQ(6u, db.records.size());
  const int kinds[] = {4, 5, 5, 5, 4, 4};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(kinds[i], db.records[i].bytes[12]) << record_url(db.records[i].bytes);
  // The image record holds the GIF's bitmap: 16 bytes of header and its rows.
  EXPECT_LT(100u, record_data(db.records[1].bytes).size());
}

// The letter after the first dot of the input's own file name decides: the
// folders on its way do not. A page that its name makes an image is named.
TEST_F(PagepackProgram, InputsAreClassifiedByTheirOwnFileName) {
  mkdir(dir_.file("docs.old").c_str(), 0700);
  std::vector<std::string> pages = {"index.html", "index.htm", "page.H", "README", "a.hqx",
                                    "./index.html", "docs.old/page.html"};
  std::vector<std::string> images = {"logo.ppm", "pic.xpm", "map.v2.htm"};
  for (const auto& p : pages) write(p, "<BODY>x</BODY>");
  for (const auto& i : images) run_shell("cp " PQA_EXAMPLES "/logo.pgm " + i, dir_.path());
  std::vector<std::string> args = {"Demo", "1", "T"};
  args.insert(args.end(), pages.begin(), pages.end());
  args.insert(args.end(), images.begin(), images.end());
  RunResult r = pagepack(args);
  EXPECT_EQ(0, r.status) << r.err;
  ReadDatabase db = database();
  ASSERT_EQ(10u, db.records.size());
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(i < 7 ? 4 : 5, db.records[i].bytes[12]) << record_url(db.records[i].bytes);
  }
  write("notes.v2.html", "<BODY>x</BODY>");
  r = pagepack({"Demo", "1", "T", "index.html", "notes.v2.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: notes.v2.html: not an image (PNG, GIF, JPEG or netpbm), left out: "
            "--page=notes.v2.html packs it as a page\n",
            pagepack_slips(r.err));
  EXPECT_EQ(1u, database().records.size());
  EXPECT_EQ(0, pagepack({"--page=notes.v2.html", "Demo", "1", "T", "notes.v2.html"}).status);
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

// An input that cannot be packed is named with what to do and leaves a gap in
// the unique IDs; the run fails. Without a record, no database is written.
TEST_F(PagepackProgram, InputsThatCannotBePackedAreNamedAndFailTheRun) {
  run_shell("cp " PQA_EXAMPLES "/logo.pgm . && mkdir sub", dir_.path());
  RunResult r = pagepack({"Demo", "1.0", "Demo", "missing.html", "logo.pgm", "sub"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: missing.html: no such file, left out\n"
            "pagepack: sub: a folder, left out: name its pages, e.g. sub/index.html\n",
            pagepack_slips(r.err));
  ReadDatabase db = database();
  ASSERT_EQ(1u, db.records.size());
  EXPECT_EQ(2UL, db.records[0].uid);
  const std::string before = read_file(dir_.file("Demo"));
  r = pagepack({"Demo", "1.0", "Demo", "missing.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: missing.html: no such file, left out\n"
            "pagepack: Demo: no record made, no database written (the one there is kept)\n",
            pagepack_slips(r.err));
  EXPECT_EQ(before, read_file(dir_.file("Demo")));
  // --gap names a placeholder on purpose: its place is kept without a word.
  r = pagepack({"--gap=.hole-1", "New", "1", "T", ".hole-1", "logo.pgm"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", pagepack_slips(r.err));
  EXPECT_EQ(2UL, database("New").records.at(0).uid);
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
  EXPECT_EQ("ERROR: font tag must have size=\n", pagepack_slips(r.err));
  // -q leaves out the progress lines and notes; standard error stays.
  RunResult q = pagepack({"--quiet", "Demo", "1", "T", "a.html"});
  EXPECT_EQ(0, q.status);
  EXPECT_EQ("", q.out);
  EXPECT_EQ(r.err, q.err);
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
               {"", "No such file or directory"}};
  for (const auto& c : cases) {
    RunResult r = pagepack({c.path, "1", "T", "a.html"});
    EXPECT_EQ(1, r.status) << c.path;
    EXPECT_EQ("pagepack: " + std::string(c.path) + ": cannot create database: " + c.reason +
                  "; name a file in a folder you can write to\n",
              pagepack_slips(r.err));
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
  EXPECT_EQ("pagepack: Demo: cannot write database: File too large\n", pagepack_slips(r.err));
  EXPECT_EQ((std::vector<std::string>{"a.html"}), list_dir(dir_.path()));
}

TEST_F(PagepackProgram, QueueHoldsAThousandRecords) {
  std::vector<std::string> args = {"Demo", "1", "T"};
  write("a.html", "<BODY><A HREF=b.html>b</A><A HREF=c.html>c</A><A HREF=b.html>b</A></BODY>");
  for (int i = 0; i < 1000; ++i) args.push_back("a.html");
  RunResult r = pagepack(args);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: database full (1000 records): 2 pages and images left out: b.html, c.html\n",
            pagepack_slips(r.err));
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

// The database never replaces a file the run reads nor one that is not a
// Palm database; an earlier database is rebuilt; -o names the file alone.
TEST_F(PagepackProgram, TheDatabaseNeverReplacesASource) {
  write("index.html", "<BODY><A HREF=about.html>a</A></BODY>");
  write("about.html", "<BODY>about</BODY>");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } refused[] = {
      {{"about.html", "1.0", "T", "index.html"},
       "pagepack: about.html: exists and is not a Palm database: not replaced (remove it, or give "
       "-o FILE)\n"},
      {{"index.html", "1.0", "T", "index.html"},
       "pagepack: index.html: the input index.html: the database would replace it (the "
       "application name comes first, or give -o FILE)\n"},
  };
  for (const auto& c : refused) {
    RunResult r = pagepack(c.args);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(c.err, r.err);
  }
  EXPECT_EQ("<BODY>about</BODY>", read_file(dir_.file("about.html")));
  EXPECT_EQ("<BODY><A HREF=about.html>a</A></BODY>", read_file(dir_.file("index.html")));
  // A linked file is known once read: checked again before the database is written.
  ASSERT_EQ(0, pagepack({"-o", "site.pdb", "Demo", "1", "T", "about.html"}).status);
  EXPECT_STREQ("Demo", database("site.pdb").info.name);
  EXPECT_FALSE(file_exists(dir_.file("Demo")));
  const std::string before = read_file(dir_.file("site.pdb"));
  write("index.html", "<BODY><A HREF=site.pdb>db</A></BODY>");
  RunResult r = pagepack({"--output=site.pdb", "Demo", "1", "T", "index.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: site.pdb: no <BODY>, page left empty\n"
            "pagepack: site.pdb: the run reads it as site.pdb: not replaced, no database written "
            "(give -o FILE)\n",
            pagepack_slips(r.err));
  EXPECT_EQ(before, read_file(dir_.file("site.pdb")));
  EXPECT_EQ(0, pagepack({"-o", "site.pdb", "Demo", "2", "T", "about.html"}).status);
  EXPECT_NE(before, read_file(dir_.file("site.pdb")));
}

// Links and images that name no file are counted once, with the pages that
// name them, in both modes; a missing image leaves a gap, not an empty record.
TEST_F(PagepackProgram, MissingTargetsAreToldOnceAtTheEnd) {
  write("index.html", "<BODY><A HREF=gone.html>g</A><IMG SRC=gone.gif><A HREF=a.html>a</A>"
                      "<A HREF=#top>top</A></BODY>");
  write("a.html", "<BODY><IMG SRC=gone.gif><IMG SRC=lost.png></BODY>");
  for (const char* web : {"", "-w"}) {
    std::vector<std::string> args = {"Demo", "1", "T", "index.html"};
    if (*web) args.insert(args.begin(), web);
    RunResult r = pagepack(args);
    EXPECT_EQ(0, r.status) << web;
    EXPECT_EQ("pagepack: 3 links and images name no file, left out: gone.html (in index.html), "
              "gone.gif (in index.html), lost.png (in a.html)\n",
              pagepack_slips(r.err)) << web;
    for (const ReadRecord& rec : database().records) EXPECT_EQ(4, rec.bytes[12]) << web;
  }
}

// Icons: named by --icon and --small-icon; a missing one is named (and, when
// an option named it, fails the run); a size the launcher does not show is named.
TEST_F(PagepackProgram, IconsAreNamedWhenMissingOrOfAnotherSize) {
  write("a.html", "<BODY>x</BODY>");
  write("big.pgm", "P5\n48 48\n255\n" + std::string(48 * 48, '\0'));
  RunResult r = pagepack({"--icon=big.pgm", "--small-icon=none.pnm", "Demo", "1", "T", "a.html"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: big.pgm: a 48 x 48 icon: the launcher shows a large icon of 32 x 32 (or 22 "
            "x 22)\npagepack: no none.pnm: the launcher shows its own icon\n",
            r.err.substr(0, r.err.rfind("pagepack: Demo:")));
  EXPECT_LT(100u, database().app_info.size());
  run_shell("cp " PQA_EXAMPLES "/LgIcon.pnm " PQA_EXAMPLES "/SmIcon.pnm .", dir_.path());
  EXPECT_EQ("pagepack: Demo: 1 record (1 page, 0 images), ",
            pagepack({"Demo", "1", "T", "a.html"}).err.substr(0, 45));
}

// -w: an input outside the working directory says to cd into the site; a
// file whose content is an image is an image whatever its name says.
TEST_F(PagepackProgram, WebInputsAreJudgedWhereTheyLieAndByTheirContent) {
  run_shell("mkdir site && cp " PQA_EXAMPLES "/logo.pgm site/pic.html && "
            "echo '<p>hi</p>' > site/index.html && echo '<p>out</p>' > out.html",
            dir_.path());
  RunResult r = run_program(PAGEPACK_BIN, {"-w", "Demo", "1", "T", "../out.html"},
                            dir_.file("site"));
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pagepack: ../out.html: outside the working directory, left out: -w reads the "
            "site from the working directory: cd into it\n"
            "pagepack: Demo: no record made, no database written\n",
            pagepack_slips(r.err));
  // An image that cannot be read is named like every other failure.
  ASSERT_EQ(0, mkfifo(dir_.file("site/f.png").c_str(), 0600));
  write("site/index.html", "<p>hi<img src=f.png alt=f></p>");
  r = run_program(PAGEPACK_BIN, {"-w", "-q", "Demo", "1", "T", "index.html", "pic.html"},
                  dir_.file("site"));
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: f.png: not a regular file, left out\n", pagepack_slips(r.err));
  ReadDatabase db = read_database(dir_.file("site/Demo"));
  ASSERT_EQ(2u, db.records.size());
  EXPECT_EQ(5, db.records[1].bytes[12]);
}
