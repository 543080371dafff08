#include <algorithm>

#include "pagepack/markup/tag_test_util.h"
#include "record_queue.h"

using PagepackTagRefs = PagepackTagTest;

// "61 2e 68 74 6d 6c 00": a string field.
static std::string str(const std::string& s) { return text_hex(s) + " 00"; }

TEST_F(PagepackTagRefs, AnchorWithoutTarget) {
  EXPECT_EQ("01 11", bytes_of("A NAME=top"));
  EXPECT_EQ("01 11", bytes_of("A HREF"));
  EXPECT_EQ(0, next_record);
}

TEST_F(PagepackTagRefs, RemoteLinks) {
  EXPECT_EQ("01 11 00 20 " + str("http://x.org/a"), bytes_of("A HREF=http://x.org/a"));
  EXPECT_EQ("01 11 00 30 " + str("https://x.org/"), bytes_of("A HREF=https://x.org/"));
  EXPECT_EQ(0, next_record);
  // Capitals are no remote prefix: a local page of that name.
  EXPECT_EQ("01 11 00 04 00 00", bytes_of("A HREF=HTTP://x"));
  EXPECT_STREQ("HTTP://x", record_stack[0].filename);
}

TEST_F(PagepackTagRefs, LocalLinksReferToQueuePositions) {
  queue_record("a.html", kContentPage);
  EXPECT_EQ("01 11 00 04 00 00", bytes_of("A HREF=a.html"));
  EXPECT_EQ("01 11 00 0c 00 00 " + str("part2"), bytes_of("A HREF=A.HTML#part2"));
  EXPECT_EQ("01 11 00 0c 00 00 00", bytes_of("A HREF=a.html#"));
  queue_record("b.html", kContentPage);
  queue_record("c.ppm", kContentImage);
  EXPECT_EQ("01 11 00 04 00 03", bytes_of("A HREF=new.html"));
  ASSERT_EQ(4, next_record);
  EXPECT_STREQ("new.html", record_stack[3].filename);
  EXPECT_EQ(kContentPage, record_stack[3].type);
  EXPECT_EQ("01 11 00 04 00 03", bytes_of("A HREF=new.html"));
  EXPECT_EQ(4, next_record);
  // The kind of an existing entry is not compared.
  EXPECT_EQ("01 11 00 04 00 02", bytes_of("A HREF=c.ppm"));
}

TEST_F(PagepackTagRefs, FragmentOnlyLinkQueuesAnEmptyName) {
  EXPECT_EQ("01 11 00 0c 00 00 " + str("top"), bytes_of("A HREF=#top"));
  ASSERT_EQ(1, next_record);
  EXPECT_STREQ("", record_stack[0].filename);
}

TEST_F(PagepackTagRefs, Forms) {
  EXPECT_EQ("01 21 00 00 01 01 00 " + str("http://x/cgi"),
            bytes_of("FORM METHOD=POST ACTION=http://x/cgi"));
  EXPECT_EQ("01 21 00 00 03 00 00 " + str("https://x/"), bytes_of("FORM ACTION=https://x/"));
  EXPECT_EQ("01 21 00 00 09 00 00 " + str("/cgi"), bytes_of("FORM ACTION=/cgi"));
  EXPECT_EQ("01 21 00 00 09 01 00 " + str("/cgi"), bytes_of("FORM ACTION=/cgi METHOD=post"));
  // Without an action the form still opens, with an empty local action,
  // so that its end code closes it.
  EXPECT_EQ("01 21 00 00 09 00 00 00", bytes_of("FORM METHOD=get"));
}

TEST_F(PagepackTagRefs, TextPasswordAndHiddenInputs) {
  EXPECT_EQ("01 22 00 0a 00 00 01 " + str("q"), bytes_of("INPUT TYPE=text NAME=q"));
  EXPECT_EQ("01 23 00 08 00 0c 03 " + str("p") + " " + str("x"),
            bytes_of("INPUT TYPE=password NAME=p SIZE=8 MAXLENGTH=12 VALUE=x"));
  EXPECT_EQ("01 28 03 " + str("id") + " " + str("7"),
            bytes_of("INPUT TYPE=hidden NAME=id VALUE=7"));
  // A missing name is written as an empty one.
  EXPECT_EQ("01 22 00 0a 00 00 01 00", bytes_of("INPUT TYPE=text"));
  EXPECT_EQ("01 28 01 00", bytes_of("INPUT TYPE=hidden NAME"));
}

