#include "markup/markup_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bit_writer.h"
#include "common/tag_codes.h"
#include "probe_state.h"

namespace {

const std::string kHead = "<HTML>\n\t<HEAD>\n\t\t<TITLE>";
const std::string kTitleEnd = "</TITLE>\n\t</HEAD>\n\t<BODY>\n";
const std::string kTail = "\n\t</BODY>\n</HTML>\n";

std::string decode(const std::vector<unsigned char>& data) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  dump_compressed(data.data(), static_cast<int>(data.size()), out);
  fclose(out);
  std::string s(text, size);
  free(text);
  return s;
}

class PageprobeDecoder : public ::testing::Test {
 protected:
  void SetUp() override {
    vflag = 0;
    stack_clear();
  }
  void TearDown() override { stack_clear(); }

  // A page with an empty title, the body bits of w and the end tag (so that
  // spare bits of the last byte are not read): the decoded body.
  std::string body(BitWriter w) {
    BitWriter page;
    page.end();
    for (int i = 0; i < w.nbits; i++) page.bits((w.bytes[i / 8] >> (7 - i % 8)) & 1, 1);
    page.tag(TAG_END_OF_PAGE);
    std::string s = decode(page.bytes);
    std::string prefix = kHead + kTitleEnd;
    EXPECT_EQ(prefix, s.substr(0, prefix.size()));
    EXPECT_GE(s.size(), prefix.size() + kTail.size());
    EXPECT_EQ(kTail, s.substr(s.size() - kTail.size()));
    return s.substr(prefix.size(), s.size() - prefix.size() - kTail.size());
  }
};

TEST_F(PageprobeDecoder, LettersThenTitleCloseThenSpareBit) {
  EXPECT_EQ(kHead + "hi" + kTitleEnd + kTail, decode({0x6B, 0x80}));
}

TEST_F(PageprobeDecoder, NamedAnchorNestedString) {
  EXPECT_EQ(kHead + "x" + kTitleEnd + "<A name=\"ab\">c</A>" + kTail,
            decode({0xE8, 0x02, 0x00, 0x63, 0x81, 0x00}));
}

TEST_F(PageprobeDecoder, PageLevelZeroOnEmptyStackIsSpecial) {
  EXPECT_EQ("\nspecial = 00\n", body(BitWriter().end()));
}

TEST_F(PageprobeDecoder, CharacterCodes) {
  EXPECT_EQ("<BR>\n<BR>\n", body(BitWriter().code(3)));
  EXPECT_EQ("<BR>\n", body(BitWriter().code(4)));
  EXPECT_EQ(" az", body(BitWriter().code(5).code(6).code(31)));
  EXPECT_EQ("&lt;&gt;&tm;&nbsp;&\"A\xff",
            body(BitWriter().text("<>\x99\xa0&\"A\xff")));
}

TEST_F(PageprobeDecoder, TextTags) {
  EXPECT_EQ(" <font size=\"5\">", body(BitWriter().tag(TAG_FONT_SIZE).bits(5, 3)));
  EXPECT_EQ("<B>x</B><I>y</I>",
            body(BitWriter().tag(TAG_BOLD).text("x").end().tag(TAG_ITALIC).text("y").end()));
  EXPECT_EQ("<P align=\"right\">", body(BitWriter().tag(TAG_PARAGRAPH).bits(2, 2)));
  EXPECT_EQ("<P align=\"unknown\">", body(BitWriter().tag(TAG_PARAGRAPH).bits(3, 2)));
  EXPECT_EQ("<blockquote>q</blockquote>",
            body(BitWriter().tag(TAG_BLOCKQUOTE).text("q").end()));
}

TEST_F(PageprobeDecoder, Headings) {
  EXPECT_EQ("<H1>t</H1>", body(BitWriter().tag(TAG_H1).bits(0, 1).text("t").end()));
  EXPECT_EQ("<H6 align=\"center\" >t</H6>",
            body(BitWriter().tag(TAG_H6).bits(1, 1).bits(1, 2).text("t").end()));
  EXPECT_EQ(" (0b) ", body(BitWriter().tag(TAG_H2)));
}

