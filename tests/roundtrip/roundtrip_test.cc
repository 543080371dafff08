// pagepack writes a database D; pageprobe -s takes it apart in an empty
// directory; pagepack run there on D's name, version, title and record URLs
// gives D's application-info block and records again, byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pi-file.h"
#include "site_generator.h"
#include "support/run_program.h"

namespace {

struct database {
  bool ok = false;
  std::string app_info;
  std::vector<std::string> records;
  std::vector<unsigned long> uids;
  std::vector<std::string> urls;
};

database read_database(const std::string& path) {
  database db;
  pi_file_t* pf = pi_file_open(path.c_str());
  if (!pf) return db;
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  db.app_info.assign(static_cast<const char*>(data), data ? size : 0);
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  for (int i = 0; i < entries; i++) {
    int attrs = 0, cat = 0;
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &data, &size, &attrs, &cat, &uid) < 0) return db;
    std::string rec(static_cast<const char*>(data), size);
    db.records.push_back(rec);
    db.uids.push_back(uid);
    // pagepack's URL field sits at 20 and ends at its zero or its length.
    size_t length = (static_cast<unsigned char>(rec[4]) << 8) | static_cast<unsigned char>(rec[5]);
    db.urls.push_back(rec.substr(20, length).c_str());
  }
  pi_file_close(pf);
  db.ok = true;
  return db;
}

// Takes `made/appname` apart in a fresh directory and builds it again there.
// Returns pageprobe's standard error.
std::string round_trip(const TempDir& made, const std::string& appname,
                       const std::string& version, const std::string& title,
                       const std::string& context) {
  database original = read_database(made.file(appname));
  EXPECT_TRUE(original.ok) << context;
  TempDir again;
  RunResult probe = run_program(PAGEPROBE_BIN, {"-s", made.file(appname)}, again.path());
  EXPECT_EQ(0, probe.status) << context;
  std::vector<std::string> args = {appname, version, title};
  args.insert(args.end(), original.urls.begin(), original.urls.end());
  RunResult pack = run_program(PAGEPACK_BIN, args, again.path());
  EXPECT_EQ(0, pack.status) << context << pack.err;
  database rebuilt = read_database(again.file(appname));
  EXPECT_TRUE(rebuilt.ok) << context;
  EXPECT_EQ(original.app_info, rebuilt.app_info) << context;
  EXPECT_EQ(original.uids, rebuilt.uids) << context;
  EXPECT_EQ(original.records.size(), rebuilt.records.size()) << context;
  for (size_t i = 0; i < original.records.size() && i < rebuilt.records.size(); i++) {
    EXPECT_EQ(original.records[i], rebuilt.records[i])
        << context << "record " << i << " (" << original.urls[i] << "):\n"
        << read_file(again.file(original.urls[i]));
  }
  return probe.err;
}

unsigned first_seed() {
  const char* env = getenv("PQA_ROUNDTRIP_SEED");
  return env ? static_cast<unsigned>(strtoul(env, nullptr, 10)) : 20261208u;
}

constexpr unsigned kSitesPerShard = 50;

class GeneratedSites : public testing::TestWithParam<unsigned> {};

// Every site comes back exactly and without a message (seed in the failure
// text; PQA_ROUNDTRIP_SEED picks another series).
TEST_P(GeneratedSites, ComeBackByteForByte) {
  for (unsigned i = 0; i < kSitesPerShard; i++) {
    unsigned seed = first_seed() + GetParam() * kSitesPerShard + i;
    generated_site site = site_generator(seed).make();
    TempDir made;
    for (const site_file& f : site.files) write_file(made.file(f.name), f.bytes);
    std::vector<std::string> args = {site.appname, site.version, site.title};
    args.insert(args.end(), site.inputs.begin(), site.inputs.end());
    ASSERT_EQ(0, run_program(PAGEPACK_BIN, args, made.path()).status) << "seed " << seed;
    std::string err =
        round_trip(made, site.appname, site.version, site.title, "seed " + std::to_string(seed) + ": ");
    // Images whose file was missing hold an empty bitmap, which makes no file.
    std::string other;
    for (size_t at = 0, end; at < err.size(); at = end + 1) {
      end = err.find('\n', at);
      std::string line = err.substr(at, end - at);
      if (line.find(": bitmap shorter than its header") == std::string::npos) other += line + "\n";
    }
    EXPECT_EQ("", other) << "seed " << seed;
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, GeneratedSites, testing::Range(0u, 6u));

// The demo site, and the independent Palm::PDB reader sees the same database twice.
TEST(HandMadeSites, DemoComesBackForPalmPdbToo) {
  TempDir made;
  RunResult copy = run_shell(std::string("cp ") + EXAMPLES_DIR + "/*.html " + EXAMPLES_DIR +
                                 "/*.p?m .", made.path());
  ASSERT_EQ(0, copy.status) << copy.err;
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"Demo", "1.0", "PQA Demo", "index.html"}, made.path())
                   .status);
  EXPECT_EQ("", round_trip(made, "Demo", "1.0", "PQA Demo", "demo: "));
}

// Where the database cannot come back exactly, pageprobe says so and writes
// the closest page pagepack accepts.
TEST(HandMadeSites, InPageLinkWithEmptyPageName) {
  TempDir made;
  write_file(made.file("a.html"),
             "<TITLE>A</TITLE><BODY>x <A HREF=#top>top</A> <A HREF=>none</A></BODY>");
  ASSERT_EQ(0, run_program(PAGEPACK_BIN, {"D", "1", "T", "a.html"}, made.path()).status);
  // The empty name is the last queue entry and made no record: exact again.
  std::string err = round_trip(made, "D", "1", "T", "empty name: ");
  EXPECT_NE(std::string::npos, err.find("a.html: a link to record 2, which is not in the database"))
      << err;
}

}  // namespace
