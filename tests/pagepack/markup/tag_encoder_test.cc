#include "pagepack/markup/tag_test_util.h"

#include "record_queue.h"

using PagepackTags = PagepackTagTest;

TEST_F(PagepackTags, ClosingTagsAreOneEndByte) {
  for (const char* tag : {"/P", "/FONT", "/XYZ", "/", "/TABLE ignored"}) {
    Encoded e = encode(tag);
    EXPECT_EQ(0, e.result) << tag;
    EXPECT_EQ("00", e.bytes) << tag;
  }
}

TEST_F(PagepackTags, BoldItalicAndLineBreakIgnoreAttributes) {
  EXPECT_EQ("01 05", bytes_of("B"));
  EXPECT_EQ("01 05", bytes_of("b"));
  EXPECT_EQ("01 05", bytes_of("B CLASS=x"));
  EXPECT_EQ("01 06", bytes_of("I"));
  EXPECT_EQ("0d", bytes_of("BR"));
  EXPECT_EQ("0d", bytes_of("BR CLEAR=all"));
}

TEST_F(PagepackTags, ParagraphAlignmentByLowerCaseFirstLetter) {
  EXPECT_EQ("01 08 00", bytes_of("P"));
  EXPECT_EQ("01 08 01", bytes_of("P ALIGN=center"));
  EXPECT_EQ("01 08 02", bytes_of("P ALIGN=right"));
  EXPECT_EQ("01 08 00", bytes_of("P ALIGN=CENTER"));
  EXPECT_EQ("01 08 00", bytes_of("P ALIGN=justify"));
  EXPECT_EQ("01 08 01", bytes_of("P\tALIGN=center"));
  EXPECT_EQ("01 08 00", bytes_of("P ALIGN"));  // no value: absent
}

TEST_F(PagepackTags, HorizontalRule) {
  EXPECT_EQ("01 09 00", bytes_of("HR"));
  EXPECT_EQ("01 09 0a", bytes_of("HR NOSHADE ALIGN=center"));
  EXPECT_EQ("01 09 04", bytes_of("HR ALIGN=right"));
  EXPECT_EQ("01 09 11 00 00 32", bytes_of("HR WIDTH=50%"));
  EXPECT_EQ("01 09 01 00 04 00 c8", bytes_of("HR HEIGHT=4 WIDTH=200"));
  EXPECT_EQ("01 09 00", bytes_of("HR HEIGHT=0"));
  EXPECT_EQ("01 09 01 00 00 00 0a", bytes_of("HR HEIGHT=65536 WIDTH=10"));
}

TEST_F(PagepackTags, RuleWithHeightAndNoWidthWritesZeroWidth) {
  // A reader takes a width whenever 0x01 is set.
  EXPECT_EQ("01 09 01 00 05 00 00", bytes_of("HR HEIGHT=5"));
  EXPECT_EQ("01 09 01 00 05 00 00", bytes_of("HR HEIGHT=5 WIDTH"));
}

TEST_F(PagepackTags, HeadingOneOnly) {
  EXPECT_EQ("01 0a 00", bytes_of("H1"));
  EXPECT_EQ("01 0a 01 00", bytes_of("H1 ALIGN=left"));
  EXPECT_EQ("01 0a 01 02", bytes_of("H1 ALIGN=right"));
  // A letter outside l, c, r counts as no alignment.
  EXPECT_EQ("01 0a 00", bytes_of("H1 ALIGN=justify"));
}

TEST_F(PagepackTags, UnknownElementsAreReportedAndWriteNothing) {
  struct Case {
    const char* tag;
    const char* message;
  } cases[] = {
      {"H2", "unknown tag <H2>\n"},
      {"H6 ALIGN=center", "unknown tag <H6>\n"},
      {"IMG\nSRC=a.gif", "unknown tag <IMG\nSRC=a.gif>\n"},
      {"", "unknown tag <>\n"},
      {"!-- note --", "unknown tag <!-->\n"},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    Encoded e = encode(c.tag);
    EXPECT_EQ(c.message, testing::internal::GetCapturedStdout());
    EXPECT_EQ(-1, e.result) << c.tag;
    EXPECT_EQ("", e.bytes) << c.tag;
  }
}

TEST_F(PagepackTags, FontSize) {
  EXPECT_EQ("01 04 03", bytes_of("FONT SIZE=3"));
  EXPECT_EQ("01 04 ff", bytes_of("FONT SIZE=-1"));
  EXPECT_EQ("01 04 02", bytes_of("FONT SIZE=+2 COLOR=red"));
}

TEST_F(PagepackTags, FontWithoutSizeReportsOnStandardError) {
  for (const char* tag : {"FONT COLOR=red", "FONT SIZE"}) {
    testing::internal::CaptureStderr();
    Encoded e = encode(tag);
    EXPECT_EQ("ERROR: font tag must have size=\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0, e.result);
    EXPECT_EQ("", e.bytes);
  }
}

TEST_F(PagepackTags, MetaLocalIconQueuesAnImageOnce) {
  queue_record("index.html", kContentPage);
  EXPECT_EQ("", bytes_of("META NAME=localicon CONTENT=icon.gif"));
  ASSERT_EQ(2, next_record);
  EXPECT_STREQ("icon.gif", record_stack[1].filename);
  EXPECT_EQ(kContentImage, record_stack[1].type);
  EXPECT_EQ("", bytes_of("META NAME=LocalIcon CONTENT=ICON.GIF"));
  EXPECT_EQ(2, next_record);
  bytes_of("META NAME=keywords CONTENT=x");
  bytes_of("META NAME=localicon");
  bytes_of("META CONTENT=y.pbm");
  EXPECT_EQ(2, next_record);
}

TEST_F(PagepackTags, ElementThatDoesNotFitIsNotWrittenAtAll) {
  Encoded e = encode("HR HEIGHT=4 WIDTH=200", 5);
  EXPECT_EQ(-1, e.result);
  EXPECT_EQ("", e.bytes);
  EXPECT_TRUE(e.full);
  // Not even the start byte of a two-byte start code.
  e = encode("B", 1);
  EXPECT_EQ("", e.bytes);
  e = encode("INPUT TYPE=text NAME=longname", 10);
  EXPECT_EQ("", e.bytes);
  e = encode("/B", 0);
  EXPECT_EQ(-1, e.result);
}

TEST_F(PagepackTags, NumbersReadLikeAtoiModulo65536) {
  EXPECT_EQ("01 32 10 01 2c", bytes_of("TD HEIGHT=300"));
  EXPECT_EQ("01 32 10 00 00", bytes_of("TD HEIGHT=abc"));
  EXPECT_EQ("01 32 10 00 0c", bytes_of("TD HEIGHT=12px"));
  EXPECT_EQ("01 32 10 ff fe", bytes_of("TD HEIGHT=-2"));
  EXPECT_EQ("01 32 10 00 01", bytes_of("TD HEIGHT=65537"));
  EXPECT_EQ("01 32 10 ff fd", bytes_of("TD HEIGHT=99999999999999999999997"));
}
