// pageprobe -p on databases made to break out of the preview: URLs and texts
// that are markup, paths out of the folder, and a full database.
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "pageprobe/bit_writer.h"
#include "pageprobe/preview/preview_check.h"
#include "pageprobe/probe_db.h"
#include "sandbox.h"

namespace {

using namespace std::string_literals;

using HostilePreview = Sandbox;

const std::string kScript = "<script>alert(1)</script>";

// A bit-coded page with markup in its title, a literal run, link and image strings.
std::string hostile_page() {
  BitWriter w;
  w.text("</title>" + kScript).end();
  w.tag(112);
  for (char c : kScript + "<img src=x onerror=alert(1)><a href=\"/etc/passwd\">x</a>")
    w.bits(static_cast<unsigned char>(c), 8);
  w.bits(0, 8);
  w.tag(17).bits(0, 2).bits(0, 8).str("javascript:alert(1)").text("a").end();
  w.tag(17).bits(1, 2).bits(0x20, 8).str("../../evil.html").text("b").end();
  w.tag(52).bits(0x60, 8).str("\"><script>").str("/etc/passwd");
  w.tag(17).bits(1, 2).bits(0x04, 8).uintv(5000).text("c").end();
  return bytes(w.bytes);
}

TEST_F(HostilePreview, NothingOutsideAndNothingInForce) {
  std::vector<std::string> records = {
      pqa_record(4, kScript + ".html", hostile_page(), 1),
      pqa_record(4, "a\"onmouseover=\"x.html", hostile_page(), 1),
      pqa_record(4, "../../evil.html", hostile_page(), 0),
      pqa_record(5, root_.file("abs.pgm"), bitmap(2, 1, 2, 0, 1, std::string("\x80\x00", 2))),
      pqa_record(5, "../x.pgm", bitmap(9, 9, 2, 0, 3, "")),
      pqa_record(4, "c.html", hostile_page(), 7),
  };
  while (records.size() < 1000)
    records.push_back(pqa_record(records.size() % 2 ? 4 : 5, "r" + std::to_string(records.size()),
                                 records.size() % 2 ? std::string("\x6B\x80", 2)
                                                    : bitmap(1, 1, 2, 0, 1, std::string(2, '\0')),
                                 1));
  ASSERT_TRUE(write_pqa_db(file("Demo"), app_info("\"'<>", kScript), records));
  RunResult r = run(PAGEPROBE_BIN, {"-p", "prev", "Demo"});
  // The listing makes the folders the first page's URL names, inside the
  // working directory; the preview's problems are told, not failures.
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(0u, r.err.find("pageprobe: ../../evil.html: URL with a .. component")) << r.err;
  EXPECT_TRUE(file_exists(file(kScript + ".html")));
  expect_outside_untouched();
  const std::string prev = file("prev");
  std::vector<std::string> names = list_dir(prev);
  EXPECT_EQ(1000u, names.size());  // index.html and 999 shown records (one bitmap is refused)
  EXPECT_EQ(std::vector<std::string>{}, unresolved_targets(prev));
  static const std::regex in_force("<script|<[^>]*\\son[a-z]+\\s*=|javascript:[^&]*\"",
                                   std::regex::icase);
  for (const std::string& name : names) {
    EXPECT_TRUE(preview_name(name)) << name;
    const std::string text = read_file(prev + "/" + name);
    EXPECT_FALSE(std::regex_search(text, in_force)) << name;
  }
  // The texts are there, escaped.
  const std::string page = read_file(prev + "/record-0000.html");
  EXPECT_NE(std::string::npos, page.find("&lt;script&gt;alert(1)&lt;/script&gt;")) << page;
  EXPECT_NE(std::string::npos, read_file(prev + "/index.html").find("a&quot;onmouseover=&quot;x.html"));
}

// In the README's own layout the preview folder lies in the working
// directory, where the listing writes: a record named into it is refused.
TEST_F(HostilePreview, NoRecordLandsInThePreviewFolder) {
  ASSERT_TRUE(write_pqa_db(file("Demo"), app_info("1", "T"),
                           {pqa_record(4, "prev/x.html", kScript, 1),
                            pqa_record(4, "./prev/y.html", kScript, 1),
                            pqa_record(4, "a.html", kScript, 1)}));
  RunResult r = run(PAGEPROBE_BIN, {"-p", "prev", "Demo"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pageprobe: prev/x.html: inside the preview folder, not written\n"
            "pageprobe: ./prev/y.html: inside the preview folder, not written\n",
            r.err);
  for (const std::string& name : list_dir(file("prev"))) EXPECT_TRUE(preview_name(name)) << name;
  EXPECT_TRUE(file_exists(file("a.html")));
  expect_outside_untouched();
}

// Pages made to make a decoder or the filter read their text over and over:
// markup that never ends a tag ("<a " 21000 times, then z=" unclosed), links
// whose strings never end, and '&' bytes to be dropped before a ';'. Each is
// read in time linear in its size.
TEST_F(HostilePreview, EndlessMarkupIsReadOnce) {
  BitWriter bit;
  bit.end().tag(112);
  std::string text;
  for (int i = 0; i < 21000; i++) text += "<a ";
  for (char c : text + "z=\"") bit.bits(static_cast<unsigned char>(c), 8);
  bit.bits(0, 8);
  std::string links = "T\0\0"s;
  while (links.size() < 64000) links += "\x01\x11\x00\x20http://"s;
  const std::string ampersands = "T\0\0"s + std::string(64000, '&') + ";\x01\x71"s;
  ASSERT_TRUE(write_pqa_db(file("Demo"), app_info("1", "T"),
                           {pqa_record(4, "a.html", bytes(bit.bytes), 1),
                            pqa_record(4, "b.html", links), pqa_record(4, "c.html", ampersands)}));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-p", "prev", "../Demo"},
                                               std::vector<std::string>{"-s", "../Demo"}}) {
    const std::string dir = file(args[0].substr(1));
    mkdir(dir.c_str(), 0755);
    double seconds = 0;
    RunResult r = timed_run(PAGEPROBE_BIN, args, &seconds, dir);
    EXPECT_EQ(0, r.status) << args[0] << r.err;
    EXPECT_LT(seconds, 5.0) << args[0];
  }
  EXPECT_LT(children_max_rss_mb(), 200);
  const std::string page = read_file(file("p/prev/record-0000.html"));
  EXPECT_NE(std::string::npos, page.find("&lt;a &lt;a z=&quot;"))
      << page.substr(page.size() - 300);
  expect_outside_untouched();
}

}  // namespace
