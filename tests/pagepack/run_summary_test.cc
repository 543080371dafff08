#include "run_summary.h"

#include "gtest/gtest.h"

// The closing line: counts in words, the size grouped, and the comparison
// with a handheld of the time only above 1 MB.
TEST(PagepackSummary, ClosingLineSaysWhatWasMade) {
  const struct {
    records_made made;
    unsigned long long bytes;
    const char* text;
  } cases[] = {
      {{1, 0}, 166, "Demo: 1 record (1 page, 0 images), 166 bytes"},
      {{380, 22}, 1048576, "Demo: 402 records (380 pages, 22 images), 1,048,576 bytes"},
      {{380, 22}, 3500000,
       "Demo: 402 records (380 pages, 22 images), 3,500,000 bytes: more than the 1 MB "
       "(1,048,576 bytes) a handheld of the time holds comfortably"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, summary_text("Demo", c.made, c.bytes));
}
