#include "markup/part_join.h"

#include <cstring>

#include "common/pqa_record.h"
#include "common/tag_codes.h"
#include "markup/byte_markup_decoder.h"

namespace {

// How a part ends: a line break, the link (01 11 00 04 and the position),
// "More »", its end code and the end of the page, padded to an even length.
constexpr char kMoreText[] = "More \xBB";
constexpr size_t kLinkBytes = 6, kEndingBytes = 1 + kLinkBytes + 6 + 1 + 2;
// The bytes pagepack -w keeps free in a part for that ending (and its pad
// byte) beside one end code for every element open.
constexpr size_t kPartEnding = kEndingBytes + 1;

// The -w reader meets the text of the joined page in runs that end at markup
// and at '&', '<' and '>' (written as references); a run the parser hands on
// in pieces of about 1,000 bytes of UTF-8 must be shorter than that.
constexpr size_t kMaxTextRun = 990;

bool block_code(unsigned code) {
  switch (code) {
    case TAG_PARAGRAPH: case TAG_H1: case TAG_TABLE: case TAG_TABLE_ROW: case TAG_TABLE_DATA:
    case TAG_TABLE_HEADER: case TAG_TABLE_CAPTION: case TAG_FORM: case TAG_SELECT:
    case TAG_OPTION: case TAG_OPTION_ATTRS:
      return true;
    default:
      return false;
  }
}

// One part read into tokens: where its ending begins, and its content.
struct part_reading {
  std::vector<markup_token> tokens;
  size_t body = 0;          // where the markup starts, after the title field
  size_t ending = 0;        // token index of the ending's line break (of the end of the page in the last part)
  size_t trailing = 0;      // end codes right before the ending
  std::vector<std::string> open;  // the elements open before them, outermost first
  std::vector<unsigned> closed;   // by token index: the tag code an end code closes
};

std::string bytes_of(byte_view data, const markup_token& t) {
  return std::string(reinterpret_cast<const char*>(data.data) + t.begin, t.end - t.begin);
}

// Reads a part; `last` ends with the end of the page, the others with the
// link to the next part. "" or why it cannot be read so.
std::string read_part(byte_view data, bool last, part_reading* p) {
  if (!byte_markup_tokens(data, &p->tokens) || p->tokens.empty())
    return "a part that cannot be read to its end";
  const std::vector<markup_token>& t = p->tokens;
  p->body = t[0].begin;
  if (last) {
    p->ending = t.size() - 1;
  } else {
    const size_t n = t.size();
    if (n < 5 || t[n - 5].kind != markup_token::line_break || more_link_position(data) < 0 ||
        t[n - 5].begin + kEndingBytes != t[n - 1].begin + 2)
      return "a part that does not end with its link to the next";
    p->ending = n - 5;
  }
  while (p->trailing < p->ending && t[p->ending - p->trailing - 1].kind == markup_token::end_code)
    p->trailing++;
  // Which element each end code closes, through those before the ending too.
  std::vector<std::string> open;
  p->closed.assign(t.size(), 0);
  for (size_t i = 0; i < p->ending; i++) {
    if (i == p->ending - p->trailing) p->open = open;
    if (t[i].kind == markup_token::open_element) {
      open.push_back(bytes_of(data, t[i]));
    } else if (t[i].kind == markup_token::end_code) {
      if (open.empty()) return "an end code with no element open";
      p->closed[i] = static_cast<unsigned char>(open.back()[1]);
      open.pop_back();
    }
  }
  if (!last && (p->open.size() != p->trailing || !open.empty()))
    return "a part that ends with elements open";
  return "";
}

// Whether the text the next part begins with starts a run of the joined
// page that the -w reader cuts at its start: no space among its first `look`
// bytes (those the reader looks at for one when the part is full), and no
// reference among them, so that they reach the reader in one run.
bool cut_at_start(byte_view data, const markup_token& text, size_t look) {
  const unsigned char* s = data.data + text.begin;
  if (text.end - text.begin < look) return false;
  size_t utf8 = 1;
  for (size_t i = 0; i < look; i++) {
    if (s[i] == ' ' || s[i] == '&' || s[i] == '<' || s[i] == '>') return false;
    utf8 += s[i] < 0x80 ? 1 : 3;
  }
  return utf8 < kMaxTextRun;
}

}  // namespace

int more_link_position(byte_view data) {
  size_t n = data.length;
  if (n >= 1 && (n & 1) == 0 && data.data[n - 1] == 0) n--;  // the pad byte
  if (n < kEndingBytes) return -1;
  const unsigned char* e = data.data + n - kEndingBytes;
  const unsigned char head[] = {kLineBreak, kTagStart, TAG_LINK, 0, 0x04};
  const unsigned char tail[] = {kTagEnd, kTagStart, TAG_END_OF_PAGE};
  if (memcmp(e, head, sizeof head) || memcmp(e + kLinkBytes + 1, kMoreText, 6) ||
      memcmp(e + kLinkBytes + 7, tail, sizeof tail) || (n & 1) != (data.length - n))
    return -1;
  return e[5] << 8 | e[6];
}

