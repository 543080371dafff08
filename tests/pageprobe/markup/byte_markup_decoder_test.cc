// The byte-coded decoder on hand-made page data: the HTML form of each kind
// of field, text that needs care, and data pagepack would not write.
#include "markup/byte_markup_decoder.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

// Position 0 is a.html, 1 is pic.pgm; 2 holds no record.
std::string target(unsigned p) { return p == 0 ? "a.html" : p == 1 ? "pic.pgm" : ""; }

struct decode_case {
  std::string body;     // page data between the title "T" and the end code
  std::string html;     // what stands between <BODY> and </BODY>, line breaks trimmed
  std::string message = {};  // a message that must be given, or "" for none at all
  bool end = true;      // the end code follows the body
};

TEST(ByteMarkupDecoder, PagesAndMessages) {
  const decode_case cases[] = {
      {"\x01\x05x\x00"s, "<B>x</B>"},
      {"\x01\x09\x0B\x00\x04\x00\xC8"s, "<HR NOSHADE ALIGN=center HEIGHT=4 WIDTH=200>"},
      {"x\x0D y"s, "x<BR> y"},
      {"\x01\x11\x00\x0C\x00\x00part2\x00"s, "<A HREF=a.html#part2>"},
      {"\x01\x11\x00\x20no\x00"s, "<A></A> no</>"},  // no remote URL: an A without HREF
      {"\x01\x21\x00\x00\x03\x01\x00https://q\x00"s, "<FORM ACTION=https://q METHOD=post>"},
      {"\x01\x23\x00\x08\x00\x0C\x03p\x00x\x00"s,
       "<INPUT TYPE=password NAME=p SIZE=8 MAXLENGTH=12 VALUE=x>"},
      {"\x01\x25\x0F" "b\x00v\x00t\x00"s, "<INPUT TYPE=checkbox NAME=b VALUE=v TEXT=t CHECKED>"},
      {"\x01\x28\x03\x00\x00"s, "<INPUT TYPE=hidden VALUE=>"},  // the empty value last
      {"\x01\x2C\x00"s, "<OPTION CLASS>"},
      {"\x01\x32\x7F\x00\x02\x02\x03\x01\x2C\x00\x05"s,
       "<TD ALIGN=left VALIGN=bottom COLSPAN=2 ROWSPAN=3 HEIGHT=300 WIDTH=5 NOWRAP>"},
      {"\x01\x34\xE6\x00\x01Logo\x00PIC.PGM\x00\x00\x03"s,
       "<IMG SRC=PIC.PGM ALT=Logo BORDER=0 ALIGN=middle>"},
      {"a<b>c"s, "a&lt;b>c"},
      {"a  b"s, "a &nbsp; b"},
      {"AT&T  x"s, "AT&T <META> x"},
      {"\x01\x11\x00\x0C\x00\x02top\x00"s, "<A HREF=#top>",
       "a link to record 3, which is not in the database"},
      {"a&b;<"s, "ab;&lt;", "a text '&' ahead of a ';' would begin an entity"},
      {"a\tb"s, "a b", "a TAB or line feed in the text is written as a space"},
      {"\x01\x25\x0A\x00\x00"s, "<INPUT TYPE=checkbox VALUE=>", "INPUT: TEXT and VALUE are both empty"},
      {"\x01\x34\xA0\x00\x01other\x00"s, "<IMG SRC=pic.pgm>", "image source other is not record 2"},
      {"\x01\x0B"s, "", "tag code 0x0b at offset 3 is not one pagepack writes"},
      {"\x01\x05"s, "<B>", "the page data end without the end-of-page code", false},
  };
  for (const decode_case& c : cases) {
    std::string data = "T\0\0"s + c.body + (c.end ? "\x01\x71" : "");
    if (c.end && data.size() % 2) data += '\0';
    std::string html;
    testing::internal::CaptureStderr();
    bool whole = decode_byte_markup(make_view(data.data(), data.size()), "p.html", target, &html);
    std::string err = testing::internal::GetCapturedStderr();
    const std::string head = "<HTML>\n<HEAD>\n<TITLE>T</TITLE>\n</HEAD>\n<BODY>\n";
    ASSERT_EQ(head, html.substr(0, head.size())) << c.html;
    std::string body = html.substr(head.size(), html.rfind("</BODY>") - head.size());
    while (!body.empty() && body.back() == '\n') body.pop_back();
    EXPECT_EQ(c.html, body);
    EXPECT_EQ(c.end && c.message.find("tag code") == std::string::npos, whole) << c.html;
    if (c.message.empty())
      EXPECT_EQ("", err) << c.html;
    else
      EXPECT_NE(std::string::npos, err.find("pageprobe: p.html: " + c.message)) << err;
  }
}