TEST_F(PageprobeDecoder, Rules) {
  EXPECT_EQ("<HR align=\"center\" noshade height=10 width=50%>",
            body(BitWriter().tag(TAG_HRULE).bits(0x1B, 5).uintv(10).bits(50, 8)));
  EXPECT_EQ("<HR align=\"left\" height=3 width=300>",
            body(BitWriter().tag(TAG_HRULE).bits(0x01, 5).uintv(3).uintv(300)));
  EXPECT_EQ("<HR align=\"unknown\">", body(BitWriter().tag(TAG_HRULE).bits(0x06, 5)));
  EXPECT_EQ("<HR align=\"right\">", body(BitWriter().tag(TAG_HRULE).bits(0x04, 5)));
}

TEST_F(PageprobeDecoder, Links) {
  EXPECT_EQ("<A index=\"03\" flags=04>go</a>",
            body(BitWriter().tag(TAG_LINK).bits(1, 2).bits(0x04, 8).uintv(3).text("go").end()));
  EXPECT_EQ("<A index=\"1a\" flags=04>",
            body(BitWriter().tag(TAG_LINK).bits(1, 2).bits(0x04, 8).uintv(26)));
  // Kind 0 ignores its flags: only the href string follows.
  EXPECT_EQ("<A href=\"u\">",
            body(BitWriter().tag(TAG_LINK).bits(0, 2).bits(0xFF, 8).str("u")));
  EXPECT_EQ("<A href=\"u\" name=\"n\">",
            body(BitWriter().tag(TAG_LINK).bits(2, 2).bits(0x28, 8).str("u").str("n")));
  EXPECT_EQ("<A index=\"100\" flags=0c name=\"n\">",
            body(BitWriter().tag(TAG_LINK).bits(3, 2).bits(0x0C, 8).uintv(256).str("n")));
}

TEST_F(PageprobeDecoder, Forms) {
  EXPECT_EQ("<form index=\"2\" method=\"post\"x ACTION=\"a\">",
            body(BitWriter().tag(TAG_FORM).uintv(2).bits(1, 3).bits(1, 1).str("x").str("a")));
  EXPECT_EQ("<form index=\"0\" ACTION=\"\">",
            body(BitWriter().tag(TAG_FORM).uintv(0).bits(0, 3).str("").str("")));
  EXPECT_EQ("<INPUT type=\"text\" size=\"20\" maxlength=\"8\" name=\"n\" value=\"v\">",
            body(BitWriter().tag(TAG_INPUT_TEXT).uintv(20).uintv(8).bits(3, 2).str("n").str("v")));
  EXPECT_EQ("<INPUT type='password' size=\"1\" maxlength=\"2\" value=\"v\">",
            body(BitWriter().tag(TAG_INPUT_PASSWORD).uintv(1).uintv(2).bits(2, 2).str("v")));
  EXPECT_EQ("<INPUT type=checkbox CHECKED name=\"n\" text=\"t\">",
            body(BitWriter().tag(TAG_INPUT_CHECKBOX).bits(0xD, 4).str("n").str("t")));
  EXPECT_EQ("<INPUT type=checkbox value=\"v\">",
            body(BitWriter().tag(TAG_INPUT_CHECKBOX).bits(0x2, 4).str("v")));
  EXPECT_EQ("<INPUT type=\"submit\" name=\"s\">",
            body(BitWriter().tag(TAG_INPUT_SUBMIT).bits(1, 2).str("s")));
  EXPECT_EQ("<INPUT type=\"reset\" value=\"r\">",
            body(BitWriter().tag(TAG_INPUT_RESET).bits(1, 1).str("r")));
  EXPECT_EQ("<INPUT type=\"reset\">", body(BitWriter().tag(TAG_INPUT_RESET).bits(0, 1)));
  EXPECT_EQ("<INPUT type=\"hidden\" name=\"h\" value=\"v\">",
            body(BitWriter().tag(TAG_INPUT_HIDDEN).bits(3, 2).str("h").str("v")));
}

