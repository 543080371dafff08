// Reading databases: fields and block sizes from hand-built files, every
// malformed file refused, and resource databases opened without records.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "pdb_test_util.h"
#include "pi-file.h"
#include "support/run_program.h"

namespace {

// Two records and an app-info block: list ends at 94, pad to 96, app info
// 96..100, records 100..103 and 103..108.
PdbImage two_records() {
  PdbImage img = record_db({100, 103}, 96, 108);
  img.put(96, "APPIabcdefgh");
  return img;
}

pi_file_t* open_image(const TempDir& dir, const PdbImage& img) {
  write_file(dir.file("db"), img.bytes);
  return pi_file_open(dir.file("db").c_str());
}

std::string record(pi_file_t* pf, int i) {
  void* data = nullptr;
  size_t size = 0;
  if (pi_file_read_record(pf, i, &data, &size, nullptr, nullptr, nullptr) < 0) return "(failed)";
  return std::string(static_cast<char*>(data), size);
}

std::string app_info(pi_file_t* pf) {
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  return data == nullptr ? "(none)" : std::string(static_cast<char*>(data), size);
}

TEST(PdbRead, HeaderFieldsAndBlocksFromAHandBuiltFile) {
  TempDir dir;
  PdbImage img = two_records();
  img.put(0, "Hand built");
  img.be16(32, 0x0218);
  img.be16(34, 0x0102);
  img.be32(36, 0xB7C07A80);  // 1000000000
  img.be32(40, 0xFFFFFFFF);  // past 2038: still positive as a Unix time
  img.be32(44, 0);           // never backed up
  img.be32(48, 42);
  img.put(60, "pqa clpr");
  img.be32(68, 0x77777777);  // seed: not part of DBInfo
  pi_file_t* pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  DBInfo info;
  std::memset(&info, 0x55, sizeof info);
  pi_file_get_info(pf, &info);
  EXPECT_STREQ("Hand built", info.name);
  EXPECT_EQ(0x0218u, info.flags);
  EXPECT_EQ(0x0102u, info.version);
  EXPECT_EQ(1000000000, info.createDate);
  EXPECT_EQ(static_cast<time_t>(4294967295LL - 2082844800), info.modifyDate);
  EXPECT_EQ(-2082844800, info.backupDate);
  EXPECT_EQ(42ul, info.modnum);
  EXPECT_EQ(0x70716120ul, info.type);
  EXPECT_EQ(four_cc("clpr"), info.creator);
  EXPECT_EQ(0, info.more);
  EXPECT_EQ(0u, info.miscFlags);
  EXPECT_EQ(0u, info.index);

  EXPECT_EQ("APPI", app_info(pf));
  int n = 0;
  pi_file_get_entries(pf, &n);
  ASSERT_EQ(2, n);
  void* data = nullptr;
  size_t size = 0;
  int attrs = -1, category = -1;
  recordid_t uid = 0;
  ASSERT_EQ(0, pi_file_read_record(pf, 1, &data, &size, &attrs, &category, &uid));
  EXPECT_EQ("defgh", std::string(static_cast<char*>(data), size));
  EXPECT_EQ(0x40, attrs);
  EXPECT_EQ(1, category);
  EXPECT_EQ(0x11ul, uid);
  EXPECT_EQ("abc", record(pf, 0));
  EXPECT_GT(0, pi_file_read_record(pf, 2, &data, &size, &attrs, &category, &uid));
  EXPECT_GT(0, pi_file_read_record(pf, -1, &data, &size, &attrs, &category, &uid));
  EXPECT_EQ(0, pi_file_close(pf));
}

TEST(PdbRead, BlockSizesFollowTheOffsets) {
  TempDir dir;
  // App info runs to the sort info, the sort info to the first record.
  PdbImage img = two_records();
  img.be32(56, 98);
  pi_file_t* pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ("AP", app_info(pf));
  EXPECT_EQ("abc", record(pf, 0));
  pi_file_close(pf);

  // Without records the app info runs to the end of the file.
  pf = open_image(dir, record_db({}, 80, 85));
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ(std::string(5, '\0'), app_info(pf));
  pi_file_close(pf);

  // Records of equal offsets are empty; so is a last record at the very end.
  img = record_db({112, 112, 114, 116}, 0, 116);
  img.put(112, "xxyy");
  pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ("", record(pf, 0));
  EXPECT_EQ("xx", record(pf, 1));
  EXPECT_EQ("yy", record(pf, 2));
  EXPECT_EQ("", record(pf, 3));
  EXPECT_EQ("(none)", app_info(pf));
  pi_file_close(pf);
}

TEST(PdbRead, EmptyDatabaseWithoutPadBytesIsValid) {
  TempDir dir;
  pi_file_t* pf = open_image(dir, record_db({}, 0, 78));
  ASSERT_NE(nullptr, pf);
  int n = -1;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(0, n);
  EXPECT_EQ("(none)", app_info(pf));
  pi_file_close(pf);

  // Records may start right after the list, where the pad bytes would be.
  PdbImage img = record_db({86}, 0, 90);
  img.put(86, "data");
  pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ("data", record(pf, 0));
  pi_file_close(pf);
}

// Records are bounded each: one too large to read is refused alone, unread,
// and every record beside it stays readable; the largest record a PQA header
// can describe (20 + 65535 + 65535 bytes) is read.
TEST(PdbRead, RecordsTooLargeAreRefusedAlone) {
  TempDir dir;
  const uint32_t big = 20 + 65535 + 65535;
  PdbImage img = record_db({104, 104 + big, 104 + big + 262145}, 0, 104 + big + 262145 + 2);
  img.put(104, "first");
  img.put(104 + big + 262145, "ok");
  pi_file_t* pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ(big, record(pf, 0).size());
  EXPECT_EQ("first", record(pf, 0).substr(0, 5));
  void* data = &img;
  size_t size = 0;
  int attrs = 0;
  recordid_t uid = 0;
  EXPECT_EQ(PI_RECORD_TOO_LARGE, pi_file_read_record(pf, 1, &data, &size, &attrs, nullptr, &uid));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(262145u, size);
  EXPECT_EQ(0x40, attrs);
  EXPECT_EQ(0x11UL, uid);
  EXPECT_EQ("ok", record(pf, 2));
  EXPECT_EQ(PI_RECORD_UNREADABLE, pi_file_read_record(pf, 3, nullptr, nullptr, nullptr, nullptr,
                                                      nullptr));
  pi_file_close(pf);
}

struct Malformed {
  const char* what;
  PdbImage image;
};

std::vector<Malformed> malformed_files() {
  std::vector<Malformed> cases;
  auto with = [&](const char* what, auto change) {
    PdbImage img = two_records();
    change(img);
    cases.push_back({what, img});
  };
  cases.push_back({"empty file", PdbImage{}});
  cases.push_back({"header cut short", PdbImage{two_records().bytes.substr(0, 77)}});
  cases.push_back({"record list cut short", PdbImage{two_records().bytes.substr(0, 93)}});
  with("more records than the file holds", [](PdbImage& i) { i.be16(76, 0xFFFF); });
  with("record offset past the end", [](PdbImage& i) { i.be32(86, 109); });
  with("record offset far past the end", [](PdbImage& i) { i.be32(86, 0xFFFFFFF0); });
  with("record offsets decreasing", [](PdbImage& i) {
    i.be32(78, 104);
    i.be32(86, 103);
  });
  with("record inside the record list", [](PdbImage& i) {
    i.be32(52, 0);
    i.be32(78, 90);
  });
  with("record inside the header", [](PdbImage& i) {
    i.be32(52, 0);
    i.be32(78, 0);
  });
  with("app info inside the header", [](PdbImage& i) { i.be32(52, 50); });
  with("app info inside the record list", [](PdbImage& i) { i.be32(52, 90); });
  with("app info past the end", [](PdbImage& i) { i.be32(52, 200); });
  with("app info behind the first record", [](PdbImage& i) { i.be32(52, 101); });
  with("sort info inside the record list", [](PdbImage& i) { i.be32(56, 80); });
  with("sort info before the app info", [](PdbImage& i) { i.be32(56, 95); });
  with("sort info behind the first record", [](PdbImage& i) { i.be32(56, 102); });
  with("sort info past the end", [](PdbImage& i) { i.be32(56, 0x80000000); });
  with("next record list ID set", [](PdbImage& i) { i.be32(72, 1); });
  with("name without NUL", [](PdbImage& i) { i.put(0, std::string(32, 'n')); });
  // Three entries end at 102 when read as 8 bytes each (and would be fine),
  // at 108 as the 10 bytes of a resource list: past the end of this file.
  PdbImage res = record_db({102, 102, 102}, 0, 104);
  res.be16(32, dlpDBFlagResource);
  cases.push_back({"resource entries do not fit", res});
  // No app-info block may be longer than 64 KB, nor the gap before the first
  // block: a file's size alone never makes the reader take memory.
  cases.push_back({"app info longer than 64 KB", record_db({}, 80, 80 + 65537)});
  cases.push_back({"gap of more than 64 KB", record_db({88 + 65537}, 0, 88 + 65537)});
  cases.push_back({"no block, and bytes behind the list", record_db({}, 0, 80 + 65537)});
  return cases;
}

TEST(PdbRead, MalformedFilesAreRefused) {
  TempDir dir;
  {
    pi_file_t* pf = open_image(dir, two_records());
    ASSERT_NE(nullptr, pf) << "the unchanged file must open";
    pi_file_close(pf);
  }
  {
    PdbImage as_records = record_db({102, 102, 102}, 0, 104);
    pi_file_t* pf = open_image(dir, as_records);
    ASSERT_NE(nullptr, pf) << "the record database beside the resource case must open";
    pi_file_close(pf);
  }
  for (const Malformed& m : malformed_files())
    EXPECT_EQ(nullptr, open_image(dir, m.image)) << m.what;
}

// Whatever a damaged header says, an open database hands out only bytes of
// the file (a sanitizer build also checks every access).
TEST(PdbRead, DamagedHeadersNeverReachOutsideTheFile) {
  TempDir dir;
  const PdbImage good = two_records();
  const size_t list_end = 78 + 2 * 8;
  for (size_t at = 32; at < list_end; ++at) {
    for (int value : {0x00, 0x01, 0x7F, 0xFF}) {
      PdbImage img = good;
      img.bytes[at] = static_cast<char>(value);
      pi_file_t* pf = open_image(dir, img);
      if (pf == nullptr) continue;
      size_t total = 0;
      void* data = nullptr;
      size_t size = 0;
      pi_file_get_app_info(pf, &data, &size);
      total += size;
      int n = 0;
      pi_file_get_entries(pf, &n);
      for (int i = 0; i < n; ++i)
        if (pi_file_read_record(pf, i, &data, &size, nullptr, nullptr, nullptr) == 0)
          total += size;
      EXPECT_LE(total, img.bytes.size() - 78) << "byte " << at << " = " << value;
      pi_file_close(pf);
    }
  }
}

TEST(PdbRead, ResourceDatabaseOpensButHandsOutNoRecords) {
  TempDir dir;
  PdbImage img;
  img.put(0, "Res");
  img.be16(32, dlpDBFlagResource | dlpDBFlagBackup);
  img.be32(52, 100);
  img.put(60, "applrsrC");
  img.be16(76, 2);
  img.put(78, "code");
  img.be16(82, 1);
  img.be32(84, 104);
  img.put(88, "tAIN");
  img.be16(92, 1000);
  img.be32(94, 110);
  img.put(100, "AIAIcodecodeNAME");
  pi_file_t* pf = open_image(dir, img);
  ASSERT_NE(nullptr, pf);
  DBInfo info;
  pi_file_get_info(pf, &info);
  EXPECT_STREQ("Res", info.name);
  EXPECT_EQ(static_cast<unsigned>(dlpDBFlagResource | dlpDBFlagBackup), info.flags);
  EXPECT_EQ("AIAI", app_info(pf));
  int n = 0;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(2, n);
  for (int i = -1; i <= n; ++i) EXPECT_EQ("(failed)", record(pf, i)) << i;
  EXPECT_EQ(0, pi_file_close(pf));

  // Read as 8-byte entries this list would put a record at 0x636f6465 ('code').
  img.be32(94, 90);  // offsets decreasing: refused as a resource database too
  EXPECT_EQ(nullptr, open_image(dir, img));
}

TEST(PdbRead, UnreadablePathsGiveNull) {
  TempDir dir;
  EXPECT_EQ(nullptr, pi_file_open(dir.file("missing").c_str()));
  EXPECT_EQ(nullptr, pi_file_open(dir.path().c_str()));
  EXPECT_EQ(nullptr, pi_file_open(nullptr));
}

TEST(PdbRead, NullOutPointersAreAllowed) {
  TempDir dir;
  pi_file_t* pf = open_image(dir, two_records());
  ASSERT_NE(nullptr, pf);
  EXPECT_EQ(0, pi_file_read_record(pf, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
  pi_file_get_app_info(pf, nullptr, nullptr);
  pi_file_get_entries(pf, nullptr);
  pi_file_get_info(pf, nullptr);
  EXPECT_EQ(0, pi_file_close(pf));
}

TEST(PdbRead, PrintlongGivesTheFourCharacters) {
  char* first = printlong(0x70716120);
  EXPECT_STREQ("pqa ", first);
  char* second = printlong(four_cc("clpr"));
  EXPECT_STREQ("clpr", second);
  EXPECT_EQ(first, second);  // one static buffer
  EXPECT_STREQ("", printlong(0));
}

}  // namespace
