// pagepack writes a database D; pageprobe -s takes it apart in an empty
// directory; sh rebuild.sh there gives D's application-info block and records
// again, byte for byte, or pageprobe names each record that cannot come back.
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <map>
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

// Random sites, now and then with links to missing pages, names whose first
// dot says the other kind, two names of one file ("x", "./x") and subfolders.
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

  // A file as a link or image names it: sometimes through "./", a second
  // name of the file, and in another letter case (see named).
  std::string name_of(const std::string& file) {
    return (chance(25) ? "./" : "") + named(file, case_free_ && chance(20));
  }

  std::string tag() {
    if (chance(15)) return chance(50) ? "</B>" : "</>";
    std::string name = pick(kElements), t = "<" + name;
    if (name == "A" && chance(85)) {
      if (chance(25))
        t += std::string(" HREF=") + (chance(50) ? "http://" : "https://") + "example.com/" +
             pick(kWords);
      else
        t += " HREF=" +
             (chance(25) ? "gone" + std::to_string(below(3)) + ".html"
                         : name_of(pages_[below(pages_.size())])) +
             (chance(30) ? std::string("#") + (chance(20) ? "" : pick(kWords)) : "");
    } else if (name == "IMG" && chance(90)) {
      t += " SRC=" + name_of(images_[below(images_.size())]);
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
    const char* const folders[] = {"", "", "", "sub/", "v1.2/"};
    const char* const page_ends[] = {".html", ".htm", ".html", ".v2.html"};
    const char* const image_ends[] = {".pgm", ".ppm", ""};
    for (unsigned n = below(5) + 1, i = 0; i < n; i++)
      pages_.push_back(i == 0 ? "index.html"
                              : pick(folders) + ("page" + std::to_string(i)) + pick(page_ends));
    for (unsigned n = below(4) + 1, i = 0; i < n; i++)
      images_.push_back(pick(folders) + ("img" + std::to_string(i)) + pick(image_ends));
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

// Writes the file, making its folders.
void write_site_file(const TempDir& dir, const std::string& name, const std::string& bytes) {
  for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
    mkdir(dir.file(name.substr(0, slash)).c_str(), 0700);
  write_file(dir.file(name), bytes);
}

// The folder rebuild.sh runs pagepack in, where it writes the database: ""
// or, for URLs that climb with "..", a folder below `into`.
std::string work_folder(const TempDir& into) {
  const std::string script = read_file(into.file("rebuild.sh"));
  const size_t cd = script.find("\ncd '");
  return cd == std::string::npos ? "" : script.substr(cd + 5, script.find('\'', cd + 5) - cd - 5);
}

// Takes the database db apart in `into` and builds it again there with
// sh rebuild.sh; every record comes back byte for byte, unique ID included,
// or a message names it. Returns pageprobe's standard error.
std::string round_trip(const std::string& db, const TempDir& into, const std::string& context) {
  ReadDatabase original = read_database(db);
  RunResult probe = run_program(PAGEPROBE_BIN, {"-s", db}, into.path());
  EXPECT_EQ(0, probe.status) << context;
  EXPECT_EQ(0, run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh >/dev/null", into.path()).status)
      << context;
  ReadDatabase rebuilt = read_database(into.file(work_folder(into) + original.info.name));
  EXPECT_TRUE(original.ok && rebuilt.ok) << context;
  EXPECT_EQ(original.app_info, rebuilt.app_info) << context;
  EXPECT_EQ(original.records.size(), rebuilt.records.size()) << context;
  for (size_t i = 0; i < original.records.size() && i < rebuilt.records.size(); i++) {
    const std::string url = record_url(original.records[i].bytes);
    if (original.records[i].uid != rebuilt.records[i].uid ||
        original.records[i].bytes != rebuilt.records[i].bytes) {
      EXPECT_NE(std::string::npos, probe.err.find("pageprobe: " + url + ": "))
          << context << url << ": no message\n"
          << probe.err;
    }
  }
  return probe.err;
}

// pageprobe's messages but those that allow[] names.
std::string other_messages(const std::string& err, std::vector<std::string> allow) {
  allow.push_back(": bitmap shorter than its header");  // an image whose file was missing
  std::istringstream lines(err);
  std::string rest;
  for (std::string line; std::getline(lines, line);) {
    bool allowed = false;
    for (const std::string& a : allow) allowed = allowed || line.find(a) != std::string::npos;
    if (!allowed) rest += line + "\n";
  }
  return rest;
}

class GeneratedSites : public testing::TestWithParam<unsigned> {};

// 6 shards of 50 sites; PQA_ROUNDTRIP_SEED picks another series. Only a file
// that two names give other data comes back otherwise (a page without a
// title, whose title is its name; an image without a dot, also an input and
// so a page), under a name of its own, and so the pages that show it. Every
// shard of the first series meets gaps, kind options, "./" names and folders.
TEST_P(GeneratedSites, ComeBackByteForByteOrNamed) {
  const char* env = getenv("PQA_ROUNDTRIP_SEED");
  unsigned first = env ? static_cast<unsigned>(strtoul(env, nullptr, 10)) : 20261208u;
  std::map<std::string, int> met;
  for (unsigned seed = first + GetParam() * 50; seed < first + GetParam() * 50 + 50; seed++) {
    generated_site site = site_generator(seed).make();
    TempDir made, again;
    for (const auto& f : site.files) write_site_file(made, f.first, f.second);
    std::vector<std::string> args = site.head;
    args.insert(args.end(), site.inputs.begin(), site.inputs.end());
    // A site with slips (a missing input, a page named as an image) fails
    // the run, which still packs the rest.
    const RunResult pack = run_program(PAGEPACK_BIN, args, made.path());
    ASSERT_TRUE(pack.status == 0 || pack.status == 1) << seed;
    const std::string context = "seed " + std::to_string(seed) + ": ";
    std::string err = round_trip(made.file(site.head[0]), again, context);
    EXPECT_EQ("", other_messages(err, {", whose data differ: written as ", " is not record "}))
        << context << err;
    const std::string script = read_file(again.file("rebuild.sh"));
    for (const char* feature : {"'.hole-", "'--page=", "'--image=", "'./", "/page"})
      met[feature] += (script + err).find(feature) != std::string::npos;
    // Folders no longer decide a kind, so a kind option may be of either sort.
    met["kind option"] += met["'--page="] + met["'--image="] > 0;
    if (HasFailure()) return;
  }
  met.erase("'--page=");
  met.erase("'--image=");
  for (const auto& m : met) EXPECT_TRUE(env || m.second > 0) << m.first;
}

INSTANTIATE_TEST_SUITE_P(Shards, GeneratedSites, testing::Range(0u, 6u));

// The same sites packed with -w: every record that does not come back is
// named, and some come back through pages written for -w.
TEST(GeneratedWebSites, ComeBackOrNamed) {
  int web = 0;
  for (unsigned seed = 20261209u; seed < 20261209u + 60; seed++) {
    generated_site site = site_generator(seed).make();
    TempDir made, again;
    for (const auto& f : site.files) write_site_file(made, f.first, f.second);
    std::vector<std::string> args = {"-w"};
    args.insert(args.end(), site.head.begin(), site.head.end());
    args.insert(args.end(), site.inputs.begin(), site.inputs.end());
    if (run_program(PAGEPACK_BIN, args, made.path()).status != 0) continue;
    round_trip(made.file(site.head[0]), again, "-w seed " + std::to_string(seed) + ": ");
    web += read_file(again.file("rebuild.sh")).find("'-w'") != std::string::npos;
    if (HasFailure()) return;
  }
  EXPECT_LE(5, web);
}

// Long pages that -w splits into parts, of random pieces: words (some longer
// than a part, some with references or accents), preformatted lines with
// runs of spaces, line breaks, links and bold text that stay open where a
// part ends. Every record comes back or is named; most pages come back whole,
// their parts kept by placeholders, and again in a second generation.
TEST(GeneratedWebSites, PagesInPartsComeBackOrNamed) {
  const char* const pieces[] = {"word ", "a&amp;b ", "caf\xC3\xA9 ", "<br>", "<br><br>", "\n",
                                "<p>para graph</p>", "<i>it</i> ", "<h1>Head</h1>", "x",
                                "<a href=index.html><b>bl</b> t</a>", "<hr>", "&lt;tag&gt; ",
                                "<img src=dot.pgm> ", "<b><i>both</i></b>"};
  int joined = 0;
  const unsigned kPages = 24;
  for (unsigned seed = 1; seed <= kPages; seed++) {
    std::mt19937 rng(seed);
    auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    auto repeat = [](size_t n, const std::string& s) {
      std::string r;
      while (n--) r += s;
      return r;
    };
    std::string page = "<title>Long</title><body>";
    for (size_t size = 150000 + below(2) * 150000; page.size() < size;) {
      switch (below(60)) {
        case 0: page += std::string(20 + below(below(2) ? 200 : 2000), 'w') + " "; break;
        case 1: page += "<b>" + repeat(below(300), "bold ") + "</b> "; break;
        case 2: page += "<a href=index.html>" + repeat(below(300), "link ") + "</a> "; break;
        case 3:
          page += "<p>x</p><pre>";
          for (size_t n = 1 + below(30); n > 0; n--)
            page += std::string(below(4), ' ') + repeat(1 + below(20), "vv" + std::string(1 + below(3), ' ')) + "\n";
          page += "</pre><p>y</p>";
          break;
        default: page += pieces[below(sizeof pieces / sizeof *pieces)];
      }
    }
    TempDir made, first, second;
    write_file(made.file("index.html"), page);
    write_file(made.file("dot.pgm"), "P5\n2 1\n255\n\0\377");
    ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"-w", "-q", "L", "1", "L", "index.html"},
                             made.path()).status);
    const std::string context = "parts seed " + std::to_string(seed) + ": ";
    const std::string err = round_trip(made.file("L"), first, context);
    if (read_file(first.file("rebuild.sh")).find("--gap=index.html~2") != std::string::npos) {
      joined++;
      EXPECT_EQ("", err) << context;
      EXPECT_EQ("", round_trip(first.file("L"), second, context));
    }
    if (HasFailure()) return;
  }
  EXPECT_LE(kPages * 3, joined * 4u) << joined << " of " << kPages << " pages came back whole";
}

