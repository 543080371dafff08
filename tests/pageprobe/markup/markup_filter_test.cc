// The filter between decoded pages and the preview: what passes, what is
// escaped, and where links and images may point.
#include "markup/markup_filter.h"

#include <gtest/gtest.h>

namespace {

const std::set<std::string> kFiles = {"record-0001.html", "record-0002.png"};

// Index 1 is a page, index 2 an image, others name nothing; an index may
// also name a file the preview lacks (index 9).
std::string target(bool image, unsigned index) {
  if (index == 9) return "record-0009.html";
  if (image) return index == 2 ? "record-0002.png" : "";
  return index == 1 ? "record-0001.html" : "";
}

TEST(MarkupFilter, Body) {
  const struct {
    const char* html;
    const char* body;
  } cases[] = {
      {"<B>x</B> &lt;y&gt; a&b", "<b>x</b> &lt;y&gt; a&amp;b"},
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"<IMG src=x onerror=alert(1)>", "<img>"},
      {"<A href=\"x\" onclick=\"y\">z</a>", "<a>z</a>"},
      {"<A href=\"javascript:alert(1)\">z</a>", "<a>z</a>"},
      {"<A href=record-0001.html#top>z</a>", "<a href=\"record-0001.html#top\">z</a>"},
      {"<A index=\"01\" flags=04>z</a>", "<a href=\"record-0001.html\">z</a>"},
      {"<A index=\"02\" flags=04>z</a><A index=\"09\">", "<a>z</a><a>"},
      {"<A index=\"01\" flags=08>z</a>", "<a>z</a>"},  // the link rewrite takes 04 only
      {"<IMG index=0002 alt=\"a\"b\">", "<img src=\"record-0002.png\" alt=\"a\">"},
      {"<IMG SRC=record-0002.png ALT='<x>'>", "<img src=\"record-0002.png\" alt=\"&lt;x&gt;\">"},
      {"<tr halign = 1 valign = 0>", "<tr valign=\"0\">"},
      {"<td colspan='2' style=\"x\">", "<td colspan=\"2\">"},
      {"<INPUT type=image name=\"n\">", "<input name=\"n\">"},
      {"<HR align=\"center\" noshade height=10 width=50%>",
       "<hr align=\"center\" noshade height=\"10\" width=\"50%\">"},
      {"<iframe src=x></iframe><br/>", "&lt;iframe src=x&gt;&lt;/iframe&gt;<br>"},
      {"a < b\x01\x7f\xe9 <", "a &lt; b\xe9 &lt;"},
      {"<A name=\"x\"><IMG alt=\"x\"></A>", "<a name=\"x\"><img alt=\"x\"></a>"},
      // A tag that the text ends inside makes the rest text, read once.
      {"<b>x<a <a href=\"<b>y", "<b>x&lt;a &lt;a href=&quot;&lt;b&gt;y"},
      // No nameless tag is shown; "<>" is text, as in a browser.
      {"a</>b</ >c<>", "ab&lt;/ &gt;c&lt;&gt;"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.body, filter_markup(c.html, kFiles, target).body) << c.html;
}

TEST(MarkupFilter, TitleAndFrame) {
  filtered_page p = filter_markup(
      "<HTML>\n\t<HEAD>\n\t\t<TITLE>a<B>\"</TITLE>\n\t</HEAD>\n\t<BODY>\nx\n\t</BODY>\n</HTML>\n",
      kFiles, target);
  EXPECT_EQ("a&lt;B&gt;&quot;", p.title);
  EXPECT_EQ("\n\t\n\t\t\n\t\n\t\nx\n\t\n\n", p.body);
}

TEST(MarkupFilter, Escape) {
  EXPECT_EQ("&amp;lt; &lt;&gt;&quot;&#39;\t\n", html_escape("&lt; <>\"'\t\n\r"));
  EXPECT_EQ("&lt; &#169; &#xA0; &amp;x &amp;#; &amp;verylongname1;",
            html_escape("&lt; &#169; &#xA0; &x &#; &verylongname1;", true));
}

}  // namespace
