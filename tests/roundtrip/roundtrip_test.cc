// pagepack writes a database D; pageprobe -s takes it apart in an empty
// directory; pagepack run there on D's name, version, title and record URLs
// gives D's application-info block and records again, byte for byte.
#include <cctype>
#include <cstdlib>
#include <random>
#include <sstream>
#include <utility>

#include "tests/pagepack/program_test_util.h"

namespace {

// Random sites, one from each seed: pages with every element and attribute
// pagepack encodes and the quirks of its reader, netpbm images and icons.
struct generated_site {
  std::vector<std::string> head;                           // appname, version, title
  std::vector<std::string> inputs;                         // pagepack's input files
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
};

const char* const kWords[] = {"Hello", "a",  "x=1",       "AT&T", "50%",   "it's",   "\"q\"",
                              ";",     "&",  "&lt;",      "&gt;", "&amp;", "&nbsp;", "&GT;",
                              ">",     "\r", "\xe9t\xe9", "\x01", "'",     "="};
const char* const kBlanks[] = {" ", "  ", "\t", "\n", " \n ", "\t \t"};
const char* const kValues[] = {"left",   "center", "right", "top",           "middle",
                               "bottom", "CENTER", "",      "\"two words\"", "-7",
                               "+2",     "50%",    "70000"};
const char* const kElements[] = {"B",    "I",      "P",      "HR",    "H1", "BR",
                                 "FONT", "TABLE",  "TR",     "TD",    "TH", "TABLECAPTION",
                                 "FORM", "SELECT", "OPTION", "INPUT", "A",  "IMG",
                                 "META", "DIV",    "b",      "td"};
const char* const kAttrs[] = {
    "ALIGN",   "VALIGN",  "WIDTH",  "HEIGHT",   "BORDER",   "CELLSPACING", "CELLPADDING",
    "COLSPAN", "ROWSPAN", "NOWRAP", "NOSHADE",  "SIZE",     "MAXLENGTH",   "NAME",
    "VALUE",   "CHECKED", "TEXT",   "SELECTED", "MULTIPLE", "TOP",         "ALT",
    "VSPACE",  "HSPACE",  "METHOD", "ACTION",   "CLASS",    "align"};
const char* const kTypes[] = {"text",   "password", "checkbox", "hidden",
                              "submit", "radio",    "Text",     "textarea"};

// A file of the site as a tag names it: sometimes in another letter case,
// only when every page is an input, so that the first name queued is the file's.
std::string named(const std::string& s, bool upper) {
  std::string r = s;
  for (char& c : r) c = upper ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : c;
  return r;
}

class site_generator {
  std::mt19937 rng_;
  std::vector<std::string> pages_, images_;
  bool case_free_ = false;  // every page is an input: links may change letter case

  unsigned below(size_t n) {
    return std::uniform_int_distribution<unsigned>(0, static_cast<unsigned>(n) - 1)(rng_);
  }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <size_t N>
  const char* pick(const char* const (&list)[N]) {
    return list[below(N)];
  }

  std::string text() {
    std::string t;
    for (unsigned n = below(5); n > 0; n--)
      t += std::string(pick(kWords)) + (chance(60) ? pick(kBlanks) : "");
    return t;
  }

  std::string value() {
    if (chance(40)) return pick(kValues);
    if (chance(30)) return std::to_string(below(300));
    return chance(50) ? std::string(pick(kWords)) + pick(kWords)
                      : "'" + std::string(pick(kWords)) + "'";
  }

  std::string tag() {
    if (chance(15)) return chance(50) ? "</B>" : "</>";
    std::string name = pick(kElements), t = "<" + name;
    if (name == "A" && chance(85)) {
      if (chance(25))
        t += std::string(" HREF=") + (chance(50) ? "http://" : "https://") + "example.com/" +
             pick(kWords);
      else
        t += " HREF=" + named(pages_[below(pages_.size())], case_free_ && chance(20)) +
             (chance(30) ? std::string("#") + (chance(20) ? "" : pick(kWords)) : "");
    } else if (name == "IMG" && chance(90)) {
      t += " SRC=" + named(images_[below(images_.size())], case_free_ && chance(20));
    } else if (name == "INPUT" && chance(90)) {
      t += std::string(" TYPE=") + pick(kTypes);
    } else if (name == "META" && chance(50)) {
      t += " NAME=localicon CONTENT=" + images_[below(images_.size())];
    }
    // A TAB after a link target would join the next attribute to the page
    // name, a file that makes no record.
    bool target = t.find(" HREF=") != std::string::npos;
    for (unsigned n = below(5); n > 0; n--)
      t += std::string(chance(90) || target ? " " : "\t") + pick(kAttrs) +
           (chance(80) ? "=" + value() : "");
    return t + ">";
  }