// A database packed with -w until its queue was full: the links whose pages
// found no room keep no target, and come back so, in two generations, from
// a page of their own that the rebuild's full queue has no room for either.
TEST(HandMadeSites, FullWebDatabaseComesBackInTwoGenerations) {
  TempDir made, first, second;
  std::string index = "<title>Full</title><p>";
  for (int i = 0; i < 1050; i++) {
    const std::string page = "p" + std::to_string(i) + ".html";
    index += "<a href=" + page + ">" + std::to_string(i) + "</a> ";
    write_file(made.file(page), "<title>P</title><p>" + std::to_string(i));
  }
  write_file(made.file("index.html"), index + "&amp; x;");  // only -w says a text '&' so
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"-w", "-q", "F", "1", "F", "index.html"},
                           made.path()).status);
  ASSERT_EQ(1000u, read_database(made.file("F")).records.size());
  EXPECT_EQ("", round_trip(made.file("F"), first, "full 1: "));
  EXPECT_NE(std::string::npos, read_file(first.file("index.html")).find("<a href=\"no-room.html\">"));
  EXPECT_EQ("", round_trip(first.file("F"), second, "full 2: "));
}

// Manuals from Debian's doc packages (make test installs them), packed from
// index.html: Apache's as it ships (its language pages in folders), its
// English pages, valgrind's and libxslt's with every <BODY ...> made plain,
// so that their bodies are packed (gaps, names such as dist.authors.html,
// images in a folder, and images behind "..", which pagepack does not read
// from outside the site: gaps, named by their sources). The rebuilt database
// is taken apart and built again: a second generation.
TEST(RealSites, ComeBackInTwoGenerations) {
  const struct {
    const char* site;
    bool plain;
    size_t records;  // at least
  } sites[] = {{"/usr/share/doc/apache2-doc/manual", false, 12},
               {"/usr/share/doc/apache2-doc/manual/en", true, 300},
               {"/usr/share/doc/valgrind/html", true, 40},
               {"/usr/share/doc/libxslt1-dev/html", true, 60}};  // 69 targets missing
  for (const auto& s : sites) {
    const std::string site = s.site;
    TempDir made, first, second;
    ASSERT_TRUE(file_exists(site + "/index.html")) << site << ": make deps installs it";
    const char* plain = " && find . -name '*.htm*' -exec sed -i 's/<body[^>]*>/<body>/I' {} +";
    // A copy, not links: pagepack reads nothing that resolves outside the site.
    ASSERT_EQ(0, run_shell("cp -r " + site + "/. ." + (s.plain ? plain : ""), made.path()).status);
    ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"Doc", "1", site, "index.html"}, made.path()).status);
    EXPECT_LE(s.records, read_database(made.file("Doc")).records.size()) << site;
    const std::string err = round_trip(made.file("Doc"), first, site + " 1: ");
    EXPECT_EQ("", other_messages(err, {})) << site;
    EXPECT_EQ("", other_messages(
                      round_trip(first.file(work_folder(first) + "Doc"), second, site + " 2: "), {}));
  }
}

