// pagepack -w run as a user runs it: the option, a site in subfolders, the
// record limit, and the default mode's hint.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "program_test_util.h"

namespace {

class WebProgram : public PagepackRun {
 protected:
  void page(const std::string& name, const std::string& body) {
    size_t slash = name.rfind('/');
    if (slash != std::string::npos)
      run_shell("mkdir -p " + shell_quote(name.substr(0, slash)), dir_.path());
    write(name, "<html><head><title>" + name + "</title></head><body class=x>\n" + body +
                    "\n</body></html>");
  }
  std::vector<std::string> urls(const std::string& db = "Demo") {
    std::vector<std::string> u;
    for (const ReadRecord& r : database(db).records) u.push_back(record_url(r.bytes));
    return u;
  }
};

TEST_F(WebProgram, LongAndShortOptionGiveTheSameDatabase) {
  page("index.html", "one <b>two</b>");
  RunResult a = pagepack({"-w", "A", "1.0", "T", "index.html"});
  RunResult b = pagepack({"--web", "--", "B", "1.0", "T", "./index.html"});
  ASSERT_EQ(0, a.status) << a.err;
  ASSERT_EQ(0, b.status) << b.err;
  EXPECT_EQ("", pagepack_slips(a.err + b.err));
  EXPECT_EQ("record size = 54\npi_file_append_record = 0\n", a.out);
  ASSERT_EQ(1u, database("A").records.size());
  EXPECT_EQ(database("A").records[0].bytes, database("B").records[0].bytes);
  EXPECT_EQ(1, pagepack({"-W", "C", "1.0", "T", "index.html"}).status);
}

TEST_F(WebProgram, EveryPageABrowserReachesFromASubfolderSiteOnce) {
  page("index.html",
       "<a href=docs/guide.html>guide</a> <a href='docs/'>docs</a> "
       "<a href=http://example.org/>remote</a> <a href=../up.html>outside</a>");
  page("docs/index.html",
       "<a href=../index.html>home</a> <a href=./guide.html#s>guide</a> <a href=ref/>ref</a>");
  page("docs/guide.html",
       "<a href='../docs/ref/api.html?q=1'>api</a> <img src=../img/dot.pgm alt=dot>");
  page("docs/ref/index.html",
       "<a href=../../index.html>home</a> <a href=api.html>api</a> <a href=../../docs>docs</a>");
  page("docs/ref/api.html", "<a href=../guide.html>guide</a> <a href=%2e%2e/index.html>docs</a>");
  page("unlinked.html", "never reached");
  run_shell("mkdir -p img && printf 'P5\\n2 2\\n255\\n\\0\\377\\377\\0' > img/dot.pgm",
            dir_.path());
  page("../up.html", "outside the site");
  RunResult r = pagepack({"-w", "Demo", "1.0", "T", "index.html"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", pagepack_slips(r.err));
  EXPECT_EQ((std::vector<std::string>{"index.html", "docs/guide.html", "docs/index.html",
                                      "docs/ref/api.html", "img/dot.pgm", "docs/ref/index.html"}),
            urls());
}

TEST_F(WebProgram, AFullDatabaseIsToldOnce) {
  std::string links;
  for (int i = 0; i < 1003; i++) {
    std::string name = "p" + std::to_string(i) + ".html";
    links += "<a href=" + name + ">" + name + "</a>\n";
    write(name, "page");
  }
  page("index.html", links);
  RunResult r = pagepack({"-w", "Demo", "1.0", "T", "index.html"});
  ASSERT_EQ(0, r.status);
  EXPECT_EQ("pagepack: database full (1000 records): 4 pages and images left out: p999.html, "
            "p1000.html, p1001.html, p1002.html\n",
            pagepack_slips(r.err));
  EXPECT_EQ(1000u, database().records.size());
}

// A 10 MB page of deep nesting and references: memory stays within a small
// multiple of the page (a guard against blow-ups, not a measure).
TEST_F(WebProgram, HostilePagesStayWithinBounds) {
  std::string page = "<meta charset=utf-8>&#0;&#x10FFFF;\xC3\x28";
  for (int i = 0; i < 100000; i++) page += "<div><b>";
  while (page.size() < 10 * 1000 * 1000) page += "word &amp; &#65; \xE2\x86\x92 ";
  write("big.html", page);
  RunResult r = run_shell(
      "ulimit -t 60 && " + shell_quote(PAGEPACK_BIN) + " -w Demo 1.0 T big.html > /dev/null",
      dir_.path());
  EXPECT_EQ(0, r.status) << r.err;
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 300L * 1024 * kBoundScale) << "kilobytes";
  EXPECT_NE(std::string::npos, r.err.find("pagepack: big.html: in ")) << r.err;
  EXPECT_GT(database().records.size(), 50u);
}

// 999 pages that link one 0.9 MB style sheet: it is read once, not a page.
TEST_F(WebProgram, ASheetEveryPageLinksIsReadOnce) {
  RunResult made = run_shell(
      "perl -e 'open F, \">s.css\"; print F \".x$_ .y$_>p:not(.z){display:none}\\n\" for 1..23500;"
      " print F \"span.gone{display:none}\"; close F; for (1..999) { open F, \">p$_.html\";"
      " printf F \"<link rel=stylesheet href=s.css><p>%d <span class=gone>hidden</span>"
      " <a href=p%d.html>next</a>\", $_, $_ + 1; close F }'",
      dir_.path());
  ASSERT_EQ(0, made.status) << made.err;
  RunResult r = run_shell(
      cpu_limit(5) + shell_quote(PAGEPACK_BIN) + " -w Demo 1.0 T p1.html > /dev/null",
      dir_.path());
  EXPECT_EQ(0, r.status) << r.err;
  std::vector<ReadRecord> records = database().records;
  EXPECT_EQ(999u, records.size());
  for (const ReadRecord& rec : records)
    EXPECT_EQ(std::string::npos, rec.bytes.find("hidden")) << record_url(rec.bytes);
}

// 64 linked sheets of 0.9 MB: the parsed rules kept stay within their bound, said once.
TEST_F(WebProgram, ManyLargeSheetsStayWithinBounds) {
  RunResult made = run_shell(
      "perl -e 'for $s (1..64) { open F, \">s$s.css\"; print F \".x${s}_$_ .y$_>p:not(.z){display:none}"
      "\\n\" for 1..23000; close F; print \"<link rel=stylesheet href=s$s.css>\" }"
      " print \"<p class=z>shown\"' > index.html",
      dir_.path());
  ASSERT_EQ(0, made.status) << made.err;
  RunResult r = run_shell(
      cpu_limit(30) + shell_quote(PAGEPACK_BIN) + " -w Demo 1.0 T index.html > /dev/null",
      dir_.path());
  EXPECT_EQ(0, r.status);
  const std::string slips = pagepack_slips(r.err);
  EXPECT_EQ(1, std::count(slips.begin(), slips.end(), '\n')) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(".css: the style sheets read pass 64 MB: its rules and "
                                          "those of later sheets left out\n"))
      << r.err;
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 300L * 1024 * kBoundScale) << "kilobytes";
}