TEST_F(PageprobeDecoder, SelectionLists) {
  EXPECT_EQ("<select name=\"s\" size=\"4\"><option>a</option>\n</select>\n",
            body(BitWriter().tag(TAG_SELECT).bits(1, 2).uintv(4).str("s").tag(TAG_OPTION)
                     .text("a").end().end()));
  EXPECT_EQ("<select>", body(BitWriter().tag(TAG_SELECT).bits(2, 2).uintv(0)));
  EXPECT_EQ("<option selected value=\"v\">",
            body(BitWriter().tag(TAG_OPTION_ATTRS).bits(3, 2).str("v")));
  EXPECT_EQ("<option>", body(BitWriter().tag(TAG_OPTION_ATTRS).bits(0, 2)));
}

TEST_F(PageprobeDecoder, Tables) {
  EXPECT_EQ("<table align='middle' width=100 border=1 cellspacing=2 cellpadding=3>\n",
            body(BitWriter().tag(TAG_TABLE).bits(0x7F, 7).bits(3, 2).uintv(100).uintv(1)
                     .uintv(2).uintv(3)));
  EXPECT_EQ("<table>\n", body(BitWriter().tag(TAG_TABLE).bits(0x60, 7)));
  EXPECT_EQ("<tr halign = 2 valign = 1></tr>\n",
            body(BitWriter().tag(TAG_TABLE_ROW).bits(1, 1).bits(2, 2).bits(1, 2).end()));
  EXPECT_EQ("<tr halign = 0 valign = 0>", body(BitWriter().tag(TAG_TABLE_ROW).bits(0, 1)));
  EXPECT_EQ("<td colspan='2'>", body(BitWriter().tag(TAG_TABLE_DATA).bits(0x04, 7).uintv(2)));
  EXPECT_EQ("<td halign='unknown' valign='bottom' rowspan='3' height='4' width='5'></td>",
            body(BitWriter().tag(TAG_TABLE_DATA).bits(0x3B, 7).bits(3, 2).bits(2, 2).uintv(3)
                     .uintv(4).uintv(5).end()));
  EXPECT_EQ(" (31)  (33) ", body(BitWriter().tag(TAG_TABLE_CAPTION).tag(TAG_TABLE_HEADER)));
}

TEST_F(PageprobeDecoder, Images) {
  EXPECT_EQ("<IMG vspace=\"1\">", body(BitWriter().tag(TAG_IMAGE).bits(0x10, 8).uintv(0)));
  EXPECT_EQ("<IMG index=0002 alt=\"a\" src=\"s\"  hspace=\"3\" border=\"1\" align=\"bottom\">",
            body(BitWriter().tag(TAG_IMAGE).bits(0xEE, 8).uintv(2).str("a").str("s").uintv(2)
                     .uintv(0).uintv(4)));
  EXPECT_EQ("<IMG align=\"unknown\">", body(BitWriter().tag(TAG_IMAGE).bits(0x02, 8).uintv(5)));
  EXPECT_EQ("<IMG embedded! (unsupported)  prepare for the junk! >",
            body(BitWriter().tag(TAG_IMAGE).bits(0x01, 8)));
}

TEST_F(PageprobeDecoder, LiteralTextAndEnd) {
  EXPECT_EQ("A<b>", body(BitWriter().tag(TAG_TEXT_RUN).bits('A', 8).bits('<', 8).bits('b', 8)
                              .bits('>', 8).bits(0, 8)));
  // Tag 113 ends the page; what follows is not decoded.
  EXPECT_EQ("a", body(BitWriter().text("a").tag(TAG_END_OF_PAGE).text("b")));
  // Inside a nested string it ends only the string.
  EXPECT_EQ("<A name=\"a\">b", body(BitWriter().tag(TAG_ANCHOR_NAME).text("a")
                                        .tag(TAG_END_OF_PAGE).text("b")));
}