TEST_F(PagepackTagRefs, CheckboxAndSubmit) {
  EXPECT_EQ("01 25 05 " + str("box"), bytes_of("INPUT TYPE=checkbox NAME=box CHECKED"));
  EXPECT_EQ("01 25 0b " + str("n") + " " + str("v") + " " + str("t"),
            bytes_of("INPUT TYPE=checkbox TEXT=t VALUE=v NAME=n"));
  EXPECT_EQ("01 26 00", bytes_of("INPUT TYPE=submit"));
  EXPECT_EQ("01 26 03 " + str("go") + " " + str("Go"),
            bytes_of("INPUT TYPE=submit VALUE=Go NAME=go"));
}

TEST_F(PagepackTagRefs, UnsupportedInputsWriteNothing) {
  for (const char* tag : {"INPUT TYPE=radio NAME=r", "INPUT TYPE=Text NAME=q",
                          "INPUT TYPE=textarea NAME=q", "INPUT TYPE=tex NAME=q",
                          "INPUT NAME=q", "INPUT TYPE NAME=q", "INPUT TYPE= NAME=q"}) {
    testing::internal::CaptureStdout();
    Encoded e = encode(tag);
    EXPECT_EQ("", testing::internal::GetCapturedStdout()) << tag;
    EXPECT_EQ(-1, e.result) << tag;
    EXPECT_EQ("", e.bytes) << tag;
  }
}

TEST_F(PagepackTagRefs, SelectAndOption) {
  EXPECT_EQ("01 2a 01 00 00 " + str("s"), bytes_of("SELECT NAME=s"));
  EXPECT_EQ("01 2a 02 00 03", bytes_of("SELECT MULTIPLE SIZE=4"));
  EXPECT_EQ("01 2a 00 00 00", bytes_of("SELECT SIZE=1"));
  EXPECT_EQ("01 2a 00 ff ff", bytes_of("SELECT SIZE=0"));
  EXPECT_EQ("01 2b", bytes_of("OPTION"));
  EXPECT_EQ("01 2b", bytes_of("OPTION  \t "));
  EXPECT_EQ("01 2c 01", bytes_of("OPTION SELECTED"));
  EXPECT_EQ("01 2c 02 " + str("v"), bytes_of("OPTION VALUE=v"));
  EXPECT_EQ("01 2c 00", bytes_of("OPTION CLASS=x"));
}

TEST_F(PagepackTagRefs, Tables) {
  EXPECT_EQ("01 2f 00", bytes_of("TABLE"));
  EXPECT_EQ("01 2f 06 00 64 01", bytes_of("TABLE BORDER=1 WIDTH=100%"));
  EXPECT_EQ("01 2f 1f 02 01 f4 01 02 03",
            bytes_of("TABLE CELLPADDING=3 CELLSPACING=2 BORDER=1 WIDTH=500 ALIGN=right"));
  EXPECT_EQ("01 2f 00", bytes_of("TABLE ALIGN=justify"));
  EXPECT_EQ("01 31 01", bytes_of("TABLECAPTION TOP"));
  EXPECT_EQ("01 31 00", bytes_of("TABLECAPTION"));
}

TEST_F(PagepackTagRefs, RowsAlwaysCarryBothAlignmentsOrNone) {
  EXPECT_EQ("01 30 00", bytes_of("TR"));
  EXPECT_EQ("01 30 01 01 00", bytes_of("TR ALIGN=center VALIGN=top"));
  EXPECT_EQ("01 30 01 02 00", bytes_of("TR ALIGN=right"));
  EXPECT_EQ("01 30 01 00 02", bytes_of("TR VALIGN=bottom"));
  EXPECT_EQ("01 30 00", bytes_of("TR ALIGN=justify VALIGN=middle"));
}