// A file is inside the site only when what it resolves to is: links that lead
// out, to a page, a folder, a sheet, an image or the process's environment,
// are not read in either mode; links that stay inside are followed.
TEST_F(WebProgram, SymbolicLinksThatLeadOutAreNotRead) {
  run_shell("mkdir -p ../outside/dir site/in && cd ../outside && "
            "echo '<p>SECRET1' > secret.html && echo '<p>SECRET2' > dir/index.html && "
            "echo '.x{display:none} b{display:none}' > s.css && "
            "printf 'P5 1 1 255 \\0' > i.pgm && printf 'P5 1 1 255 \\0' > in.pgm",
            dir_.path());
  run_shell("ln -s ../outside/secret.html p.html && ln -s ../outside/dir sub && "
            "ln -s /proc/self/environ e.html && ln -s ../outside/s.css s.css && "
            "ln -s ../outside/i.pgm i.pgm && ln -s ../outside/in.pgm input.pgm && "
            "ln -s in/real.html ok.html && ln -s \"$PWD/in/real.html\" abs.html",
            dir_.path());
  page("in/real.html", "inside");
  page("index.html",
       "<link rel=stylesheet href=s.css><b>shown</b> <a href=p.html>p</a> <a href=sub/>s</a> "
       "<a href=e.html>e</a> <img src=i.pgm alt=i> <a href=ok.html>ok</a> "
       "<a href=abs.html>abs</a>");
  const std::string told =
      "pagepack: s.css: leads outside the working directory, not read\n"
      "pagepack: p.html: leads outside the working directory, not read\n";
  RunResult w = pagepack({"-w", "Demo", "1.0", "T", "index.html", "input.pgm"});
  EXPECT_EQ(1, w.status);  // an input was not packed
  EXPECT_EQ("pagepack: input.pgm: outside the working directory, left out: -w reads the site "
            "from the working directory: cd into it\n" + told +
                "pagepack: sub/index.html: leads outside the working directory, not read\n"
                "pagepack: e.html: leads outside the working directory, not read\n"
                "pagepack: i.pgm: leads outside the working directory, not read\n",
            pagepack_slips(w.err));
  EXPECT_EQ((std::vector<std::string>{"index.html", "ok.html", "abs.html"}), urls());
  // The default mode reads what pages name the same way, and its inputs as typed.
  write("plain.html", "<BODY><A HREF=p.html>p</A><A HREF=sub/>s</A><A HREF=e.html>e</A>"
                      "<IMG SRC=i.pgm><A HREF=ok.html>ok</A></BODY>");
  RunResult d = pagepack({"Demo2", "1.0", "T", "plain.html", "input.pgm"});
  EXPECT_EQ(0, d.status);
  const std::string d_slips = pagepack_slips(d.err);
  EXPECT_EQ(told.substr(told.find('\n') + 1) +
                "pagepack: sub/: leads outside the working directory, not read\n"
                "pagepack: e.html: leads outside the working directory, not read\n"
                "pagepack: i.pgm: leads outside the working directory, not read\n",
            d_slips.substr(0, d_slips.find("pagepack: ok.html: no <BODY>")));
  for (const char* db : {"Demo", "Demo2"}) {
    std::string bytes = read_file(dir_.file(db));
    EXPECT_EQ(std::string::npos, bytes.find("SECRET")) << db;
    EXPECT_EQ(std::string::npos, bytes.find("PATH=")) << db;
  }
  EXPECT_NE(std::string::npos, read_file(dir_.file("Demo")).find("inside"));
  // plain.html, input.pgm as typed, i.pgm as a missing image (empty), ok.html.
  EXPECT_EQ(4u, database("Demo2").records.size());
}