const std::vector<std::string> kDemoImages = {"logo.pgm", "sun.ppm", "photo.jpg", "cloth.gif",
                                              "badge.png"};

// How many of the files named hold a PNG, whatever their names say.
int png_files(const TempDir& dir, const std::vector<std::string>& names) {
  int n = 0;
  for (const std::string& name : names)
    n += read_file(dir.file(name)).rfind("\x89PNG\r\n\x1A\n", 0) == 0;
  return n;
}

// The demo's images come back from PNG files, which netpbm reads to the
// greys pagepack reads: the same database again from pngtopnm's greymaps.
TEST(HandMadeSites, DemoComesBackWithoutAMessageFromPngFiles) {
  TempDir made;
  ASSERT_EQ(0,
            run_shell("cp " EXAMPLES_DIR "/*.html " EXAMPLES_DIR "/*.p?m " EXAMPLES_DIR "/*.gif "
                                EXAMPLES_DIR "/*.png " EXAMPLES_DIR "/*.jpg .",
                                made.path()).status);
  ASSERT_EQ(
      0, run_program(PAGEPACK_BIN, {"Demo", "1.0", "PQA Demo", "index.html"}, made.path()).status);
  TempDir again;
  EXPECT_EQ("", round_trip(made.file("Demo"), again, "demo: "));
  EXPECT_EQ(5, png_files(again, kDemoImages));
  for (const std::string& name : kDemoImages)
    ASSERT_EQ(0, run_shell("pngtopnm " + name + " > p && mv p " + name, again.path()).status);
  EXPECT_EQ(0, png_files(again, kDemoImages));
  ASSERT_EQ(0,
            run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh 2>/dev/null", again.path()).status);
  const ReadDatabase was = read_database(made.file("Demo")), is = read_database(again.file("Demo"));
  ASSERT_EQ(was.records.size(), is.records.size());
  for (size_t i = 0; i < was.records.size(); i++)
    EXPECT_EQ(was.records[i].bytes, is.records[i].bytes) << i;
}

// An image of any name comes back from its PNG, in the default reader and
// through -w (rebuild.sh gives -w --fit=0), also under -z; a bitmap that
// pagepack would write otherwise (a byte it leaves 0) stays as it is.
TEST(HandMadeSites, ImagesOfAnyNameComeBackFromPngFiles) {
  const std::vector<std::string> names = {"a.jpg", "b.gif", "c.pgm", "d", "e.png"};
  for (const char* options : {"", "-z ", "-w ", "-w -z "}) {
    TempDir made, again;
    // A text '&' ahead of a ';' comes back only through -w.
    const bool web = std::string(options).compare(0, 2, "-w") == 0;
    std::string page = web ? "<BODY>Fish &amp; chips; " : "<BODY>";
    for (size_t i = 0; i < names.size(); i++) {
      std::string pgm = "P5\n7 3\n255\n";
      for (int p = 0; p < 21; p++) pgm += static_cast<char>((p * 37 + i * 91) % 256);
      write_file(made.file(names[i]), pgm);
      page += "<IMG SRC=" + names[i] + ">";
    }
    write_file(made.file("index.html"), page + "</BODY>");
    const std::string pack = std::string(options) + "D 1 T index.html e.png 2>/dev/null";
    ASSERT_EQ(0, run_shell(PAGEPACK_BIN " " + pack, made.path()).status) << options;
    // e.png as pagepack made it, but for its transparent index (version 2) or
    // a reserved byte (version 1), given as it is.
    ReadDatabase first = read_database(made.file("D"));
    ASSERT_EQ(6u, first.records.size());
    std::string odd = record_data(first.records[1].bytes);
    odd[12] = 1;
    write_file(made.file("e.png"), odd);
    ASSERT_EQ(0, run_shell(PAGEPACK_BIN " --bitmap=e.png " + pack, made.path()).status);
    EXPECT_EQ("", round_trip(made.file("D"), again, options));
    const std::string script = read_file(again.file("rebuild.sh"));
    EXPECT_EQ(web, script.find("'-w' \\\n  '--fit=0'") != std::string::npos);
    EXPECT_NE(std::string::npos, script.find("'--bitmap=e.png'")) << script;
    EXPECT_EQ(4, png_files(again, {"a.jpg", "b.gif", "c.pgm", "d"})) << options;
  }
}

// The demo packed with the image options comes back without a message, in
// two generations: from PNG files where pagepack makes the same bitmaps of
// them, else (and the compressed icons) through the bitmaps themselves.
TEST(HandMadeSites, ImageOptionsComeBackInTwoGenerations) {
  // With the images that come back from PNG files (the others through
  // their bitmaps): see docs/round-trip.md.
  const std::vector<std::pair<std::vector<std::string>, int>> variants = {
      {{"-d"}, 5}, {{"-z"}, 5}, {{"-c", "16"}, 4}, {{"-c", "8"}, 1}, {{"-d", "-c", "8", "-z"}, 0}};
  for (const auto& variant : variants) {
    const std::vector<std::string>& options = variant.first;
    TempDir made, first, second;
    ASSERT_EQ(0, run_shell("cp " EXAMPLES_DIR "/*.html " EXAMPLES_DIR "/*.p?m " EXAMPLES_DIR
                           "/*.gif " EXAMPLES_DIR "/*.png " EXAMPLES_DIR "/*.jpg .",
                           made.path()).status);
    std::vector<std::string> args = options;
    for (const char* a : {"Demo", "1.0", "PQA Demo", "index.html"}) args.push_back(a);
    ASSERT_EQ(0, run_program(PAGEPACK_BIN, args, made.path()).status);
    const std::string context = options.back() + ": ";
    EXPECT_EQ("", round_trip(made.file("Demo"), first, context));
    EXPECT_EQ("", round_trip(first.file("Demo"), second, context));
    const std::string script = read_file(first.file("rebuild.sh"));
    EXPECT_EQ(options.back() == "-z", script.find("'-z'") != std::string::npos) << script;
    EXPECT_EQ(variant.second, png_files(first, kDemoImages)) << context;
    EXPECT_EQ(variant.second, png_files(second, kDemoImages)) << context;
  }
}

// An in-page link queued the empty page name, a gap that a placeholder keeps.
TEST(HandMadeSites, InPageLinkWithEmptyPageName) {
  TempDir made, again;
  write_file(made.file("a.html"), "<TITLE>A</TITLE><BODY>x <A HREF=#top>top</A></BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, made.path()).status);
  EXPECT_EQ("", round_trip(made.file("D"), again, ""));
  EXPECT_NE(std::string::npos, read_file(again.file("a.html")).find("<A HREF=.hole-2#top>"));
}

// A link "#top" queued the empty name, a page that is missing; an image of
// the empty name shows that gap: the gap gets the empty name, and the image
// its empty source, as it had.
TEST(HandMadeSites, ImageWithEmptySourceShowsAGap) {
  TempDir made, again;
  write_file(made.file("a.html"), "<BODY><A HREF=#top>t</A><A HREF=b.html>b</A></BODY>");
  write_file(made.file("b.html"), "<BODY><A HREF=c.html>c</A><IMG SRC=\"\"></BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, made.path()).status);
  EXPECT_EQ("", round_trip(made.file("D"), again, ""));
  EXPECT_NE(std::string::npos, read_file(again.file("b.html")).find("<IMG SRC=>"));
}

// Line breaks would take the page past what pagepack reads: the page is
// written without them.
TEST(HandMadeSites, LongPageWithoutLineBreaks) {
  TempDir made;
  std::string body;
  for (int i = 0; i < 13080; i++) body += "x<BR>";
  write_file(made.file("p.html"), "<BODY>" + body + "</BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "p.html"}, made.path()).status);
  TempDir again;
  EXPECT_EQ("", round_trip(made.file("D"), again, "long page: "));
}

// Pages that reach up with "../" (two levels, as inputs and as the targets of
// links and images) come back in a folder as deep as that needs, in two
// generations; missing images named by an absolute URL or a ".." after a
// name keep their sources, as the names of their placeholders.
TEST(HandMadeSites, SiteReachingUpComesBackInTwoGenerations) {
  TempDir made, first, second;
  ASSERT_EQ(0, run_shell("mkdir -p a/img a/b/c && printf 'P5\\n2 1\\n255\\n\\0\\377' > a/img/dot.pgm",
                         made.path()).status);
  write_file(made.file("a/b/c/index.html"),
             "<BODY><IMG SRC=../../img/dot.pgm><A HREF=../../../top.html>top</A>"
             "<A HREF=.././up.html>up</A><IMG SRC=/nowhere.pgm><IMG SRC=x/../dot.pgm></BODY>");
  write_file(made.file("top.html"), "<TITLE>Top</TITLE><BODY><IMG SRC=../../img/dot.pgm></BODY>");
  write_file(made.file("a/b/up.html"), "<BODY>up</BODY>");
  // pagepack reads outside its folder only what the command line names; the
  // missing images are gaps.
  ASSERT_EQ(0, run_program(PAGEPACK_BIN,
                           {"D", "1", "T", "index.html", "../../img/dot.pgm", "../../../top.html",
                            ".././up.html"},
                           made.file("a/b/c")).status);
  const std::string err = round_trip(made.file("a/b/c/D"), first, "up 1: ");
  EXPECT_EQ("up-3/up-2/up-1/site/", work_folder(first));
  EXPECT_EQ("", other_messages(err, {}));
  const std::string script = read_file(first.file("rebuild.sh"));
  for (const char* gap : {"'--gap=/nowhere.pgm'", "'--gap=x/../dot.pgm'"})
    EXPECT_NE(std::string::npos, script.find(gap)) << script;
  for (const char* file : {"up-3/up-2/img/dot.pgm", "up-3/top.html", "up-3/up-2/up-1/up.html"})
    EXPECT_TRUE(file_exists(first.file(file))) << file;
  EXPECT_EQ("", other_messages(round_trip(first.file(work_folder(first) + "D"), second, "up 2: "), {}));
}

// A site packed with -w comes back with plain pagepack: pages in a subfolder
// linked with ../, entities and references, wrapped lines, <pre>, lists,
// tables, a form and an image; no text '&' before a ';' and no attribute
// value with a space, which the default mode cannot read back.
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
  // Also with the image options, and a second generation.
  for (const char* options : {"", "-d -c 8 -z "}) {
    ASSERT_EQ(0, run_shell(PAGEPACK_BIN " -w " + std::string(options) +
                               "Web 1.0 Web index.html >/dev/null 2>&1",
                           made.path()).status);
    EXPECT_EQ(4u, read_database(made.file("Web")).records.size());
    TempDir again, third;
    EXPECT_EQ("", round_trip(made.file("Web"), again, options));
    EXPECT_EQ("", round_trip(again.file("Web"), third, options));
  }
}

// What only -w writes, in two generations and with the image options: a text
// '&' ahead of a ';', values with spaces, preformatted runs of spaces, list
// items holding paragraphs, a form and a page of more source than the default
// reader takes. pageprobe writes standard HTML and rebuild.sh runs -w; a page
// in parts comes back as the one page, its parts as placeholders.
TEST(HandMadeSites, WebOnlyPagesComeBackThroughWebInTwoGenerations) {
  TempDir made;
  ASSERT_EQ(0, run_shell("mkdir -p d && printf 'P5\\n2 2\\n255\\n\\0\\377\\377\\0' > d/dot.pgm",
                         made.path()).status);
  write_file(made.file("index.html"),
             "<html><head><title>Fish &amp; chips; AT&amp;T</title></head><body>"
             "<p>Fish &amp; chips; 1 &lt; 2</p><img src=d/dot.pgm alt='two words'>"
             "<pre>  a  b\n x </pre><ul><li><p>item</p><li>two <b>bold</b></ul>"
             "<form action=s.cgi><select name=s><option value='a b'>A</select>"
             "<input type=hidden name=h value='x y'><input name=q value='c d'></form>"
             "<a href='d/long.html#s p'>in parts</a> <a href=d/big.html>big</a></body></html>");
  std::string big, long_page;
  for (int i = 0; i < 12000; i++) big += "a&amp;b; ";
  for (int i = 0; i < 20000; i++) long_page += "word" + std::to_string(i) + " ";
  write_file(made.file("d/big.html"), "<title>Big</title><p>" + big + "<a href=../index.html>up</a>");
  write_file(made.file("d/long.html"), "<p>" + long_page);
  for (const char* options : {"", "-d -c 8 -z "}) {
    ASSERT_EQ(0, run_shell(PAGEPACK_BIN " -w " + std::string(options) +
                               "Web 1.0 Web index.html >/dev/null 2>&1",
                           made.path()).status);
    TempDir first, second;
    EXPECT_EQ("", round_trip(made.file("Web"), first, options));
    const std::string script = read_file(first.file("rebuild.sh"));
    EXPECT_NE(std::string::npos, script.find("'-w' \\\n  '--fit=0'")) << script;
    EXPECT_NE(std::string::npos, script.find("'--gap=d/long.html~2'")) << script;
    EXPECT_FALSE(file_exists(first.file("d/long.html~2")));
    EXPECT_LT(65532u, read_file(first.file("d/big.html")).size());
    EXPECT_NE(std::string::npos, read_file(first.file("index.html")).find("Fish &amp; chips;"));
    EXPECT_EQ("", round_trip(first.file("Web"), second, options));
  }
}

}  // namespace
