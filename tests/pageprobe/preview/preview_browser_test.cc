// The preview as a browser shows it: headless Chromium loads index.html and
// every page of the preview of the demo database and of a database with
// colour bitmaps, and the rendered DOM says whether every image loaded and
// every link leads to a file of the preview.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "probe_db.h"
#include "support/run_program.h"

namespace {

// Loads every page of the preview into a frame of one checking page (which
// lives beside the preview, not in it); once all have loaded, a script there
// writes one RESULT line: the pages, the images shown by index.html, and
// every image that did not load or link that leads outside the preview.
const char kChecker[] = R"(<!DOCTYPE html><html><body><pre id="r"></pre>FRAMES<script>
onload = () => {
  const base = new URL('prev/', location.href).href, files = new Set(FILES);
  const bad = [], shown = [];
  for (const f of document.querySelectorAll('iframe')) {
    const name = f.getAttribute('src').slice(5), d = f.contentDocument;
    if (!d || !d.body || !d.body.firstElementChild) { bad.push('empty ' + name); continue; }
    for (const i of d.images) {
      if (!i.complete || i.naturalWidth <= 0) bad.push('image ' + name + ' ' + i.src);
      else if (name == 'index.html') shown.push(i.src.slice(base.length));
    }
    for (const a of d.querySelectorAll('a[href]')) {
      const h = a.href.split('#')[0];
      if (!h.startsWith(base) || !files.has(h.slice(base.length))) bad.push('link ' + name + ' ' + a.href);
    }
  }
  document.getElementById('r').textContent =
      'RESULT ' + JSON.stringify({bad: bad, shown: [...new Set(shown)].sort()}) + ' END';
};
</script></body></html>)";

class PreviewBrowser : public ::testing::Test {
 protected:
  // Makes the preview of dir/db in dir/prev, checks it in Chromium, and
  // expects every PNG of the preview among the images index.html shows.
  void check_preview(const std::string& db) {
    RunResult probe = run_program(PAGEPROBE_BIN, {"-p", "prev", db}, dir_.path());
    ASSERT_EQ(0, probe.status) << probe.err;
    std::vector<std::string> files = list_dir(dir_.file("prev"));
    std::string frames, names, pngs;
    for (const std::string& f : files) {
      names += (names.empty() ? "'" : ",'") + f + "'";
      if (f.size() > 5 && f.compare(f.size() - 5, 5, ".html") == 0)
        frames += "<iframe src=\"prev/" + f + "\"></iframe>";
      else
        pngs += (pngs.empty() ? "\"" : ",\"") + f + "\"";
    }
    std::string page = kChecker;
    page.replace(page.find("FRAMES"), 6, frames);
    page.replace(page.find("FILES"), 5, "[" + names + "]");
    write_file(dir_.file("check.html"), page);
    TempDir profile;
    RunResult r = run_shell(
        "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir=" +
            shell_quote(profile.path()) + " --dump-dom file://" + shell_quote(dir_.file("check.html")),
        dir_.path());
    if (r.out.find("<html") == std::string::npos)
      GTEST_SKIP() << "Chromium cannot start here (status " << r.status << "): "
                   << r.err.substr(r.err.size() > 400 ? r.err.size() - 400 : 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("RESULT (.*?) END"))) << r.out;
    EXPECT_EQ("{\"bad\":[],\"shown\":[" + pngs + "]}", m[1].str());
  }

  TempDir dir_;
};

TEST_F(PreviewBrowser, DemoDatabase) {
  RunResult copy = run_shell("mkdir site && cd site && cp " PQA_EXAMPLES_DIR "/*.html "
                             PQA_EXAMPLES_DIR "/*.p?m " PQA_EXAMPLES_DIR "/*.gif "
                             PQA_EXAMPLES_DIR "/*.png " PQA_EXAMPLES_DIR "/*.jpg . && " +
                                 shell_quote(PAGEPACK_BIN) + " Demo 1.0 'PQA Demo' index.html",
                             dir_.path());
  ASSERT_EQ(0, copy.status) << copy.err;
  check_preview("site/Demo");
}

TEST_F(PreviewBrowser, ColourBitmaps) {
  // sun.ppm at 8 bits with its own colour table, at 8 bits in the system
  // palette, and at 16 bits direct colour, as netpbm writes them; a GIF and a
  // JPEG record.
  RunResult palm = run_shell(
      "mkdir src && cd src && pnmtopalm -depth 8 -colormap " PQA_EXAMPLES_DIR "/sun.ppm > c8 && "
      "pnmremap -mapfile=/usr/share/netpbm/palmcolor8.map " PQA_EXAMPLES_DIR "/sun.ppm "
      "| pnmtopalm -depth 8 > s8 && pnmtopalm -depth 16 " PQA_EXAMPLES_DIR "/sun.ppm > d16",
      dir_.path());
  ASSERT_EQ(0, palm.status) << palm.err;
  BitWriter page;
  page.text("colours").end();
  for (unsigned i = 1; i <= 5; i++) page.tag(52).bits(0x80, 8).uintv(i);
  std::vector<std::string> records = {pqa_record(4, "index.html", bytes(page.bytes), 1)};
  for (const char* name : {"c8", "s8", "d16"})
    records.push_back(pqa_record(5, name, read_file(dir_.file("src/") + name)));
  // GIF and JPEG records, shown as the files they hold.
  records.push_back(pqa_record(2, "cloth.gif", read_file(PQA_EXAMPLES_DIR "/cloth.gif")));
  records.push_back(pqa_record(3, "photo.jpg", read_file(PQA_EXAMPLES_DIR "/photo.jpg")));
  ASSERT_TRUE(write_pqa_db(dir_.file("Colour"), app_info("2.0", "Colour"), records));
  check_preview("Colour");
}

}  // namespace