  // Raw netpbm with 8-bit samples, a greymap or a pixmap; icons mostly black and white.
  std::string image(unsigned max_w, unsigned max_h, bool icon) {
    unsigned w = below(max_w) + 1, h = below(max_h) + 1;
    bool pixmap = chance(40);
    std::string img = std::string(pixmap ? "P6\n" : "P5\n") + (chance(30) ? "# made\n" : "") +
                      std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (unsigned i = 0; i < w * h * (pixmap ? 3 : 1); i++)
      img += static_cast<char>(icon && chance(50) ? 0 : below(256));
    return img;
  }

 public:
  explicit site_generator(unsigned seed) : rng_(seed) {}

  generated_site make() {
    generated_site s;
    s.head = {"Site" + std::to_string(below(100000)), chance(10) ? "" : std::to_string(below(100)),
              chance(10) ? "" : "My " + std::string(pick(kWords)) + " site"};
    for (unsigned n = below(5) + 1, i = 0; i < n; i++)
      pages_.push_back(i == 0 ? "index.html"
                              : "page" + std::to_string(i) + (chance(50) ? ".html" : ".htm"));
    for (unsigned n = below(4) + 1, i = 0; i < n; i++)
      images_.push_back("img" + std::to_string(i) + (chance(50) ? ".pgm" : ".ppm"));
    case_free_ = chance(40);
    s.inputs = case_free_ ? pages_ : std::vector<std::string>{pages_[0]};
    if (case_free_ && chance(50)) s.inputs.push_back(images_[0]);
    for (const std::string& p : pages_) {
      std::string page = "<html><head>";
      if (chance(85)) page += "<title>" + text() + "</title>";
      page += "</head>\n<body>";
      for (unsigned n = below(40); n > 0; n--) page += chance(50) ? text() : tag();
      page += chance(5)    ? "<FONT SIZE=3"
              : chance(90) ? "</body></html>\n"
                           : "";  // a tag without '>'
      s.files.emplace_back(p, page);
    }
    for (const std::string& i : images_)
      if (chance(90)) s.files.emplace_back(i, image(60, 40, false));  // else an empty bitmap
    if (chance(80)) s.files.emplace_back("LgIcon.pnm", image(32, 32, true));
    if (chance(80)) s.files.emplace_back("SmIcon.pnm", image(15, 9, true));
    return s;
  }
};

// Takes made/appname apart in a fresh directory, builds it again there and
// compares; returns pageprobe's standard error.
std::string round_trip(const TempDir& made, const std::vector<std::string>& head,
                       const std::string& context) {
  ReadDatabase original = read_database(made.file(head[0]));
  TempDir again;
  for (const ReadRecord& r : original.records) {  // pageprobe -s writes into existing folders
    std::string url = record_url(r.bytes);
    if (url.find('/') != std::string::npos)
      run_shell("mkdir -p " + shell_quote(url.substr(0, url.rfind('/'))), again.path());
  }
  RunResult probe = run_program(PAGEPROBE_BIN, {"-s", made.file(head[0])}, again.path());
  EXPECT_EQ(0, probe.status) << context;
  std::vector<std::string> args = head;
  for (const ReadRecord& r : original.records) args.push_back(record_url(r.bytes).c_str());
  EXPECT_EQ(0, run_program(PAGEPACK_BIN, args, again.path()).status) << context;
  ReadDatabase rebuilt = read_database(again.file(head[0]));
  EXPECT_TRUE(original.ok && rebuilt.ok) << context;
  EXPECT_EQ(original.app_info, rebuilt.app_info) << context;
  EXPECT_EQ(original.records.size(), rebuilt.records.size()) << context;
  for (size_t i = 0; i < original.records.size() && i < rebuilt.records.size(); i++) {
    EXPECT_EQ(original.records[i].uid, rebuilt.records[i].uid) << context;
    EXPECT_EQ(original.records[i].bytes, rebuilt.records[i].bytes)
        << context << read_file(again.file(record_url(original.records[i].bytes)));
  }
  return probe.err;
}

class GeneratedSites : public testing::TestWithParam<unsigned> {};

// 6 shards of 50 sites; PQA_ROUNDTRIP_SEED picks another series. The only
// message allowed is for images whose file was missing (an empty bitmap).
TEST_P(GeneratedSites, ComeBackByteForByte) {
  const char* env = getenv("PQA_ROUNDTRIP_SEED");
  unsigned first = env ? static_cast<unsigned>(strtoul(env, nullptr, 10)) : 20261208u;
  for (unsigned seed = first + GetParam() * 50; seed < first + GetParam() * 50 + 50; seed++) {
    generated_site site = site_generator(seed).make();
    TempDir made;
    for (const auto& f : site.files) write_file(made.file(f.first), f.second);
    std::vector<std::string> args = site.head;
    args.insert(args.end(), site.inputs.begin(), site.inputs.end());
    ASSERT_EQ(0, run_program(PAGEPACK_BIN, args, made.path()).status) << seed;
    std::string err = round_trip(made, site.head, "seed " + std::to_string(seed) + ": ");
    std::istringstream lines(err);
    err.clear();
    for (std::string line; std::getline(lines, line);)
      if (line.find(": bitmap shorter than its header") == std::string::npos) err += line + "\n";
    EXPECT_EQ("", err) << "seed " << seed;
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, GeneratedSites, testing::Range(0u, 6u));

TEST(HandMadeSites, DemoComesBackWithoutAMessage) {
  TempDir made;
  ASSERT_EQ(0,
            run_shell("cp " EXAMPLES_DIR "/*.html " EXAMPLES_DIR "/*.p?m " EXAMPLES_DIR "/*.gif "
                                EXAMPLES_DIR "/*.png " EXAMPLES_DIR "/*.jpg .",
                                made.path()).status);
  ASSERT_EQ(
      0, run_program(PAGEPACK_BIN, {"Demo", "1.0", "PQA Demo", "index.html"}, made.path()).status);
  EXPECT_EQ("", round_trip(made, {"Demo", "1.0", "PQA Demo"}, "demo: "));
}

// The empty page name is the last queue entry and made no record, so the
// closest page is the same page; pageprobe still says so.
TEST(HandMadeSites, InPageLinkWithEmptyPageName) {
  TempDir made;
  write_file(made.file("a.html"), "<TITLE>A</TITLE><BODY>x <A HREF=#top>top</A></BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, made.path()).status);
  EXPECT_NE(std::string::npos,
            round_trip(made, {"D", "1", "T"}, "")
                .find("a.html: a link to record 2, which is not in the database"));
}

// Line breaks would take the page past what pagepack reads: the page is
// written without them.
TEST(HandMadeSites, LongPageWithoutLineBreaks) {
  TempDir made;
  std::string body;
  for (int i = 0; i < 13080; i++) body += "x<BR>";
  write_file(made.file("p.html"), "<BODY>" + body + "</BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "p.html"}, made.path()).status);
  EXPECT_EQ("", round_trip(made, {"D", "1", "T"}, "long page: "));
}

// A site packed with -w comes back with plain pagepack: pages in a subfolder
// linked with ../, entities and references, wrapped lines, <pre>, lists,
// tables, a form and an image; names whose first dot is followed by 'h'
// (the default mode takes other names for images), no text '&' before a
// ';' and no attribute value with a space, which the default mode cannot
// read back.
TEST(HandMadeSites, WebSiteComesBackWithoutAMessage) {
  TempDir made;
  ASSERT_EQ(0, run_shell("mkdir -p docs/ref img && printf 'P5\\n2 2\\n255\\n\\0\\377\\377\\0' > img/dot.pgm",
                         made.path()).status);
  write_file(made.file("index.html"),
             "<!DOCTYPE html><html><head><meta charset=utf-8><title>Caf\xC3\xA9 &amp; tea &gt; 2</title>"
             "<script>x()</script></head><body class=main>\n<h1>Start</h1><p>The quick brown\nfox "
             "&copy; &#x2014; &eacute;t&eacute; na\xC3\xAFve &rarr; 5 &lt; 6</p>\n"
             "<ul><li>one<li>two</ul><ol><li>first</ol><a href=docs/guide.html#intro>Guide</a>\n"
             "<img src=img/dot.pgm alt=Dot> <a href=https://example.org/>out</a></body></html>");
  write_file(made.file("docs/guide.html"),
             "<html><body><h2>Guide <em>one</em></h2><pre>  a  b\n\tc</pre>"
             "<table border=1><tr><th>k<td align=right>v</table>"
             "<form action=http://example.org/s><input type=search name=q><button>Go</button></form>"
             "<a href=../index.html>home</a> <a href=ref/>reference</a></body></html>");
  write_file(made.file("docs/ref/index.html"),
             "<html><body><dl><dt>Term<dd>Meaning</dl><a href=../guide.html>guide</a></body></html>");
  std::vector<std::string> head = {"Web", "1.0", "Web"};
  RunResult pack = run_program(PAGEPACK_BIN, {"-w", "Web", "1.0", "Web", "index.html"}, made.path());
  ASSERT_EQ(0, pack.status) << pack.err;
  EXPECT_EQ(4u, read_database(made.file("Web")).records.size());
  EXPECT_EQ("", round_trip(made, head, "web site: "));
}

}  // namespace
