#include "app_info.h"

#include "common/pqa_record.h"
#include "pagepack_test_util.h"

class PagepackAppInfo : public PagepackDirTest {
 protected:
  std::string block(const char* version, const char* title) {
    size_ = build_app_info(block_, version, title);
    return hex(block_, static_cast<size_t>(size_));
  }
  unsigned char block_[kAppInfoMax];
  int size_ = 0;
};

TEST_F(PagepackAppInfo, VersionTitleAndEmptyIcons) {
  EXPECT_EQ("6c 6e 63 68 00 03 80 01 00 02 31 2e 30 00 00 03 44 65 6d 6f 00 00 00 00 00 00",
            block("1.0", "Demo"));
  EXPECT_EQ(26, size_);
}

TEST_F(PagepackAppInfo, StringsArePaddedToWholeWords) {
  EXPECT_EQ("00 03 31 2e 30 31 00 00 00 01 00 00 00 00 00 00", block("1.01", "").substr(24));
}

TEST_F(PagepackAppInfo, IconsFollowTheTitle) {
  write("LgIcon.pnm", "P6\n32 32\n255\n" + std::string(32 * 32 * 3, '\xff'));
  write("SmIcon.pnm", "P5\n15 9\n255\n" + std::string(15 * 9, '\xff'));
  std::string b = block("1", "T");
  EXPECT_EQ(8 + 4 + 4 + 146 + 36, size_);
  EXPECT_EQ("00 48 00 20 00 20 00 04", b.substr(16 * 3, 8 * 3 - 1));
  EXPECT_EQ("00 11 00 0f 00 09 00 02", b.substr((16 + 146) * 3, 8 * 3 - 1));
}

TEST_F(PagepackAppInfo, MissingLargeIconLeavesAnEmptyEntryBeforeTheSmallOne) {
  write("SmIcon.pnm", "P5\n15 9\n255\n" + std::string(15 * 9, '\xff'));
  std::string b = block("1", "T");
  EXPECT_EQ(8 + 4 + 4 + 2 + 36, size_);
  EXPECT_EQ("00 00 00 11 00 0f", b.substr(16 * 3, 6 * 3 - 1));
}

TEST_F(PagepackAppInfo, OversizedStringsAndIconsStayInsideTheBlock) {
  write("LgIcon.pnm", "P5\n160 160\n255\n");  // 3218 bytes: cannot fit
  write("SmIcon.pnm", "P5\n15 9\n255\n" + std::string(15 * 9, '\xff'));
  std::string long_text(5000, 'v');
  testing::internal::CaptureStderr();
  block(long_text.c_str(), long_text.c_str());
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("version longer than 255 bytes, cut")) << err;
  EXPECT_NE(std::string::npos, err.find("title longer than 255 bytes, cut")) << err;
  EXPECT_NE(std::string::npos, err.find("LgIcon.pnm: icon too large, left out")) << err;
  // 8 + (2 + 256) * 2, then the empty large icon and the small one.
  EXPECT_EQ(8 + 516 + 2 + 36, size_);
  EXPECT_EQ("00 80", hex(block_ + 8, 2));
  EXPECT_EQ(0, block_[8 + 2 + 255]);
  EXPECT_EQ("00 00 00 11", hex(block_ + 524, 4));
}