std::string join_parts(const std::vector<page_part>& parts, joined_page* page) {
  std::vector<part_reading> read(parts.size());
  for (size_t i = 0; i < parts.size(); i++) {
    std::string why = read_part(parts[i].data, i + 1 == parts.size(), &read[i]);
    if (!why.empty()) return why;
    const byte_view& a = parts[0].data;
    const byte_view& b = parts[i].data;
    if (read[i].body != read[0].body || memcmp(a.data, b.data, read[0].body))
      return "parts with titles that differ";
  }
  page->data.assign(reinterpret_cast<const char*>(parts[0].data.data), read[0].body);
  page->marks.clear();
  size_t from = 0;  // the first content token of the part being joined
  for (size_t i = 0; i < parts.size(); i++) {
    const part_reading& p = read[i];
    const byte_view data = parts[i].data;
    const bool last = i + 1 == parts.size();
    // The elements the next part opens again: as many of the open ones, the
    // outermost first, as its first tokens repeat.
    size_t reopened = 0;
    if (!last) {
      const part_reading& q = read[i + 1];
      while (reopened < p.open.size() && reopened < q.tokens.size() &&
             q.tokens[reopened].kind == markup_token::open_element &&
             bytes_of(parts[i + 1].data, q.tokens[reopened]) == p.open[reopened])
        reopened++;
    }
    const size_t end = last ? p.ending : p.ending - reopened;  // content tokens: [from, end)
    const size_t start_bytes = from < p.tokens.size() ? p.tokens[from].begin : p.body;
    const size_t end_bytes = p.tokens[end].begin;
    if (end_bytes < start_bytes) return "a part that holds less than the elements it opens again";
    page->data.append(reinterpret_cast<const char*>(data.data) + start_bytes, end_bytes - start_bytes);
    if (last) break;

    // Where the part ended, and what the reader does there with the joined page.
    const size_t ending = p.tokens[p.ending].begin;
    const size_t room_bytes = record_data_room(parts[i].url_field);
    if (ending + kPartEnding > room_bytes) return "a part fuller than pagepack -w fills one";
    const size_t room = room_bytes - kPartEnding - ending;
    const part_reading& q = read[i + 1];
    const byte_view next = parts[i + 1].data;
    if (reopened >= q.ending) return "a part that holds nothing but the elements it opens again";
    const markup_token& f = q.tokens[reopened];
    const markup_token* l = end > from ? &p.tokens[end - 1] : nullptr;
    const bool after_block = l && l->kind == markup_token::end_code && block_code(p.closed[end - 1]);
    bool inline_before = false;  // a space the reader writes may stand between them
    if (l && l->kind == markup_token::text) inline_before = true;
    if (l && l->kind == markup_token::end_code && !after_block) inline_before = true;
    if (l && l->kind == markup_token::element) {
      const unsigned code = data.data[l->begin + 1];
      inline_before = code == TAG_IMAGE || code == TAG_INPUT_TEXT || code == TAG_INPUT_PASSWORD ||
                      code == TAG_INPUT_CHECKBOX || code == TAG_INPUT_SUBMIT;
    }
    const size_t here = page->data.size();
    if (f.kind == markup_token::text) {
      if (next.data[f.begin] == ' ' || (room == 0 && after_block)) {
        // Only a line break that found no room ends a part before a space.
        if (room != 0) return "a part that begins with a space where the last had room";
        page->data += static_cast<char>(kLineBreak);
        page->marks.push_back(page->data.size());
      } else if (inline_before) {
        // The space the part ended at, which the reader dropped.
        if (!cut_at_start(next, f, room))
          return "a text that the reader would cut elsewhere";
        page->data += ' ';
        page->marks.push_back(here);
      } else {
        if (!cut_at_start(next, f, room + 1))
          return "a text that the reader would cut elsewhere";
        page->marks.push_back(here);
      }
    } else if (f.kind == markup_token::line_break || f.kind == markup_token::end_code) {
      // A line break that found no room, which the reader dropped.
      if (room != 0) return "a part that begins with a line break or an end code where the last had room";
      page->data += static_cast<char>(kLineBreak);
    } else {
      if (f.end - f.begin <= room) return "an element that would fit the part before it";
      if (room == 0 && after_block && !block_code(next.data[f.begin + 1]))
        page->data += static_cast<char>(kLineBreak);
    }
    from = reopened;
  }
  page->data += static_cast<char>(kTagStart);
  page->data += static_cast<char>(TAG_END_OF_PAGE);
  if (page->data.size() & 1) page->data += '\0';
  return "";
}
