// Writing databases: the layout on disk, the limits of the format, and what
// a failed write leaves behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "pdb_test_util.h"
#include "pi-file.h"
#include "support/run_program.h"

namespace {

std::string unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    if (hex[i] == ' ') {
      --i;
      continue;
    }
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// Writes the RoundTrip example: app info of 10 bytes, records of 5 and 4.
int write_round_trip(const std::string& path) {
  DBInfo info = make_info("RoundTrip");
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  if (pf == nullptr) return -100;
  char app[] = "0123456789";
  char r1[] = "hello";
  char r2[] = "pqa!";
  if (pi_file_set_app_info(pf, app, 10) != 0) return -101;
  if (pi_file_append_record(pf, r1, 5, 0, 0, 1) != 0) return -102;
  if (pi_file_append_record(pf, r2, 4, 0, 0, 2) != 0) return -103;
  return pi_file_close(pf);
}

TEST(PdbWrite, ExampleDatabaseByteForByte) {
  TempDir dir;
  ASSERT_EQ(0, write_round_trip(dir.file("RoundTrip")));
  const std::string expected = std::string("RoundTrip") + std::string(23, '\0') + unhex(
      "0208 0001"                                                        // flags, version
      "b7c07a80 b7c07ae4 e179a180"                                       // dates
      "00000000"                                                         // modnum
      "00000060 00000000"                                                // app info, sort info
      "44415441 74737443"                                                // DATA tstC
      "00000003 00000000 0002"                  // seed, next list, count
      "0000006a 00 000001 0000006f 00 000002"   // record list
      "0000"                                    // pad
      "30313233343536373839"                    // app info
      "68656c6c6f 70716121");                   // records
  const std::string got = read_file(dir.file("RoundTrip"));
  ASSERT_EQ(115u, expected.size());
  EXPECT_EQ(expected, got);
}

TEST(PdbWrite, RoundTripThroughTheReader) {
  TempDir dir;
  const std::string path = dir.file("db");
  DBInfo info = make_info("Round trip of all fields");
  info.flags = dlpDBFlagClipping | dlpDBFlagBackup | dlpDBFlagReadOnly | dlpDBFlagHidden;
  info.version = 0xBEEF;
  info.modnum = 0x12345678;
  info.type = four_cc("pqa ");
  info.creator = four_cc("clpr");
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  std::string app("\x00\x01\x02\xff", 4);
  ASSERT_EQ(0, pi_file_set_app_info(pf, &app[0], app.size()));
  struct Rec {
    std::string data;
    int attrs, category;
    recordid_t uid;
  };
  std::vector<Rec> recs = {{"first", 0x00, 0, 1},
                           {std::string("\x00\x00\x7f", 3), 0x40, 5, 0x123456},
                           {"", 0x10, 15, 0xFFFFFF},
                           {"last record", 0xC0, 3, 0}};
  for (Rec& r : recs)
    ASSERT_EQ(0, pi_file_append_record(pf, &r.data[0], r.data.size(), r.attrs, r.category,
                                       r.uid));
  ASSERT_EQ(0, pi_file_close(pf));

  pf = pi_file_open(path.c_str());
  ASSERT_NE(nullptr, pf);
  DBInfo got;
  pi_file_get_info(pf, &got);
  EXPECT_STREQ("Round trip of all fields", got.name);
  EXPECT_EQ(info.flags, got.flags);
  EXPECT_EQ(0xBEEFu, got.version);
  EXPECT_EQ(0x12345678ul, got.modnum);
  EXPECT_EQ(0x70716120ul, got.type);
  EXPECT_STREQ("clpr", printlong(got.creator));
  EXPECT_EQ(info.createDate, got.createDate);
  EXPECT_EQ(info.modifyDate, got.modifyDate);
  EXPECT_EQ(info.backupDate, got.backupDate);

  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  ASSERT_EQ(app.size(), size);
  EXPECT_EQ(app, std::string(static_cast<char*>(data), size));

  int n = -1;
  pi_file_get_entries(pf, &n);
  ASSERT_EQ(4, n);
  for (int i = 0; i < n; ++i) {
    int attrs = -1, category = -1;
    recordid_t uid = 99;
    ASSERT_EQ(0, pi_file_read_record(pf, i, &data, &size, &attrs, &category, &uid));
    EXPECT_EQ(recs[i].data, std::string(static_cast<char*>(data), size)) << i;
    EXPECT_EQ(recs[i].attrs, attrs) << i;
    EXPECT_EQ(recs[i].category, category) << i;
    EXPECT_EQ(recs[i].uid, uid) << i;
  }
  EXPECT_EQ(0, pi_file_close(pf));
}

TEST(PdbWrite, AttributeByteKeepsFlagNibbleAndCategoryNibble) {
  TempDir dir;
  const std::string path = dir.file("db");
  DBInfo info = make_info("attrs");
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  char b = 'x';
  ASSERT_EQ(0, pi_file_append_record(pf, &b, 1, 0x1FF, 0x3A, 7));  // extra bits dropped
  ASSERT_EQ(0, pi_file_close(pf));
  const std::string file = read_file(path);
  ASSERT_EQ(78u + 8 + 2 + 1, file.size());
  EXPECT_EQ(std::string("\xFA\x00\x00\x07", 4), file.substr(82, 4));
}

TEST(PdbWrite, EmptyDatabaseHasNoAppInfoAndNoRecords) {
  TempDir dir;
  const std::string path = dir.file("empty");
  DBInfo info = make_info("empty");
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  ASSERT_EQ(0, pi_file_close(pf));
  const std::string file = read_file(path);
  ASSERT_EQ(80u, file.size());
  EXPECT_EQ(std::string(4, '\0'), file.substr(52, 4));  // no app info offset

  pf = pi_file_open(path.c_str());
  ASSERT_NE(nullptr, pf);
  void* data = &pf;
  size_t size = 5;
  pi_file_get_app_info(pf, &data, &size);
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, size);
  int n = -1;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(0, n);
  EXPECT_GT(0, pi_file_read_record(pf, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, pi_file_close(pf));
}

TEST(PdbWrite, NameOfMoreThan31CharactersIsRefused) {
  TempDir dir;
  DBInfo info = make_info("");
  std::memset(info.name, 'n', 32);
  info.name[32] = '\0';
  EXPECT_EQ(nullptr, pi_file_create(dir.file("long").c_str(), &info));
  info.name[31] = '\0';
  pi_file_t* pf = pi_file_create(dir.file("ok").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  ASSERT_EQ(0, pi_file_close(pf));
  EXPECT_EQ(std::vector<std::string>{"ok"}, list_dir(dir.path()));
  EXPECT_EQ(std::string(31, 'n') + '\0', read_file(dir.file("ok")).substr(0, 32));
}

TEST(PdbWrite, ValuesTheHeaderCannotHoldAreRefused) {
  TempDir dir;
  const std::string path = dir.file("db");
  DBInfo info = make_info("x");
  info.flags |= dlpDBFlagResource;  // this layer writes record databases only
  EXPECT_EQ(nullptr, pi_file_create(path.c_str(), &info));
  info = make_info("x");
  info.version = 0x10000;
  EXPECT_EQ(nullptr, pi_file_create(path.c_str(), &info));
  info = make_info("x");
  info.createDate = -2082844801;  // before 1904
  EXPECT_EQ(nullptr, pi_file_create(path.c_str(), &info));
  info = make_info("x");
  info.backupDate = static_cast<time_t>(4294967296LL - 2082844800);  // past 2040
  EXPECT_EQ(nullptr, pi_file_create(path.c_str(), &info));
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(PdbWrite, DatesAtBothEndsOfThePalmRange) {
  TempDir dir;
  const std::string path = dir.file("db");
  DBInfo info = make_info("dates");
  info.createDate = -2082844800;                                  // Palm 0: "never"
  info.modifyDate = static_cast<time_t>(4294967295LL - 2082844800);  // Palm 0xFFFFFFFF
  info.backupDate = 0;                                            // the Unix epoch
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  ASSERT_EQ(0, pi_file_close(pf));
  const std::string file = read_file(path);
  EXPECT_EQ(std::string("\x00\x00\x00\x00\xff\xff\xff\xff\x7c\x25\xb0\x80", 12),
            file.substr(36, 12));

  pf = pi_file_open(path.c_str());
  ASSERT_NE(nullptr, pf);
  DBInfo got;
  pi_file_get_info(pf, &got);
  EXPECT_EQ(-2082844800, got.createDate);
  EXPECT_EQ(static_cast<time_t>(2212122495LL), got.modifyDate);
  EXPECT_EQ(0, got.backupDate);
  pi_file_close(pf);
}

TEST(PdbWrite, UniqueIdsAreLimitedToThreeBytes) {
  TempDir dir;
  DBInfo info = make_info("uids");
  pi_file_t* pf = pi_file_create(dir.file("db").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  char b = 0;
  EXPECT_EQ(0, pi_file_append_record(pf, &b, 1, 0, 0, 0xFFFFFF));
  EXPECT_GT(0, pi_file_append_record(pf, &b, 1, 0, 0, 0x1000000));
  ASSERT_EQ(0, pi_file_close(pf));
  pf = pi_file_open(dir.file("db").c_str());
  ASSERT_NE(nullptr, pf);
  int n = 0;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(1, n);
  pi_file_close(pf);
}

TEST(PdbWrite, AtMost65535Records) {
  TempDir dir;
  DBInfo info = make_info("many");
  pi_file_t* pf = pi_file_create(dir.file("db").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  for (int i = 0; i < 65535; ++i)
    ASSERT_EQ(0, pi_file_append_record(pf, nullptr, 0, 0, 0, static_cast<recordid_t>(i)));
  EXPECT_GT(0, pi_file_append_record(pf, nullptr, 0, 0, 0, 1));
  ASSERT_EQ(0, pi_file_close(pf));
  pf = pi_file_open(dir.file("db").c_str());
  ASSERT_NE(nullptr, pf);
  int n = 0;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(65535, n);
  pi_file_close(pf);
}

TEST(PdbWrite, MissingDataIsRefused) {
  TempDir dir;
  DBInfo info = make_info("null");
  pi_file_t* pf = pi_file_create(dir.file("db").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  EXPECT_GT(0, pi_file_set_app_info(pf, nullptr, 4));
  EXPECT_GT(0, pi_file_append_record(pf, nullptr, 4, 0, 0, 1));
  EXPECT_EQ(nullptr, pi_file_create(nullptr, &info));
  EXPECT_EQ(nullptr, pi_file_create(dir.file("x").c_str(), nullptr));
  EXPECT_GT(0, pi_file_set_app_info(nullptr, &info, 1));
  EXPECT_GT(0, pi_file_append_record(nullptr, &info, 1, 0, 0, 1));
  EXPECT_GT(0, pi_file_close(nullptr));
  EXPECT_EQ(0, pi_file_close(pf));
}

TEST(PdbWrite, CallsOfTheOtherModeAreRefused) {
  TempDir dir;
  ASSERT_EQ(0, write_round_trip(dir.file("db")));
  const std::string before = read_file(dir.file("db"));

  pi_file_t* rd = pi_file_open(dir.file("db").c_str());
  ASSERT_NE(nullptr, rd);
  char b = 'x';
  EXPECT_GT(0, pi_file_set_app_info(rd, &b, 1));
  EXPECT_GT(0, pi_file_append_record(rd, &b, 1, 0, 0, 9));
  EXPECT_EQ(0, pi_file_close(rd));
  EXPECT_EQ(before, read_file(dir.file("db")));

  DBInfo info = make_info("w");
  pi_file_t* wr = pi_file_create(dir.file("w").c_str(), &info);
  ASSERT_NE(nullptr, wr);
  ASSERT_EQ(0, pi_file_append_record(wr, &b, 1, 0, 0, 9));
  void* data = nullptr;
  EXPECT_GT(0, pi_file_read_record(wr, 0, &data, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, pi_file_close(wr));
}

TEST(PdbWrite, ReplacesAnOlderFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.file("RoundTrip");
  write_file(path, "an older database");
  ASSERT_EQ(0, write_round_trip(path));
  EXPECT_EQ(115u, read_file(path).size());
  EXPECT_EQ(std::vector<std::string>{"RoundTrip"}, list_dir(dir.path()));
  struct stat st;
  ASSERT_EQ(0, stat(path.c_str(), &st));
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(0666 & ~mask, st.st_mode & 0777);
}

// A replaced file keeps its mode; a symlink stays a link and its target,
// also one not yet there, gets the database.
TEST(PdbWrite, ReplacingKeepsTheModeAndFollowsSymlinks) {
  TempDir dir;
  ASSERT_EQ(0, mkdir(dir.file("real").c_str(), 0755));
  write_file(dir.file("real/db"), "older");
  ASSERT_EQ(0, chmod(dir.file("real/db").c_str(), 0600));
  ASSERT_EQ(0, symlink("real/db", dir.file("Lnk").c_str()));
  ASSERT_EQ(0, symlink("real/new", dir.file("Dangling").c_str()));
  for (const char* name : {"real/db", "Lnk", "Dangling"}) {
    ASSERT_EQ(0, write_round_trip(dir.file(name))) << name;
    EXPECT_EQ(115u, read_file(dir.file(name)).size()) << name;
  }
  struct stat st;
  ASSERT_EQ(0, stat(dir.file("real/db").c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 07777);
  for (const char* link : {"Lnk", "Dangling"}) {
    ASSERT_EQ(0, lstat(dir.file(link).c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  }
  EXPECT_EQ((std::vector<std::string>{"db", "new"}), list_dir(dir.file("real")));
}

// Failures: nothing half-written appears and an older file survives.

TEST(PdbWrite, CreateRefusesATargetThatCannotBeWritten) {
  TempDir dir;
  DBInfo info = make_info("nowhere");
  EXPECT_EQ(nullptr, pi_file_create(dir.file("missing/db").c_str(), &info));
  write_file(dir.file("plain"), "a file, not a directory");
  EXPECT_EQ(nullptr, pi_file_create(dir.file("plain/db").c_str(), &info));
  ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0755));
  write_file(dir.file("sub/keep"), "kept");
  EXPECT_EQ(nullptr, pi_file_create(dir.file("sub").c_str(), &info));
  EXPECT_EQ(nullptr, pi_file_create(dir.file("sub/").c_str(), &info));
  EXPECT_EQ((std::vector<std::string>{"plain", "sub"}), list_dir(dir.path()));
  EXPECT_EQ(std::vector<std::string>{"keep"}, list_dir(dir.file("sub")));
  EXPECT_EQ("a file, not a directory", read_file(dir.file("plain")));
}

TEST(PdbWrite, CloseFailsWhenTheDirectoryIsGone) {
  TempDir dir;
  ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0755));
  DBInfo info = make_info("gone");
  pi_file_t* pf = pi_file_create(dir.file("sub/db").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  char b = 'x';
  ASSERT_EQ(0, pi_file_append_record(pf, &b, 1, 0, 0, 1));
  ASSERT_EQ(0, rmdir(dir.file("sub").c_str()));
  EXPECT_GT(0, pi_file_close(pf));
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(PdbWrite, CloseFailsWhenTheTargetBecameADirectory) {
  TempDir dir;
  DBInfo info = make_info("dir");
  pi_file_t* pf = pi_file_create(dir.file("db").c_str(), &info);
  ASSERT_NE(nullptr, pf);
  ASSERT_EQ(0, mkdir(dir.file("db").c_str(), 0755));
  write_file(dir.file("db/inside"), "kept");
  EXPECT_GT(0, pi_file_close(pf));
  EXPECT_EQ(std::vector<std::string>{"db"}, list_dir(dir.path()));
  EXPECT_EQ("kept", read_file(dir.file("db/inside")));
}

// Permissions do not stop root, so the check runs in a child that gives up
// root first; it reports the first step that went wrong as its exit status.
TEST(PdbWrite, UnwritableDirectoryKeepsTheOlderFile) {
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.path().c_str(), 0777));
  const std::string sub = dir.file("sub");
  const std::string path = sub + "/db";
  const pid_t pid = fork();
  ASSERT_LE(0, pid);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
    if (mkdir(sub.c_str(), 0755) != 0) _exit(11);
    FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr || std::fputs("the older database", f) < 0 || std::fclose(f) != 0) _exit(12);
    DBInfo info = make_info("read-only directory");
    pi_file_t* pf = pi_file_create(path.c_str(), &info);
    char b = 'x';
    if (pf == nullptr || pi_file_append_record(pf, &b, 1, 0, 0, 1) != 0) _exit(13);
    if (chmod(sub.c_str(), 0555) != 0) _exit(14);
    if (pi_file_create(path.c_str(), &info) != nullptr) _exit(15);  // refused up front now
    _exit(pi_file_close(pf) < 0 ? 0 : 16);
  }
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status)) << "10-12: set-up failed; 13: create failed; "
                                       "15: create accepted; 16: close reported success";
  EXPECT_EQ("the older database", read_file(path));
  EXPECT_EQ(std::vector<std::string>{"db"}, list_dir(sub));
}

// A file-size limit makes write(2) stop short, as a full disk does.
TEST(PdbWrite, ShortWriteKeepsTheOlderFile) {
  TempDir dir;
  const std::string path = dir.file("db");
  write_file(path, "the older database");
  DBInfo info = make_info("big");
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  std::string rec(100000, 'r');
  ASSERT_EQ(0, pi_file_append_record(pf, &rec[0], rec.size(), 0, 0, 1));

  struct rlimit old_limit;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old_limit));
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const int result = pi_file_close(pf);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);

  EXPECT_GT(0, result);
  EXPECT_EQ("the older database", read_file(path));
  EXPECT_EQ(std::vector<std::string>{"db"}, list_dir(dir.path()));
}

}  // namespace
