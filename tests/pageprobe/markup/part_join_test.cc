// Parts of a page joined on hand-made data: what goes back where a part
// ended, and the places where the -w reader would end a part otherwise.
#include "markup/part_join.h"

#include <gtest/gtest.h>

#include "common/pqa_record.h"

using namespace std::string_literals;

namespace {

const std::string kTitle = "T\0\0"s;
constexpr size_t kUrlField = 10;  // "index.html"

// A part: the title, `body`, and the ending of a part (a line break, the
// link to position 1, "More »", its end code) or of the page.
std::string part(const std::string& body, bool last) {
  std::string d = kTitle + body;
  if (!last) d += "\x0D\x01\x11\x00\x04\x00\x01More \xBB\x00"s;
  d += "\x01\x71";
  if (d.size() & 1) d += '\0';
  return d;
}

// Text of `n` bytes, ending in a letter, that leaves `room` bytes of a part
// free when `extra` bytes follow it.
std::string filling(size_t room, size_t extra = 0) {
  const size_t n = record_data_room(kUrlField) - 17 - kTitle.size() - extra - room;
  std::string s;
  while (s.size() < n) s += "ab ";
  s.resize(n);
  s.back() = 'c';
  return s;
}

struct join_case {
  std::string first, second;  // the bodies of the two parts
  std::string joined;         // between them in the joined page, or
  std::string refused = {};   // why they are not joined
  bool reopens = false;       // the second part opens again the first's element
};

TEST(PartJoin, WhatComesBackWhereAPartEnded) {
  const join_case cases[] = {
      // The space the reader dropped: no room left, or a word longer than the room.
      {filling(0), "next words", " "},
      {filling(3), "longword rest", " "},
      {filling(5), "ab cdefgh", "", "a text that the reader would cut elsewhere"},
      {filling(4), "a&b", "", "a text that the reader would cut elsewhere"},
      // An element too large for the room, and one that fits.
      {filling(1), "\x01\x05x\x00"s, ""},
      {filling(2), "\x01\x05x\x00"s, "", "an element that would fit the part before it"},
      // A line break is dropped only where no room is left.
      {filling(0), "\x0Dx"s, "\x0D"},
      {filling(1), "\x0Dx"s, "", "a part that begins with a line break or an end code where"},
      // The bold element the second part opens again, and its end code.
      {"\x01\x05"s + filling(0, 3) + '\0', "\x01\x05tail\x00"s, " ", "", true},
      // A paragraph ended just before: the line break the reader owed it.
      {"\x01\x08\x00"s + filling(0, 4) + '\0', "next", "\x0D"},
  };
  for (const join_case& c : cases) {
    const std::string first = part(c.first, false), second = part(c.second, true);
    const std::vector<page_part> parts = {
        {make_view(first.data(), first.size()), kUrlField},
        {make_view(second.data(), second.size()), kUrlField}};
    joined_page page;
    const std::string why = join_parts(parts, &page);
    if (!c.refused.empty()) {
      EXPECT_EQ(0u, why.find(c.refused)) << why;
      continue;
    }
    ASSERT_EQ("", why) << c.second;
    // Without the end code of the element the second part opens again, and
    // without that element.
    const bool reopens = c.reopens;
    const std::string kept = reopens ? c.first.substr(0, c.first.size() - 1) : c.first;
    EXPECT_EQ(part(kept + c.joined + (reopens ? c.second.substr(2) : c.second), true), page.data)
        << c.second;
    if (c.joined == " ") {
      EXPECT_EQ(std::vector<size_t>{kTitle.size() + kept.size()}, page.marks);
    }
  }
}

TEST(PartJoin, TheLinkThatEndsAPart) {
  const std::string ended = part("x", false), plain = part("x", true);
  EXPECT_EQ(1, more_link_position(make_view(ended.data(), ended.size())));
  EXPECT_EQ(-1, more_link_position(make_view(plain.data(), plain.size())));
  std::string other = part("x", true);
  other[0] = 'U';  // another title
  const std::vector<page_part> parts = {{make_view(ended.data(), ended.size()), kUrlField},
                                        {make_view(other.data(), other.size()), kUrlField}};
  joined_page page;
  EXPECT_EQ("parts with titles that differ", join_parts(parts, &page));
}

}  // namespace
