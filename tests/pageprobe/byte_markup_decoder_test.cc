// The byte-coded decoder on hand-made page data: the HTML of each element
// form, the text that needs care, and data pagepack would not write.
#include "byte_markup_decoder.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

// Position 0 is a.html, 1 is pic.pgm; 2 holds no record.
std::string target(unsigned p) { return p == 0 ? "a.html" : p == 1 ? "pic.pgm" : ""; }

struct decoded {
  bool whole;
  std::string body;  // between <BODY> and </BODY>, without the line breaks around it
  std::string err;
};

// Decodes the title "T" (two zero bytes), `body` and the end code.
decoded decode(const std::string& body, bool end = true) {
  std::string data = "T\0\0"s + body + (end ? "\x01\x71" : "");
  if (end && data.size() % 2) data += '\0';
  std::string html;
  testing::internal::CaptureStderr();
  bool whole = decode_byte_markup({reinterpret_cast<const unsigned char*>(data.data()), data.size()},
                                  "p.html", target, &html);
  std::string err = testing::internal::GetCapturedStderr();
  const std::string head = "<HTML>\n<HEAD>\n<TITLE>T</TITLE>\n</HEAD>\n<BODY>";
  EXPECT_EQ(head, html.substr(0, head.size()));
  size_t end_at = html.rfind("</BODY>");
  std::string b = html.substr(head.size(), end_at - head.size());
  while (!b.empty() && b.front() == '\n') b.erase(0, 1);
  while (!b.empty() && b.back() == '\n') b.pop_back();
  return {whole, b, err};
}

struct element_case {
  std::string bytes;
  std::string html;
};

TEST(ByteMarkupDecoder, EveryElementForm) {
  const element_case cases[] = {
      {"\x01\x05x\x00"s, "<B>x</B>"},
      {"\x01\x06\x00"s, "<I></I>"},
      {"\x01\x04\xFF"s, "<FONT SIZE=-1>"},
      {"\x01\x08\x00"s, "<P>"},
      {"\x01\x08\x02"s, "<P ALIGN=right>"},
      {"\x01\x09\x00"s, "<HR>"},
      {"\x01\x09\x0A"s, "<HR NOSHADE ALIGN=center>"},
      {"\x01\x09\x11\x00\x00\x32"s, "<HR WIDTH=50%>"},
      {"\x01\x09\x01\x00\x04\x00\xC8"s, "<HR HEIGHT=4 WIDTH=200>"},
      {"\x01\x0A\x01\x00"s, "<H1 ALIGN=left>"},
      {"\x0D"s, "<BR>"},
      {"\x01\x11\x00\x20http://x/\x00"s, "<A HREF=http://x/>"},
      {"\x01\x11\x00\x30https://x\x00"s, "<A HREF=https://x>"},
      {"\x01\x11\x00\x0C\x00\x00part2\x00"s, "<A HREF=a.html#part2>"},
      {"\x01\x11\x00\x0C\x00\x00\x00"s, "<A HREF=a.html#>"},
      {"\x01\x11\x00\x20no\x00"s, "<A></A> no</>"},
      {"\x01\x21\x00\x00\x03\x01\x00https://q\x00"s,
       "<FORM ACTION=https://q METHOD=post>"},
      {"\x01\x21\x00\x00\x09\x00\x00\x00"s, "<FORM>"},
      {"\x01\x23\x00\x08\x00\x0C\x03p\x00x\x00"s,
       "<INPUT TYPE=password NAME=p SIZE=8 MAXLENGTH=12 VALUE=x>"},
      {"\x01\x22\x00\x0A\x00\x00\x01\x00"s, "<INPUT TYPE=text>"},
      {"\x01\x28\x03id\x00\x00"s, "<INPUT TYPE=hidden NAME=id VALUE=>"},
      {"\x01\x25\x0F" "b\x00v\x00t\x00"s,
       "<INPUT TYPE=checkbox NAME=b VALUE=v TEXT=t CHECKED>"},
      {"\x01\x26\x00"s, "<INPUT TYPE=submit>"},
      {"\x01\x2A\x03\x00\x03s\x00"s, "<SELECT NAME=s SIZE=4 MULTIPLE>"},
      {"\x01\x2A\x00\xFF\xFF"s, "<SELECT SIZE=0>"},
      {"\x01\x2B"s, "<OPTION>"},
      {"\x01\x2C\x00"s, "<OPTION CLASS>"},
      {"\x01\x2C\x03v\x00"s, "<OPTION VALUE=v SELECTED>"},
      {"\x01\x2F\x1F\x02\x00\x64\x01\x02\x03"s,
       "<TABLE ALIGN=right WIDTH=100 BORDER=1 CELLSPACING=2 CELLPADDING=3>"},
      {"\x01\x30\x01\x01\x00"s, "<TR ALIGN=center VALIGN=top>"},
      {"\x01\x32\x7F\x00\x02\x02\x03\x01\x2C\x00\x05"s,
       "<TD ALIGN=left VALIGN=bottom COLSPAN=2 ROWSPAN=3 HEIGHT=300 WIDTH=5 NOWRAP>"},
      {"\x01\x33\x00"s, "<TH>"},
      {"\x01\x31\x01"s, "<TABLECAPTION TOP>"},
      {"\x01\x34\xE6\x00\x01Logo\x00pic.pgm\x00\x00\x03"s,
       "<IMG SRC=pic.pgm ALT=Logo BORDER=0 ALIGN=middle>"},
      {"\x01\x34\xA0\x00\x01PIC.PGM\x00"s, "<IMG SRC=PIC.PGM>"},
  };
  for (const element_case& c : cases) {
    decoded d = decode(c.bytes);
    EXPECT_TRUE(d.whole) << c.html;
    EXPECT_EQ(c.html, d.body);
    EXPECT_EQ("", d.err) << c.html;
  }
}