// Pages that took libxml2 quadratic time (one tag of 150,000 attributes;
// 140,000 nested <b> then as many stray end tags) are read in seconds.
TEST_F(WebProgram, QuadraticPagesStayWithinBounds) {
  std::string attrs = "<span", nest;
  for (int i = 0; i < 150000; i++) attrs += " a" + std::to_string(i);
  for (int i = 0; i < 140000; i++) nest += "<b>";
  for (int i = 0; i < 140000; i++) nest += "</q>";
  write("attrs.html", attrs + ">x");
  write("nest.html", nest + "y");
  RunResult r = run_shell(cpu_limit(20) + shell_quote(PAGEPACK_BIN) +
                              " -w Demo 1.0 T attrs.html nest.html >/dev/null", dir_.path());
  EXPECT_EQ(0, r.status) << r.err;
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 300L * 1024 * kBoundScale) << "kilobytes";
  EXPECT_LT(usage.ru_utime.tv_sec, 10 * kBoundScale) << "seconds";
  EXPECT_EQ((std::vector<std::string>{"attrs.html", "nest.html"}), urls());
}

// A page is read whole under -w, but never more than a database could hold:
// a sparse terabyte is refused before a byte of it is read.
TEST_F(WebProgram, AHugePageIsRefusedBeforeItIsRead) {
  page("index.html", "<a href=big.html>big</a>");
  ASSERT_EQ(0, run_shell("truncate -s 1T big.html", dir_.path()).status);
  RunResult r = run_shell(cpu_limit(20) + shell_quote(PAGEPACK_BIN) +
                              " -w Demo 1.0 T index.html big.html >/dev/null", dir_.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pagepack: big.html: larger than 64 MB, left out\n", pagepack_slips(r.err));
  EXPECT_EQ(std::vector<std::string>{"index.html"}, urls());
  struct rusage usage;
  ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &usage));
  EXPECT_LT(usage.ru_maxrss, 100L * 1024 * kBoundScale) << "kilobytes";
}

