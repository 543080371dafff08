// pageprobe on databases made to break it: files that are no database at
// all, URLs that point outside the working directory, and pages that pile up
// closing texts without end.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pageprobe/bit_writer.h"
#include "pageprobe/probe_db.h"
#include "sandbox.h"

namespace {

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
  const std::vector<std::string> inputs = {"dir", "empty", "lying", "short"};
  for (const std::string& name : std::vector<std::string>{"dir", "empty", "short", "lying",
                                                          "missing"}) {
    RunResult r = run(PAGEPROBE_BIN, {name});
    EXPECT_EQ(1, r.status) << name;
    EXPECT_EQ("", r.out) << name;
    EXPECT_EQ("can't open " + name + "\n", r.err);
  }
  std::vector<std::string> expected = inputs;
  EXPECT_EQ(expected, list_dir(work_));
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
  EXPECT_EQ("can't open Demo\n", r.err);
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
  EXPECT_EQ("../sentinel: URL with a .. component: no file written\n" + absolute +
                ": absolute URL: no file written\n"
                "sub/../../sentinel: URL with a .. component: no file written\n"
                "../img.ppm: URL with a .. component: no file written\n",
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

}  // namespace
