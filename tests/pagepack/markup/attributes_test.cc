#include "markup/attributes.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

// Parses `text` and lists the attributes as "name=value" or "name" (no value).
static std::vector<std::string> parse(const std::string& text) {
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  attribute_list list(getattrs(buf.data()));
  std::vector<std::string> out;
  for (attribute* a = list.get(); a; a = a->next)
    out.push_back(a->value ? std::string(a->tag) + "=" + a->value : std::string(a->tag));
  return out;
}

typedef std::vector<std::string> Attrs;

TEST(PagepackAttributes, BlankTextGivesNoList) {
  char empty[] = "";
  char blanks[] = " \t  \t";
  EXPECT_EQ(nullptr, getattrs(empty));
  EXPECT_EQ(nullptr, getattrs(blanks));
}

TEST(PagepackAttributes, NamesValuesAndOrder) {
  EXPECT_EQ((Attrs{"WIDTH=50", "NOSHADE"}), parse("WIDTH=50 NOSHADE"));
  EXPECT_EQ((Attrs{"NOSHADE", "WIDTH=50"}), parse("NOSHADE WIDTH=50"));
  EXPECT_EQ((Attrs{"SIZE=3"}), parse("SIZE=3 "));
  EXPECT_EQ((Attrs{"SIZE=3"}), parse("SIZE= 3"));
  EXPECT_EQ((Attrs{"ALT="}), parse("ALT="));
}

TEST(PagepackAttributes, SpacesAroundEqualsSplitTheAttribute) {
  EXPECT_EQ((Attrs{"SIZE", "=3"}), parse("SIZE = 3"));
}

TEST(PagepackAttributes, QuotesAreStrippedOnlyWhenDouble) {
  EXPECT_EQ((Attrs{"ALT=two", "words\""}), parse("ALT=\"two words\""));
  EXPECT_EQ((Attrs{"ALT=SRC=x"}), parse("ALT=\"\" SRC=x"));
  EXPECT_EQ((Attrs{"HREF='a.html'"}), parse("HREF='a.html'"));
  EXPECT_EQ((Attrs{"NAME=x", "y"}), parse("NAME=\"x\"y"));
}

TEST(PagepackAttributes, TabsSeparateOnlyBeforeAName) {
  EXPECT_EQ((Attrs{"NOSHADE\tWIDTH=5"}), parse("NOSHADE\tWIDTH=5"));
  EXPECT_EQ((Attrs{"SIZE=3\tWIDTH=5"}), parse("SIZE=3\tWIDTH=5"));
  EXPECT_EQ((Attrs{"A=1", "B=2"}), parse("\tA=1 \tB=2"));
}

TEST(PagepackAttributes, FindIgnoresCaseAndTakesTheFirst) {
  char text[] = "Width=1 WIDTH=2 NOSHADE";
  attribute_list list(getattrs(text));
  attribute* a = findattr("width", list.get());
  ASSERT_NE(nullptr, a);
  EXPECT_STREQ("1", a->value);
  EXPECT_EQ(nullptr, findattr("HEIGHT", list.get()));
  EXPECT_EQ(nullptr, findattr("WIDTH", nullptr));
  EXPECT_NE(nullptr, findattr("noshade", list.get()));
  // Without a value the attribute counts as absent where a value is read.
  EXPECT_EQ(nullptr, attr_value("NOSHADE", list.get()));
  EXPECT_STREQ("1", attr_value("WIDTH", list.get()));
  destroy_attr(nullptr);
}