TEST(ByteMarkupDecoder, TextThatNeedsCare) {
  const element_case cases[] = {
      {"a<b>c"s, "a&lt;b>c"},
      {"a  b"s, "a &nbsp; b"},
      {"AT&T  x"s, "AT&T <META> x"},
      {" x"s, " x"},
      {"\x01\x05\x00\x00"s, "<B></B></>"},
      {"x\x0D y"s, "x<BR> y"},
  };
  for (const element_case& c : cases) EXPECT_EQ(c.html, decode(c.bytes).body);
}

struct problem_case {
  std::string bytes;
  bool end;
  std::string html;
  std::string message;
  bool whole;
};

TEST(ByteMarkupDecoder, ProblemsAreToldAndTheClosestPageWritten) {
  const problem_case cases[] = {
      {"\x01\x11\x00\x0C\x00\x02top\x00"s, true, "<A HREF=#top>",
       "a link to record 3, which is not in the database", true},
      {"a&b;<"s, true, "ab;&lt;", "a text '&' ahead of a ';'", true},
      {"a\tb"s, true, "a b", "a TAB or line feed", true},
      {"\x01\x28\x03\x00\x00"s, true, "<INPUT TYPE=hidden VALUE=>", "", true},
      {"\x01\x25\x0A\x00\x00"s, true, "<INPUT TYPE=checkbox VALUE=>",
       "INPUT: TEXT and VALUE are both empty", true},
      {"\x01\x34\xA0\x00\x01other\x00"s, true, "<IMG SRC=pic.pgm>",
       "image source other is not record 2", true},
      {"\x01\x0B"s, true, "", "tag code 0x0b at offset 3", false},
      {"\x01\x05"s, false, "<B>", "the page data end without the end-of-page code", false},
      {"\x01\x2F\x02\x00"s, false, "", "tag code 0x2f", false},
  };
  for (const problem_case& c : cases) {
    decoded d = decode(c.bytes, c.end);
    EXPECT_EQ(c.whole, d.whole) << c.html;
    EXPECT_EQ(c.html, d.body);
    SCOPED_TRACE(c.html);
    if (c.message.empty())
      EXPECT_EQ("", d.err);
    else
      EXPECT_NE(std::string::npos, d.err.find("pageprobe: p.html: " + c.message)) << d.err;
  }
}

TEST(ByteMarkupDecoder, TitleFieldAndTrailingBytes) {
  struct {
    std::string data;
    std::string title;
    bool whole;
  } cases[] = {
      {"Hi\0\x01\x71\0"s, "<TITLE>Hi</TITLE>", true},
      {"Hey\0\0\x01\x71\0"s, "<TITLE>Hey</TITLE>", true},
      {"\0\x01\x71\0\0\0"s, "<TITLE></TITLE>", false},
      {"a<b"s, "<TITLE>ab</TITLE>", false},
  };
  for (const auto& c : cases) {
    std::string html;
    testing::internal::CaptureStderr();
    bool whole = decode_byte_markup(
        {reinterpret_cast<const unsigned char*>(c.data.data()), c.data.size()}, "p", target, &html);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.whole, whole) << c.title;
    EXPECT_NE(std::string::npos, html.find(c.title)) << html;
  }
}

}  // namespace