TEST_F(PageprobeDecoder, NestedStringsHoldElements) {
  // Code 0 inside the string ends it and pops nothing: the next code 0 at
  // page level pops the anchor's </a>, above the bold's </B>.
  EXPECT_EQ("<A href=\"<B>x\"></a>",
            body(BitWriter().tag(TAG_LINK).bits(0, 2).bits(0, 8).tag(TAG_BOLD).text("x")
                     .end().end()));
}

TEST_F(PageprobeDecoder, UnknownTagFieldsAreReadAsCodes) {
  EXPECT_EQ(" (07) a", body(BitWriter().tag(7).code(6)));
}

// These streams end exactly where the comment says (no spare bits).
TEST_F(PageprobeDecoder, TruncatedData) {
  // Code 1 and code 2 without their 8 bits write nothing.
  EXPECT_EQ(kHead + kTail, decode({0x08}));
  EXPECT_EQ(kHead + kTail, decode({0x10}));
  // A literal run without its zero byte ends with the data.
  EXPECT_EQ(kHead + "AB" + kTail, decode(BitWriter().tag(TAG_TEXT_RUN).bits('A', 8)
                                             .bits('B', 8).bytes));
  // A string cut short still gets its closing quote and the rest of the tag.
  EXPECT_EQ(kHead + "<A name=\"ab\">" + kTail,
            decode(BitWriter().tag(TAG_ANCHOR_NAME).text("ab").bytes));
  // Seven letters and a tag fill six bytes: its fields lie past the end.
  // A failed flags read counts as all bits set; UintV past the end is 0.
  EXPECT_EQ(kHead + "abcdefg<td halign='unknown' valign='unknown' colspan='0' rowspan='0' "
                    "height='0' width='0'>" + kTail,
            decode(BitWriter().text("abcdefg").tag(TAG_TABLE_DATA).bytes));
  EXPECT_EQ(kHead + "abcdefg <font size=\"4294967295\">" + kTail,
            decode(BitWriter().text("abcdefg").tag(TAG_FONT_SIZE).bytes));
  EXPECT_EQ(kHead + "abcdefg<tr halign = ffffffff valign = ffffffff>" + kTail,
            decode(BitWriter().text("abcdefg").tag(TAG_TABLE_ROW).bytes));
}

TEST_F(PageprobeDecoder, StackCarriesFromOnePageToTheNext) {
  // The first page leaves </B> and </I> open; the second pops them in turn.
  BitWriter first;
  first.end().tag(TAG_BOLD).tag(TAG_ITALIC);
  decode(first.bytes);
  BitWriter second;
  second.end().end().end().end();
  EXPECT_EQ(kHead + kTitleEnd + "</I></B>\nspecial = 00\n" + kTail, decode(second.bytes));
}

TEST_F(PageprobeDecoder, DeepNestingEndsThePage) {
  BitWriter w;
  for (int i = 0; i < 1000; i++) w.tag(TAG_ANCHOR_NAME);
  w.text("z");
  testing::internal::CaptureStderr();
  std::string s = body(w);
  std::string err = testing::internal::GetCapturedStderr();
  std::string expected;
  // The page level and each of the 32 string levels open one anchor.
  for (int i = 0; i <= kMaxStringDepth; i++) expected += "<A name=\"";
  for (int i = 0; i <= kMaxStringDepth; i++) expected += "\">";
  EXPECT_EQ(expected, s);
  EXPECT_EQ("pageprobe: database: strings nested deeper than 32 levels: page ends there\n", err);
}

TEST_F(PageprobeDecoder, StackIsBounded) {
  for (int i = 0; i < kMaxStackDepth; i++) ASSERT_EQ(0, stack_push("x"));
  EXPECT_EQ(-1, stack_push("y"));
  EXPECT_STREQ("x", stack_pop());
  EXPECT_EQ(0, stack_push("y"));
  EXPECT_STREQ("y", stack_pop());
}

}  // namespace
