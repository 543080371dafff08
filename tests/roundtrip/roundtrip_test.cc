// pagepack writes a database D; pageprobe -s takes it apart in an empty
// directory; pagepack run there on D's name, version, title and record URLs
// gives D's application-info block and records again, byte for byte.
#include <cstdlib>
#include <sstream>

#include "site_generator.h"
#include "tests/pagepack/program_test_util.h"

namespace {

// Takes made/appname apart in a fresh directory, builds it again there and
// compares; returns pageprobe's standard error.
std::string round_trip(const TempDir& made, const std::vector<std::string>& head,
                       const std::string& context) {
  ReadDatabase original = read_database(made.file(head[0]));
  TempDir again;
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
  ASSERT_EQ(0, run_shell("cp " EXAMPLES_DIR "/*.html " EXAMPLES_DIR "/*.p?m .", made.path()).status);
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"Demo", "1.0", "PQA Demo", "index.html"}, made.path())
                   .status);
  EXPECT_EQ("", round_trip(made, {"Demo", "1.0", "PQA Demo"}, "demo: "));
}

// The empty page name is the last queue entry and made no record, so the
// closest page is the same page; pageprobe still says so.
TEST(HandMadeSites, InPageLinkWithEmptyPageName) {
  TempDir made;
  write_file(made.file("a.html"), "<TITLE>A</TITLE><BODY>x <A HREF=#top>top</A></BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, made.path()).status);
  EXPECT_NE(std::string::npos, round_trip(made, {"D", "1", "T"}, "").find(
                                   "a.html: a link to record 2, which is not in the database"));
}

}  // namespace
