#include "record_queue.h"

#include "pagepack_test_util.h"

class PagepackQueue : public ::testing::Test {
 protected:
  void SetUp() override { clear_record_queue(); }
  void TearDown() override { clear_record_queue(); }
};

TEST_F(PagepackQueue, InputsAreQueuedAsTheyStandEvenTwice) {
  const char* name = "index.html";
  EXPECT_EQ(0, queue_record(name, kContentPage));
  EXPECT_EQ(1, queue_record(name, kContentPage));
  EXPECT_EQ(name, record_stack[1].filename);  // not copied
}

TEST_F(PagepackQueue, LookUpIgnoresCaseAndKindAndCopiesNewNames) {
  queue_record("index.html", kContentPage);
  EXPECT_EQ(0, find_or_queue_record("INDEX.HTML", kContentImage));
  char name[] = "pic.ppm";
  EXPECT_EQ(1, find_or_queue_record(name, kContentImage));
  name[0] = 'X';
  EXPECT_STREQ("pic.ppm", record_stack[1].filename);
  EXPECT_EQ(kContentImage, record_stack[1].type);
  // Names are compared as text, not as paths.
  EXPECT_EQ(2, find_or_queue_record("./pic.ppm", kContentImage));
}

TEST_F(PagepackQueue, HoldsAThousandEntriesThenCountsTheNamesLeftOut) {
  for (int i = 0; i < kMaxRecords; ++i) ASSERT_EQ(i, queue_record("a.html", kContentPage));
  EXPECT_EQ(-1, queue_record("b.html", kContentPage));
  EXPECT_EQ(-1, find_or_queue_record("c.html", kContentPage));
  EXPECT_EQ(-1, find_or_queue_record("B.HTML", kContentPage));
  EXPECT_EQ(kMaxRecords, next_record);
  EXPECT_EQ(2u, records_left_out());
  EXPECT_EQ((std::vector<std::string>{"b.html", "c.html"}), first_left_out());
  EXPECT_EQ(0, find_or_queue_record("A.HTML", kContentPage));
}

TEST_F(PagepackQueue, LookUpFindsTheFirstOfEqualNamesAndFoldsOnlyAscii) {
  queue_record("a.html", kContentPage);
  queue_record("A.HTML", kContentPage);
  EXPECT_EQ(0, find_or_queue_record("a.HTML", kContentPage));
  queue_record("\xc3\x89.html", kContentPage);  // bytes beyond ASCII are compared as they are
  EXPECT_EQ(3, find_or_queue_record("\xc3\xa9.html", kContentPage));
  EXPECT_EQ(2, find_or_queue_record("\xc3\x89.HTML", kContentPage));
  clear_record_queue();
  EXPECT_EQ(0, find_or_queue_record("b.html", kContentPage));  // nothing left of before
  EXPECT_STREQ("b.html", record_stack[0].filename);
}