TEST(ByteMarkupDecoder, TitleField) {
  const struct {
    std::string data, title;
    bool whole;
  } cases[] = {
      {"Hey\0\0\x01\x71\0"s, "<TITLE>Hey</TITLE>", true},  // odd: two zero bytes
      {"\0\x01\x71\0\0\0"s, "<TITLE></TITLE>", false},     // bytes after the end
      {"a<b"s, "<TITLE>ab</TITLE>", false},                // no zero, and a '<'
  };
  for (const auto& c : cases) {
    std::string html;
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.whole, decode_byte_markup(make_view(c.data.data(), c.data.size()), "p", target, &html));
    EXPECT_EQ(c.whole, testing::internal::GetCapturedStderr().empty()) << c.title;
    EXPECT_NE(std::string::npos, html.find(c.title)) << html;
  }
}

// The form for pagepack -w, from the page d/p.html: what each case writes
// between <body> and </body>, and the bytes that reader would not give back.
TEST(ByteMarkupDecoder, WebForm) {
  auto in_d = [](unsigned p) { return p == 0 ? "a.html"s : p == 1 ? "d/pic.pgm"s : ""s; };
  const decode_case cases[] = {
      {"AT&T; a<b>"s, "AT&amp;T; a&lt;b&gt;"},
      {"\x01\x08\x00x\x00\x0Dy"s, "<p>x</p>\ny"},  // the break the reader adds after a block
      {"\x01\x11\x00\x0C\x00\x00s p\x00x\x00"s, "<a href=\"../a.html#s p\">x</a>"},
      {"\x01\x34\xE6\x00\x01two words\x00" "d/pic.pgm\x00\x00\x03"s,
       "<img src=\"pic.pgm\" alt=\"two words\" border=\"0\" align=\"middle\">"},
      {"a  b\x0D" "c"s, "<pre>a  b\nc</pre>"},
      {"\x01\x05x \x00y"s, "<pre><b>x </b>y</pre>"},
      {"\x01\x08\x00x\x00y"s, "<p>x</p>y", "a block ends without a line break"},
      {"\x01\x33\x00\x01\x32\x00x\x00\x00"s, "<th>\n<td>x</td></th>", "TD in TH"},
      {"x\x00"s, "x", "an end code with no element open"},
      {"a\x01\x05 b\x00"s, "a<b> b</b>"},
      {"\x01\x08\x00" "a \x0D" "b\x00"s, "<p>a <br>\nb</p>", "a space before a line break"},
  };
  for (const decode_case& c : cases) {
    std::string data = "T\0\0"s + c.body + "\x01\x71";
    if (data.size() % 2) data += '\0';
    std::string html;
    testing::internal::CaptureStderr();
    decode_byte_markup(make_view(data.data(), data.size()), "p", in_d, &html, true, nullptr,
                       "d/p.html");
    const std::string err = testing::internal::GetCapturedStderr();
    const size_t body = html.find("<body>\n") + 7;
    EXPECT_EQ(c.html, html.substr(body, html.rfind("\n</body>") - body)) << html;
    if (c.message.empty())
      EXPECT_EQ("", err) << c.html;
    else
      EXPECT_NE(std::string::npos, err.find("pageprobe: p: " + c.message)) << c.html << err;
  }
}

}  // namespace
