#include "markup/html_page.h"

#include <cstring>

#include "big_endian.h"
#include "pagepack_test_util.h"
#include "record_writer.h"

static std::string upcase(std::string s) {
  UpCase(&s[0], s.size());
  return s;
}

TEST(PagepackUpCase, NamesUpValuesAndTextKeepTheirCase) {
  EXPECT_EQ("<A HREF='Index.html'>Go</A>", upcase("<a href='Index.html'>Go</a>"));
  EXPECT_EQ("<IMG SRC=pic.ppm ALT=x>", upcase("<img src=pic.ppm alt=x>"));
  EXPECT_EQ("<A HREF=x.html>Next</A></BODY>", upcase("<a href=x.html>Next</a></body>"));
  EXPECT_EQ("text <B>bold</B>", upcase("text <b>bold</b>"));
}

TEST(PagepackUpCase, TabDoesNotEndAValueAndQuotesToggleAnywhere) {
  EXPECT_EQ("<P ALIGN=x\tclass=y>", upcase("<p align=x\tclass=y>"));
  // One quote state for both quote characters; '<' clears it.
  EXPECT_EQ("<I TITLE=\"it's\" id=x>", upcase("<i title=\"it's\" id=x>"));
  EXPECT_EQ("don't <B>", upcase("don't <b>"));
}

class PagepackHtml : public PagepackDirTest {
 protected:
  // Compiles `text` as page `name`; the page data as hex.
  std::string page_data(const std::string& text, const std::string& name = "p.html") {
    write(name, text);
    needed_record rec{name.c_str(), kContentPage};
    size_ = build_page_record(&rec);
    if (size_ < 0) return "failed";
    size_t data_offset = get_be32(RecordBuffer + kDataOffset);
    size_t data_length = get_be16(RecordBuffer + kDataLength);
    return hex(RecordBuffer + data_offset, data_length);
  }
  std::string body(const std::string& html) {
    return page_data("<TITLE>T</TITLE><BODY>" + html + "</BODY>");
  }
  // The data of a page titled T: title field, the body bytes, end code, pad.
  static std::string framed(const std::string& body_hex) {
    std::string s = "54 00 00 " + body_hex + (body_hex.empty() ? "" : " ") + "01 71";
    size_t n = (s.size() + 1) / 3;
    return n % 2 ? s + " 00" : s;
  }
  int size_ = 0;
};

TEST_F(PagepackHtml, RoadOfOnePage) {
  write("index.html",
        "<HTML><HEAD><TITLE>Home</TITLE></HEAD><BODY>Hello <B>world</B></BODY></HTML>\n");
  needed_record rec{"index.html", kContentPage};
  ASSERT_EQ(52, build_page_record(&rec));
  EXPECT_EQ(
      "00 00 00 14 00 0a 00 00 00 1e 00 16 04 00 00 00 00 16 00 00 " + text_hex("index.html") +
          " " + text_hex("Home") + " 00 " + text_hex("Hello ") + " 01 05 " + text_hex("world") +
          " 00 01 71 00",
      hex(RecordBuffer, 52));
}

TEST_F(PagepackHtml, TitleFieldIsPaddedToEvenLength) {
  EXPECT_EQ("48 69 00 01 71 00", page_data("<TITLE>Hi</TITLE><BODY></BODY>"));
  EXPECT_EQ("48 65 79 00 00 01 71 00", page_data("<TITLE>Hey</TITLE><BODY></BODY>"));
  // No title: the file name stands for it.
  EXPECT_EQ(text_hex("a.htm") + " 00 00 01 71 00", page_data("<BODY></BODY>", "a.htm"));
  EXPECT_EQ(20 + 6 + 10, size_);
  // Lower-case markup is found after UpCase; the title keeps its case.
  EXPECT_EQ("68 69 00 " + text_hex("x") + " 01 71",
            page_data("<title>hi</title><body>x</body>"));
}

TEST_F(PagepackHtml, WhitespaceCollapsesAndLineBreaksVanish) {
  EXPECT_EQ(framed(text_hex("HelloWorld")), body("Hello\nWorld"));
  EXPECT_EQ(framed(text_hex("Hello World")), body("Hello \n  World"));
  EXPECT_EQ(framed(text_hex("a b")), body("a\t\tb"));
  EXPECT_EQ(framed(text_hex("a\r")), body("a\r\n"));
}