TEST_F(PagepackTagRefs, Cells) {
  EXPECT_EQ("01 32 44 02", bytes_of("TD COLSPAN=2 NOWRAP"));
  EXPECT_EQ("01 33 03 02 02", bytes_of("TH ALIGN=right VALIGN=bottom"));
  EXPECT_EQ("01 32 7f 00 01 03 04 00 05 00 06",
            bytes_of("TD WIDTH=6 HEIGHT=5 NOWRAP ROWSPAN=4 COLSPAN=3 VALIGN=center ALIGN=left"));
  EXPECT_EQ("01 32 00", bytes_of("td align=x valign=y"));
}

TEST_F(PagepackTagRefs, Images) {
  queue_record("index.html", kContentPage);
  queue_record("logo.pbm", kContentImage);
  EXPECT_EQ("01 34 a0 00 01 " + str("logo.pbm"), bytes_of("IMG SRC=logo.pbm"));
  EXPECT_EQ(2, next_record);
  EXPECT_EQ("01 34 e6 00 02 " + str("Logo") + " " + str("a.pbm") + " 00 03",
            bytes_of("IMG SRC=a.pbm ALT=Logo ALIGN=middle BORDER=0"));
  ASSERT_EQ(3, next_record);
  EXPECT_STREQ("a.pbm", record_stack[2].filename);
  EXPECT_EQ(kContentImage, record_stack[2].type);
  EXPECT_EQ("01 34 bc 00 02 " + str("A.PBM") + " 01 02 03",
            bytes_of("IMG BORDER=3 HSPACE=2 VSPACE=1 SRC=A.PBM ALIGN=absmiddle"));
  EXPECT_EQ("01 34 e2 00 02 00 " + str("a.pbm") + " 04", bytes_of("IMG SRC=a.pbm ALIGN=b ALT="));
}

TEST_F(PagepackTagRefs, ImageWithoutSourceIsDropped) {
  Encoded e = encode("IMG ALT=x");
  EXPECT_EQ(-1, e.result);
  EXPECT_EQ("", e.bytes);
  e = encode("IMG SRC ALT=x");
  EXPECT_EQ("", e.bytes);
  EXPECT_EQ(0, next_record);
}

TEST_F(PagepackTagRefs, FullQueueRefusesNewTargets) {
  for (int i = 0; i < kMaxRecords; ++i) queue_record("x.html", kContentPage);
  EXPECT_EQ("01 11", bytes_of("A HREF=new.html"));
  Encoded img = encode("IMG SRC=new.pbm");
  EXPECT_EQ(-1, img.result);
  EXPECT_EQ("", img.bytes);
  const std::vector<std::string>& left_out = first_left_out();
  EXPECT_NE(left_out.end(), std::find(left_out.begin(), left_out.end(), "new.html"));
  EXPECT_NE(left_out.end(), std::find(left_out.begin(), left_out.end(), "new.pbm"));
  EXPECT_EQ(kMaxRecords, next_record);
  // Names already queued still resolve.
  EXPECT_EQ("01 11 00 04 00 00", bytes_of("A HREF=x.html"));
}

// A link or image cut off at the end of the record adds no record either;
// one written whole adds its target.
TEST_F(PagepackTagRefs, OnlyWrittenElementsQueueTheirTargets) {
  for (const char* tag : {"A HREF=b.html", "A HREF=b.html#top", "IMG SRC=b.pgm ALT=b"}) {
    Encoded cut = encode(tag, 5);
    EXPECT_EQ(-1, cut.result) << tag;
    EXPECT_EQ("", cut.bytes) << tag;
    EXPECT_EQ(0, next_record) << tag;
    EXPECT_EQ(0, encode(tag).result) << tag;
    EXPECT_EQ(1, next_record) << tag;
    free(const_cast<char*>(record_stack[0].filename));  // the heap copy the tag queued
    clear_record_queue();
  }
}