// The parts of a long page never take the name of a file of the site, whether
// the file is queued before the page or after it.
TEST_F(WebProgram, PartNamesNeverTakeAFilesPlace) {
  std::string words;
  for (int i = 0; i < 30000; i++) words += "w" + std::to_string(i) + " ";
  page("a.html", words);
  page("a.html~2", "the file");
  for (const char* links : {"<a href=a.html~2>f</a> <a href=a.html>a</a>",
                            "<a href=a.html>a</a> <a href=a.html~2>f</a>"}) {
    page("index.html", links);
    RunResult r = pagepack({"-w", "Demo", "1.0", "T", "index.html"});
    ASSERT_EQ(0, r.status) << r.err;
    std::vector<std::string> u = urls();
    std::set<std::string> names(u.begin(), u.end());
    EXPECT_EQ(u.size(), names.size()) << links;
    EXPECT_EQ(1u, names.count("a.html~2~2")) << links;
    EXPECT_EQ(1u, names.count("a.html~3")) << links;
    size_t file = std::find(u.begin(), u.end(), "a.html~2") - u.begin();
    ASSERT_LT(file, u.size()) << links;
    EXPECT_NE(std::string::npos, database().records[file].bytes.find("the file")) << links;
  }
}

TEST_F(WebProgram, TheDefaultModeHintsAtPagesABrowserReadsOtherwise) {
  write("plain.html", "<HTML><BODY>Plain <B>page</B></BODY></HTML>");
  RunResult plain = pagepack({"Demo", "1.0", "T", "plain.html"});
  EXPECT_EQ("", pagepack_slips(plain.err));
  const char* const otherwise[] = {"<BODY BGCOLOR=white>x</BODY>", "<BODY>AT&amp;T</BODY>",
                                   "<BODY>line\nbreak</BODY>", "<BODY><SCRIPT>x</SCRIPT></BODY>"};
  std::vector<std::string> args = {"Demo", "1.0", "T", "plain.html"};
  for (int i = 0; i < 4; i++) {
    write("o" + std::to_string(i) + ".html", otherwise[i]);
    args.push_back("o" + std::to_string(i) + ".html");
  }
  page("sub/s.html", "<a href=../plain.html>up</a>");
  args.push_back("sub/s.html");
  RunResult r = pagepack(args);
  EXPECT_EQ(
      "pagepack: o0.html: no <BODY>, page left empty\n"
      "pagepack: sub/s.html: no <BODY>, page left empty\n"
      "pagepack: 5 pages are read otherwise by a web browser (a <BODY> with attributes, "
      "entities or line breaks in the text, script text, links from a subfolder); "
      "pagepack -w reads them as a browser does\n",
      pagepack_slips(r.err));
}

}  // namespace