TEST_F(PagepackHtml, OnlyLowerCaseGtAndLtEntitiesWriteBytes) {
  EXPECT_EQ(framed(text_hex("<B>")), body("&lt;B&gt;"));
  EXPECT_EQ(framed(text_hex("AT yes")), body("AT&T rocks; yes"));
  EXPECT_EQ(framed(text_hex("ab")), body("a&amp;&nbsp;&quot;&#169;&GT;b"));
}

TEST_F(PagepackHtml, AmpersandWithoutSemicolonIsPlainText) {
  EXPECT_EQ(framed(text_hex("Q&A")), body("Q&A"));
  EXPECT_EQ(framed(text_hex("x; Q&A")), body("x; Q&A"));
  EXPECT_EQ(framed(text_hex("a&")), page_data("<TITLE>T</TITLE><BODY>a&"));
}

TEST_F(PagepackHtml, TagsGoThroughTheEncoder) {
  EXPECT_EQ(framed("01 05 " + text_hex("x") + " 00 0d"), body("<b>x</b><br>"));
  // An unknown tag writes nothing; the page goes on.
  testing::internal::CaptureStdout();
  EXPECT_EQ(framed(text_hex("ab")), body("a<!-- note -->b"));
  EXPECT_EQ("unknown tag <!-->\n", testing::internal::GetCapturedStdout());
  // A '>' inside a quoted value ends the tag there.
  testing::internal::CaptureStdout();
  EXPECT_EQ(framed("01 11 " + text_hex("b\">x")), body("<A NAME=\"a>b\">x"));
  testing::internal::GetCapturedStdout();
}

TEST_F(PagepackHtml, BodyIsOnlyBetweenExactBodyTags) {
  EXPECT_EQ("54 00 00 01 71 00", page_data("<TITLE>T</TITLE><BODY BGCOLOR=white>x</BODY>"));
  EXPECT_EQ("54 00 00 01 71 00", page_data("<TITLE>T</TITLE><BODY></BODY>tail"));
  // The title ends at the '<' of <BODY>, which the body search then misses.
  testing::internal::CaptureStderr();
  EXPECT_EQ("54 00 00 01 71 00", page_data("<TITLE>T<BODY>x</BODY>"));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("no <BODY>"));
}

TEST_F(PagepackHtml, MissingMarksEndAtTheEndOfTheText) {
  // No </BODY>: the text's end ends the body.
  EXPECT_EQ(framed(text_hex("ab")), page_data("<TITLE>T</TITLE><BODY>ab"));
  // A tag without '>' runs to the end of the text.
  EXPECT_EQ(framed(text_hex("a") + " 01 05"),
            page_data("<TITLE>T</TITLE><BODY>a<B"));
  // No '<' after <TITLE>: the title runs to the end, and there is no body.
  testing::internal::CaptureStderr();
  EXPECT_EQ(text_hex("Hi there") + " 00 01 71 00", page_data("<TITLE>Hi there"));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("no <BODY>"));
  // No <BODY>: the page has its title only, and the message names the file.
  testing::internal::CaptureStderr();
  EXPECT_EQ("54 00 00 01 71 00", page_data("<TITLE>T</TITLE>text only", "q.html"));
  EXPECT_EQ("pagepack: q.html: no <BODY>, page left empty\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(PagepackHtml, ControlBytesThatWouldStartAnElementAreDropped) {
  EXPECT_EQ(framed(text_hex("ab")), body(std::string("a\x01") + "b"));
  // A NUL ends the text.
  EXPECT_EQ(framed(text_hex("a")),
            page_data(std::string("<TITLE>T</TITLE><BODY>a\0b</BODY>", 32)));
}

TEST_F(PagepackHtml, UnreadableFileGivesNoRecord) {
  needed_record rec{"missing.html", kContentPage};
  EXPECT_EQ(-1, build_page_record(&rec));
  needed_record dir{".", kContentPage};  // opens, but cannot be read
  EXPECT_EQ(-1, build_page_record(&dir));
}

