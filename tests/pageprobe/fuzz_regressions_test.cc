// Inputs the fuzzers found to crash pageprobe, kept as they were found, and
// the smallest case of each defect with what the output must be.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "probe_db.h"
#include "probe_state.h"
#include "record_dump.h"
#include "support/run_program.h"

namespace {

// Runs dump_pqa on a record inside a scratch directory and returns the files
// it left there.
class InScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char* cwd = getcwd(nullptr, 0);
    old_dir_ = cwd;
    free(cwd);
    ASSERT_EQ(0, chdir(dir_.path().c_str()));
  }
  void TearDown() override {
    ASSERT_EQ(0, chdir(old_dir_.c_str()));
    htmls.clear();
  }
  int dump(const std::string& rec) {
    return dump_pqa(reinterpret_cast<const unsigned char*>(rec.data()), rec.size());
  }

  TempDir dir_;
  std::string old_dir_;
};

using PageprobeFuzzRegressions = InScratchDir;

// Scan-line expansion took the byte above from row - row_bytes with unsigned
// arithmetic, which wrapped to a read 4 GiB away for every row after the first.
TEST_F(PageprobeFuzzRegressions, ScanlineRowAboveAsFound) {
  // The first byte of a fuzz input picks the entry point (0: one record).
  std::string input = read_file(PQA_TEST_DATA "/scanline_row_above.crash");
  ASSERT_EQ(1245u, input.size());
  // Its URL is empty, so no file may be written, but -v still shows the image.
  vflag = 1;
  EXPECT_EQ(-1, dump(input.substr(1)));
  vflag = 0;
  EXPECT_TRUE(list_dir(dir_.path()).empty());
}

TEST_F(PageprobeFuzzRegressions, ScanlineRowAboveSmallest) {
  // Two rows of two bytes: row 0 is A B, row 1 takes its first byte from above.
  std::string stream("\xC0" "AB" "\x40" "C", 5);
  EXPECT_EQ(0, dump(pqa_record(5, std::string("c.ppm\0", 6),
                               bitmap(8, 2, 2, 0x8000, 2, stream + '\0'))));
  // A = 01 00 00 01, B = 01 00 00 10, C = 01 00 00 11 at two bits a pixel.
  const std::string a("\xa0\xff\xff\xa0", 4), b("\xa0\xff\xff\x54", 4), c("\xa0\xff\xff", 3);
  EXPECT_EQ(ppm(8, 2, a + b + a + c + '\0'), read_file(dir_.file("c.ppm")));
}

}  // namespace
