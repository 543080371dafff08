#include "hex_dump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string dumped(const unsigned char* p, int n) {
  testing::internal::CaptureStdout();
  dump(p, n);
  return testing::internal::GetCapturedStdout();
}

TEST(PageprobeDump, SeventeenBytesMakeTwoRows) {
  unsigned char b[17];
  for (int i = 0; i < 17; i++) b[i] = static_cast<unsigned char>('a' + i);
  b[16] = 0xC1;  // high bit dropped: shows as A
  EXPECT_EQ("0000: 61 62 63 64 65 66 67 68 69 6a 6b 6c 6d 6e 6f 70   abcdefghijklmnop\n"
            "0010: c1" + std::string(15 * 3, ' ') + "   A\n",
            dumped(b, 17));
}

TEST(PageprobeDump, ControlAndDeleteShowAsDots) {
  const unsigned char b[] = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x9F};
  EXPECT_EQ("0000: 00 1f 20 7e 7f 9f " + std::string(10 * 3, ' ') + "  .. ~..\n", dumped(b, 6));
}

TEST(PageprobeDump, NothingForEmptyOrNegative) {
  const unsigned char b[] = {1};
  EXPECT_EQ("", dumped(b, 0));
  EXPECT_EQ("", dumped(b, -5));
}

TEST(PageprobeDump, IsoTimeInLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_STREQ("2001-09-09 01:46:40", iso_time_str(1000000000));
  EXPECT_STREQ("1904-01-01 00:00:00", iso_time_str(-2082844800));
  setenv("TZ", "EST5", 1);
  tzset();
  EXPECT_STREQ("2001-09-08 20:46:40", iso_time_str(1000000000));
  setenv("TZ", "UTC", 1);
  tzset();
}

}  // namespace