TEST_F(PagepackHtml, NoByteOfAnEarlierRecordShows) {
  body("<b>a long body with many bytes in it</b>");
  std::string data = body("");
  EXPECT_EQ("54 00 00 01 71 00", data);
  EXPECT_EQ(20 + 6 + 6, size_);
}

// Every page ends in 01 71 and keeps even, 16-bit data within the record.
static void expect_well_formed(int size) {
  ASSERT_GT(size, 0);
  ASSERT_LE(size, kRecordBufferSize);
  size_t lu = get_be16(RecordBuffer + kUrlLength);
  size_t ld = get_be16(RecordBuffer + kDataLength);
  EXPECT_EQ(static_cast<size_t>(size), 20 + lu + ld);
  EXPECT_EQ(0u, ld % 2);
  EXPECT_EQ(ld, get_be32(RecordBuffer + kUncompressedSize));
  const unsigned char* end = RecordBuffer + 20 + lu + ld;
  bool padded = end[-1] == 0 && end[-2] == 0x71;
  EXPECT_EQ("01 71", hex(end - (padded ? 3 : 2), 2));
}

TEST_F(PagepackHtml, OversizedPagesAreCutAndStayWellFormed) {
  const std::string head = "<TITLE>T</TITLE><BODY>";
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"text", head + std::string(70000, 'x')},
      {"elements", [&] {
         std::string s = head;
         while (s.size() < 65532) s += "<HR HEIGHT=4 WIDTH=200>";
         return s;
       }()},
      {"strings", [&] {
         std::string s = head;
         while (s.size() < 65532) s += "<INPUT TYPE=text NAME=abcdefghijklmn>";
         return s;
       }()},
      {"title", "<TITLE>" + std::string(70000, 't')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::internal::CaptureStderr();
    write("big.html", c.text);
    needed_record rec{"big.html", kContentPage};
    int size = build_page_record(&rec);
    std::string err = testing::internal::GetCapturedStderr();
    expect_well_formed(size);
    EXPECT_NE(std::string::npos, err.find("big.html")) << err;
  }
}

TEST_F(PagepackHtml, ExpandingBodyFillsTheRecordWithWholeElementsOnly) {
  // 65532 bytes of <P> expand to 3 bytes each: the codes outgrow the record.
  std::string s = "<TITLE>T</TITLE><BODY>";
  while (s.size() + 3 <= 65532) s += "<P>";
  write("p.html", s);
  needed_record rec{"p.html", kContentPage};
  testing::internal::CaptureStderr();
  int size = build_page_record(&rec);
  EXPECT_EQ("pagepack: p.html: too large for one record, cut\n",
            testing::internal::GetCapturedStderr());
  expect_well_formed(size);
  size_t ld = get_be16(RecordBuffer + kDataLength);
  const unsigned char* data = RecordBuffer + 26;
  // Title field, then only whole 01 08 00 triples before the end code.
  size_t body_end = ld - 2 - (data[ld - 1] == 0 && data[ld - 2] == 0x71 ? 1 : 0);
  EXPECT_EQ(0u, (body_end - 3) % 3);
  EXPECT_EQ("01 08 00 01 71", hex(data + body_end - 3, 5));
}

TEST_F(PagepackHtml, TextBeyondTheRecordFillsItToTheLastByte) {
  write("big.html", "<TITLE>T</TITLE><BODY>" + std::string(70000, 'x'));
  needed_record rec{"big.html", kContentPage};
  testing::internal::CaptureStderr();
  build_page_record(&rec);
  testing::internal::GetCapturedStderr();
  // 20 + 8 URL bytes + data fill the 65536-byte record: T 00 00, the x's,
  // and 01 71 with no pad needed.
  size_t ld = get_be16(RecordBuffer + kDataLength);
  ASSERT_EQ(65508u, ld);
  std::string data(reinterpret_cast<const char*>(RecordBuffer + 28), ld);
  EXPECT_EQ(std::string("T\0\0", 3) + std::string(ld - 5, 'x') + "\x01\x71", data);
}
