#include "markup/byte_markup_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/byte_markup.h"
#include "common/tag_codes.h"
#include "markup/markup_filter.h"
#include "message.h"

namespace {

// At most this many problems of one page are told; the rest are counted.
constexpr int kMaxMessages = 8;

struct attr {
  const char* name;
  std::string value;
  bool has_value;
};

// Element names whose end tag the next end code is written as.
const char* const kClosedElements[] = {"B",     "I",      "P",     "H1",    "FONT",
                                       "A",     "FORM",   "SELECT", "OPTION", "TABLE",
                                       "TR",    "TD",     "TH",     "TABLECAPTION", "CAPTION"};

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Why pagepack would not read `v` back as the same attribute value, or null.
// A value ends at a space or '"' and the tag at '>'; after a '<' inside the
// value, pagepack upper-cases letters up to the next '=' or a quote.
const char* value_problem(const std::string& v) {
  if (v.find_first_of(" \"") != std::string::npos) return "holds a space or '\"'";
  if (v.find('>') != std::string::npos) return "holds a '>'";
  size_t lt = v.find('<');
  if (lt == std::string::npos) return nullptr;
  bool quoted = false, in_value = false;
  for (size_t i = lt; i < v.size(); i++) {
    char c = v[i];
    if (c == '<') {
      quoted = in_value = false;
    } else if (c == '\'') {
      quoted = !quoted;
    } else if (c == '=') {
      in_value = true;
    } else if (c >= 'a' && c <= 'z' && !quoted && !in_value) {
      return "holds a lower-case letter in a tag name after '<'";
    }
  }
  return nullptr;
}

// Text as the -w reader keeps a title or image text: white space runs
// collapsed to one space, none at either end.
std::string collapsed_text(const std::string& s) {
  std::string out;
  bool space = false;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
      space = !out.empty();
    } else {
      if (space) out += ' ';
      space = false;
      out += c;
    }
  }
  return out;
}

// Text and attribute values in standard HTML: every '&', '<', '>' and '"'
// as a character reference, so that no byte starts markup or an entity.
std::string web_escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

class page_decoder {
 public:
  page_decoder(byte_view data, const char* label,
               const std::function<std::string(unsigned)>& target, bool layout,
               bool for_pagepack = true, const position_namer* names = nullptr,
               const char* web_file = nullptr)
      : data_(data), label_(label), target_(target), layout_(layout),
        for_pagepack_(for_pagepack), names_(names), web_(web_file != nullptr),
        file_(web_file ? web_file : "") {}

  bool run();
  std::string html() const;
  void keep_tokens(std::vector<markup_token>* tokens) { tokens_ = tokens; }
  void set_marks(const std::vector<size_t>* marks) { marks_ = marks; }
  void tell() const;
  size_t problems() const { return messages_.size(); }

 private:
  // Reads of the page data; false at its end.
  bool u8(unsigned* v) { return view_u8(data_, pos_, v) ? (pos_ += 1, true) : false; }
  bool be16(unsigned* v) { return view_be16(data_, pos_, v) ? (pos_ += 2, true) : false; }
  bool string(std::string* s);

  void note(const std::string& what);
  bool body();
  bool element(unsigned code);
  bool link();
  bool image();
  bool form_control(unsigned code);
  bool table_part(unsigned code);

  void text_byte(unsigned char c);
  void space();
  void start_tag(const char* name, std::vector<attr> attrs, bool block);
  void end_tag();
  void put_value(const char* name, const std::string& value, std::vector<attr>* attrs);
  void put_number(const char* name, unsigned n, std::vector<attr>* attrs) {
    attrs->push_back({name, std::to_string(n), true});
  }
  void put_flag(const char* name, std::vector<attr>* attrs) {
    attrs->push_back({name, std::string(), false});
  }
  bool put_align(const char* name, const char* letters, const char* const* words,
                 std::vector<attr>* attrs);
  void unknown_bits(const char* element, unsigned flags, unsigned known);
  void drop_swallowing_ampersands();

  // The -w form: standard HTML, and beside it the state of the -w reader
  // going through it, so that a byte it would not give back is noted.
  void web_text(unsigned char c);
  void web_settle(bool inline_element);
  void web_start(const char* name, const std::vector<attr>& attrs, bool block);
  void web_end();
  void web_break();
  void web_page_end();
  bool line_needs_pre();
  std::string web_href(const std::string& file) const;
  bool web_link(unsigned flags, const std::string& href, unsigned position,
                const std::string& fragment);

  byte_view data_;
  const char* label_;
  const std::function<std::string(unsigned)>& target_;
  bool layout_;  // line breaks before block elements
  // The page is for pagepack to compile again: an image keeps the source name
  // its data holds, an end code with no open element stays "</>", and text
  // and values keep to what pagepack reads. Otherwise the page is standard
  // HTML for a browser: every text character escaped, every value quoted
  // and whole.
  bool for_pagepack_;
  const position_namer* names_;  // or null: links and images named by target_
  size_t pos_ = 0;
  size_t no_zero_from_ = SIZE_MAX;  // no zero byte lies at or behind this place
  std::string title_;
  std::string body_;
  std::vector<size_t> ampersands_;  // places in body_ of text '&' bytes
  std::vector<const char*> open_;
  std::vector<std::string> messages_;

  std::vector<markup_token>* tokens_ = nullptr;  // or null: not kept
  const std::vector<size_t>* marks_ = nullptr;    // sorted; or null
  size_t next_mark_ = 0;
  void keep_token(markup_token::kind_t kind);

  bool web_;          // written for pagepack -w
  std::string file_;  // the page's own file, from which its links are relative
  struct {
    bool line_start = true;   // nothing shown on the line yet
    bool after_space = false; // the last text given ends in a space
    bool want_break = false;  // a block ended: a break comes before the next content
    bool break_kept = false;  // and the record holds that break
    bool space = false;       // a space written waits for what follows it
  } reader_;
  std::vector<bool> web_open_blocks_;  // of the open elements, which are blocks
  // Spaces the reader would collapse are written in a <pre>, opened at the
  // start of a line that holds such spaces and closed before a block.
  bool in_pre_ = false;
  bool pre_fresh_ = false;     // no text in the <pre> yet: the reader drops a first line feed
  size_t pre_depth_ = 0;       // elements open when it was opened
  size_t token_ = 0;           // where the token being decoded starts
  size_t line_end_ = 0;        // the line looked at for <pre> ends here
  size_t web_closed_by_blocks_ = 0;  // open inline elements, paragraphs and headings
  bool line_needs_pre_ = false;
  void web_line_start();
  void web_close_pre();
};

const char* const kLcrWords[] = {"left", "center", "right"};
const char* const kTcbWords[] = {"top", "center", "bottom"};
const char* const kImageWords[] = {"left", "right", "top", "middle", "bottom"};

void page_decoder::note(const std::string& what) {
  messages_.push_back(what);
}

void page_decoder::tell() const {
  if (!label_) return;
  int told = 0;
  for (const std::string& m : messages_) {
    if (told++ == kMaxMessages) {
      message("%s: %zu more problems with this page", label_, messages_.size() - kMaxMessages);
      break;
    }
    message("%s: %s", label_, m.c_str());
  }
}

bool page_decoder::string(std::string* s) {
  // A string that found no zero byte is not looked for again behind that
  // place: a link given up and read on as text would otherwise search to the
  // end of the data once for every such link.
  if (pos_ >= no_zero_from_) return false;
  byte_view rest = view_rest(data_, pos_);
  const void* nul = rest.length ? memchr(rest.data, 0, rest.length) : nullptr;
  if (!nul) {
    no_zero_from_ = pos_;
    return false;
  }
  size_t n = static_cast<size_t>(static_cast<const unsigned char*>(nul) - rest.data);
  s->assign(reinterpret_cast<const char*>(rest.data), n);
  pos_ += n + 1;
  return true;
}

// Text bytes come back as themselves, '<' as &lt;. A line feed or TAB would
// be read as blank space, so they become a space. For a browser '&' and '>'
// are escaped too.
void page_decoder::text_byte(unsigned char c) {
  if (web_) {
    web_text(c);
    return;
  }
  if (c == ' ' || c == '\t' || c == '\n') {
    if (c != ' ' && for_pagepack_) note("a TAB or line feed in the text is written as a space");
    space();
  } else if (c == '<') {
    body_ += "&lt;";
  } else if (!for_pagepack_ && (c == '&' || c == '>')) {
    body_ += c == '&' ? "&amp;" : "&gt;";
  } else {
    if (c == '&') ampersands_.push_back(body_.size());
    body_ += static_cast<char>(c);
  }
}

// pagepack keeps one space of a run of blanks, so a second space needs
// something between that writes nothing: &nbsp;, or, once a text '&' stands
// before it (a ';' would turn that '&' into an entity), an empty META.
void page_decoder::space() {
  if (!body_.empty() && (body_.back() == ' ' || body_.back() == '\n'))
    body_ += ampersands_.empty() ? "&nbsp;" : "<META>";
  body_ += ' ';
}

// Writes the tag. Attributes with an empty value go last, since such a value
// ends only at the end of the tag; a second one cannot be written.
void page_decoder::start_tag(const char* name, std::vector<attr> attrs, bool block) {
  if (web_) {
    web_start(name, attrs, block);
    return;
  }
  if (block && layout_ && !body_.empty() && body_.back() != '\n') body_ += '\n';
  body_ += '<';
  body_ += name;
  const attr* empty = nullptr;
  for (const attr& a : attrs) {
    if (!for_pagepack_) {
      body_ += std::string(" ") + a.name;
      if (a.has_value) body_ += "=\"" + html_escape(a.value) + '"';
      continue;
    }
    if (a.has_value && a.value.empty()) {
      if (empty) note(std::string(name) + ": " + a.name + " and " + empty->name +
                      " are both empty; only one can be written");
      else
        empty = &a;
      continue;
    }
    body_ += ' ';
    body_ += a.name;
    if (a.has_value) body_ += '=' + a.value;
  }
  if (empty) body_ += std::string(" ") + empty->name + '=';
  body_ += '>';
  for (const char* closed : kClosedElements)
    if (strcmp(closed, name) == 0) open_.push_back(closed);
}

// Every end tag gives the same code; it is named for the innermost open
// element. With none open, pagepack needs "</>" to write the code again; a
// page only to be viewed gets nothing, as a browser shows nothing for it.
void page_decoder::end_tag() {
  if (web_) {
    web_end();
    return;
  }
  if (open_.empty()) {
    if (for_pagepack_) body_ += "</>";
    return;
  }
  body_ += "</";
  body_ += open_.back();
  body_ += '>';
  open_.pop_back();
}

void page_decoder::put_value(const char* name, const std::string& value,
                             std::vector<attr>* attrs) {
  std::string v = value;
  if (web_) {
    attrs->push_back({name, v, true});
    return;
  }
  const char* why = for_pagepack_ ? value_problem(v) : nullptr;
  if (why) {
    note(std::string(name) + " value " + why + ": cut");
    v = v.substr(0, v.find_first_of(" \">"));
  }
  attrs->push_back({name, v, true});
}

bool page_decoder::put_align(const char* name, const char* letters, const char* const* words,
                             std::vector<attr>* attrs) {
  unsigned a;
  if (!u8(&a)) return false;
  if (a >= strlen(letters)) {
    note(std::string(name) + " byte " + std::to_string(a) + " names no alignment: left out");
    return true;
  }
  attrs->push_back({name, words[a], true});
  return true;
}

void page_decoder::unknown_bits(const char* element, unsigned flags, unsigned known) {
  if (flags & ~known) {
    char hex[8];
    snprintf(hex, sizeof hex, "%02x", flags & ~known);
    note(std::string(element) + " flag bits 0x" + hex + " have no attribute: left out");
  }
}

// A link's target is a remote URL or a record position. After 01 11 a link
// without a target is followed by anything, so the target form is taken only
// when its bytes make a link pagepack writes; otherwise the A has no HREF and
// the bytes are read on as the body.
bool page_decoder::link() {
  size_t start = pos_;
  unsigned zero, flags, position = 0;
  std::string href, fragment;
  bool ok = u8(&zero) && zero == 0 && u8(&flags);
  if (ok && (flags == kLinkRemote || flags == (kLinkRemote | kLinkHttps))) {
    ok = string(&href) && remote_link_flags(href.c_str()) == flags &&
         (web_ || !value_problem(href));
  } else if (ok && (flags == kLinkLocal || flags == (kLinkLocal | kLinkFragment))) {
    ok = be16(&position) && (!(flags & kLinkFragment) || string(&fragment));
    if (ok && web_) {
      // web_link names the link, and says when -w cannot find it.
      if (names_)
        (*names_)(position, nullptr, &href);
      else
        href = target_(position);
    } else if (ok) {
      // A link has no source string: the namer gives 1 when no name is found.
      const int named = names_ ? (*names_)(position, nullptr, &href)
                        : (href = target_(position)).empty() ? 1
                                                            : 0;
      if (named != 0) {
        href.clear();
        note("a link to record " + std::to_string(position + 1) +
             ", which is not in the database, is written with the empty page name");
      } else if (for_pagepack_ &&
                 (remote_link_flags(href.c_str()) || href.find('#') != std::string::npos)) {
        note("a link to " + href + " cannot name it: pagepack would not read it as a page name");
      }
      if (flags & kLinkFragment) href += '#' + fragment;
    }
  } else {
    ok = false;
  }
  if (!ok) {
    pos_ = start;
    const std::string no_room = web_ ? target_(kNoTarget) : std::string();
    if (!no_room.empty()) {
      start_tag("A", {{"HREF", web_href(no_room), true}}, false);
      return true;
    }
    if (web_) note("a link without a target, which pagepack -w does not write");
    start_tag("A", {}, false);
    return true;
  }
  if (web_) return web_link(flags, href, position, fragment);
  std::vector<attr> attrs;
  put_value("HREF", href, &attrs);
  start_tag("A", attrs, false);
  return true;
}

bool page_decoder::image() {
  unsigned flags, position, n;
  std::vector<attr> attrs;
  std::string alt, src;
  if (!u8(&flags) || !be16(&position)) return false;
  if ((flags & kImageAlt) && !string(&alt)) return false;
  if ((flags & kImageSrc) && !string(&src)) return false;
  unknown_bits("IMG", flags, 0xFE);
  if (!(flags & kImageAlways)) note("IMG without its always-set flag bit");
  // The source string and the position name the same file, up to letter case.
  std::string file;
  const int named = names_ ? (*names_)(position, (flags & kImageSrc) ? &src : nullptr, &file)
                    : (file = target_(position)).empty() ? 1
                                                        : 0;
  if (named == 1) {
    note("an image of record " + std::to_string(position + 1) +
         ", which is not in the database, is written with its source name");
    file = src;
  } else if (named < 0 || !for_pagepack_) {
    // left out, or named by target alone
  } else if (web_) {
    if (!(flags & kImageSrc) || file != src)
      note("image source " + src + " is not the name of record " + std::to_string(position + 1) +
           " (" + file + ")");
    if ((flags & kImageAlt) && collapsed_text(alt) != alt)
      note("image text with white space that pagepack -w would collapse");
    file = web_href(file);
  } else if ((flags & kImageSrc) && equal_ignoring_case(file, src)) {
    file = src;
  } else if (flags & kImageSrc) {
    note("image source " + src + " is not record " + std::to_string(position + 1) + " (" + file +
         "): written as " + file);
  }
  put_value("SRC", file, &attrs);
  if (flags & kImageAlt) put_value("ALT", alt, &attrs);
  static const struct {
    unsigned bit;
    const char* name;
  } kBytes[] = {{kImageVSpace, "VSPACE"}, {kImageHSpace, "HSPACE"}, {kImageBorder, "BORDER"}};
  for (const auto& b : kBytes) {
    if (!(flags & b.bit)) continue;
    if (!u8(&n)) return false;
    put_number(b.name, n, &attrs);
  }
  if ((flags & kImageAlign) && !put_align("ALIGN", kImageAlignLetters, kImageWords, &attrs))
    return false;
  if (named >= 0) start_tag("IMG", attrs, false);
  return true;
}

bool page_decoder::form_control(unsigned code) {
  unsigned flags, a, b, c;
  std::vector<attr> attrs;
  std::string s;
  switch (code) {
    case TAG_FORM: {
      unsigned z;
      if (!u8(&a) || !u8(&b) || !u8(&flags) || !u8(&c) || !u8(&z) || !string(&s)) return false;
      if (a || b || z) note("FORM bytes that are always 0 are not: written as 0");
      if (c > 1) note("FORM method byte " + std::to_string(c) + " is neither get nor post");
      if (flags != form_flags(s.c_str()))
        note("FORM flags do not match its action: written from the action");
      if (!s.empty()) put_value("ACTION", s, &attrs);
      if (c == 1) attrs.push_back({"METHOD", "post", true});
      start_tag("FORM", attrs, true);
      return true;
    }
    case TAG_INPUT_TEXT:
    case TAG_INPUT_PASSWORD:
    case TAG_INPUT_HIDDEN: {
      unsigned size = 10, most = 0;
      if (code != TAG_INPUT_HIDDEN && (!be16(&size) || !be16(&most))) return false;
      if (!u8(&flags) || !string(&s)) return false;
      attrs.push_back({"TYPE", code == TAG_INPUT_TEXT       ? "text"
                               : code == TAG_INPUT_PASSWORD ? "password"
                                                            : "hidden",
                       true});
      unknown_bits("INPUT", flags, kInputName | kInputValue);
      if (!(flags & kInputName)) note("INPUT without its always-set flag bit");
      if (!s.empty()) put_value("NAME", s, &attrs);
      if (size != 10) put_number("SIZE", size, &attrs);
      if (most != 0) put_number("MAXLENGTH", most, &attrs);
      if (flags & kInputValue) {
        if (!string(&s)) return false;
        put_value("VALUE", s, &attrs);
      }
      start_tag("INPUT", attrs, false);
      return true;
    }
    case TAG_INPUT_CHECKBOX:
    case TAG_INPUT_SUBMIT: {
      bool box = code == TAG_INPUT_CHECKBOX;
      if (!u8(&flags)) return false;
      attrs.push_back({"TYPE", box ? "checkbox" : "submit", true});
      unknown_bits("INPUT", flags, box ? 0x0F : 0x03);
      static const struct {
        unsigned bit;
        const char* name;
      } kStrings[] = {{kInputName, "NAME"}, {kInputValue, "VALUE"}, {kInputText, "TEXT"}};
      for (const auto& f : kStrings) {
        if (!(flags & f.bit) || (!box && f.bit == kInputText)) continue;
        if (web_ && f.bit == kInputText) note("a check box with TEXT, which pagepack -w does not read");
        if (!string(&s)) return false;
        put_value(f.name, s, &attrs);
      }
      if (box && (flags & kInputChecked)) put_flag("CHECKED", &attrs);
      start_tag("INPUT", attrs, false);
      return true;
    }
    case TAG_SELECT: {
      unsigned size;
      if (!u8(&flags) || !be16(&size)) return false;
      unknown_bits("SELECT", flags, kSelectName | kSelectMultiple);
      if (flags & kSelectName) {
        if (!string(&s)) return false;
        put_value("NAME", s, &attrs);
      }
      // The size is stored less one; none and SIZE=1 both give 0.
      if (size != 0) put_number("SIZE", (size + 1) & 0xFFFF, &attrs);
      if (flags & kSelectMultiple) put_flag("MULTIPLE", &attrs);
      start_tag("SELECT", attrs, true);
      return true;
    }
    case TAG_OPTION:
      start_tag("OPTION", {}, true);
      return true;
    case TAG_OPTION_ATTRS: {
      if (!u8(&flags)) return false;
      unknown_bits("OPTION", flags, kOptionSelected | kOptionValue);
      if (flags & kOptionValue) {
        if (!string(&s)) return false;
        put_value("VALUE", s, &attrs);
      }
      if (flags & kOptionSelected) put_flag("SELECTED", &attrs);
      // Attributes pagepack does not use still make this form.
      if (attrs.empty()) put_flag("CLASS", &attrs);
      if (web_ && !flags) note("an option with attributes but none pagepack -w reads");
      start_tag("OPTION", attrs, true);
      return true;
    }
  }
  return false;
}

bool page_decoder::table_part(unsigned code) {
  unsigned flags, n;
  std::vector<attr> attrs;
  switch (code) {
    case TAG_TABLE:
      if (!u8(&flags)) return false;
      unknown_bits("TABLE", flags, 0x1F);
      if ((flags & kTableAlign) && !put_align("ALIGN", kAlignLetters, kLcrWords, &attrs))
        return false;
      if (flags & kTableWidth) {
        if (!be16(&n)) return false;
        put_number("WIDTH", n, &attrs);
      }
      {
        static const struct {
          unsigned bit;
          const char* name;
        } kBytes[] = {{kTableBorder, "BORDER"},
                      {kTableSpacing, "CELLSPACING"},
                      {kTablePadding, "CELLPADDING"}};
        for (const auto& b : kBytes) {
          if (!(flags & b.bit)) continue;
          if (!u8(&n)) return false;
          put_number(b.name, n, &attrs);
        }
      }
      start_tag("TABLE", attrs, true);
      return true;
    case TAG_TABLE_ROW:
      if (!u8(&n)) return false;
      if (n > 1) note("TR presence byte " + std::to_string(n) + " taken as 1");
      if (n && (!put_align("ALIGN", kAlignLetters, kLcrWords, &attrs) ||
                !put_align("VALIGN", kVAlignLetters, kTcbWords, &attrs)))
        return false;
      start_tag("TR", attrs, true);
      return true;
    case TAG_TABLE_DATA:
    case TAG_TABLE_HEADER:
      if (!u8(&flags)) return false;
      unknown_bits(code == TAG_TABLE_DATA ? "TD" : "TH", flags, 0x7F);
      if ((flags & kCellAlign) && !put_align("ALIGN", kAlignLetters, kLcrWords, &attrs))
        return false;
      if ((flags & kCellVAlign) && !put_align("VALIGN", kVAlignLetters, kTcbWords, &attrs))
        return false;
      {
        static const struct {
          unsigned bit;
          const char* name;
          bool word;
        } kNumbers[] = {{kCellColSpan, "COLSPAN", false},
                        {kCellRowSpan, "ROWSPAN", false},
                        {kCellHeight, "HEIGHT", true},
                        {kCellWidth, "WIDTH", true}};
        for (const auto& f : kNumbers) {
          if (!(flags & f.bit)) continue;
          if (!(f.word ? be16(&n) : u8(&n))) return false;
          put_number(f.name, n, &attrs);
        }
      }
      if (flags & kCellNoWrap) put_flag("NOWRAP", &attrs);
      start_tag(code == TAG_TABLE_DATA ? "TD" : "TH", attrs, true);
      return true;
    case TAG_TABLE_CAPTION:
      if (!u8(&n)) return false;
      if (n > 1) note("TABLECAPTION byte " + std::to_string(n) + " taken as TOP");
      // A browser knows the caption as CAPTION, placed by its ALIGN.
      if (n) {
        if (for_pagepack_) put_flag("TOP", &attrs);
        else attrs.push_back({"ALIGN", "top", true});
      }
      start_tag(for_pagepack_ ? "TABLECAPTION" : "CAPTION", attrs, true);
      return true;
  }
  return false;
}

// One element after its start byte; false when its fields run past the data.
bool page_decoder::element(unsigned code) {
  unsigned flags, a, b;
  std::vector<attr> attrs;
  switch (code) {
    case TAG_FONT_SIZE:
      if (!u8(&a)) return false;
      // The size byte is the low byte of a signed number: FF is -1.
      attrs.push_back({"SIZE", std::to_string(static_cast<int8_t>(a)), true});
      start_tag("FONT", attrs, false);
      return true;
    case TAG_BOLD:
      start_tag("B", {}, false);
      return true;
    case TAG_ITALIC:
      start_tag("I", {}, false);
      return true;
    case TAG_PARAGRAPH:
      if (!u8(&a)) return false;
      if (a > 2) note("P alignment byte " + std::to_string(a) + " names no alignment");
      if (a == 1 || a == 2) attrs.push_back({"ALIGN", kLcrWords[a], true});
      start_tag("P", attrs, true);
      return true;
    case TAG_HRULE:
      if (!u8(&flags)) return false;
      unknown_bits("HR", flags, 0x1F);
      if (flags & kRuleNoShade) put_flag("NOSHADE", &attrs);
      if ((flags & kRuleCenter) && (flags & kRuleRight)) note("HR both centred and right");
      if (flags & kRuleCenter) attrs.push_back({"ALIGN", "center", true});
      else if (flags & kRuleRight) attrs.push_back({"ALIGN", "right", true});
      if (flags & kRuleSize) {
        // A height of 0 is the same as none; WIDTH then brings the fields.
        if (!be16(&a) || !((flags & kRulePercent) ? u8(&b) : be16(&b))) return false;
        if (a) put_number("HEIGHT", a, &attrs);
        attrs.push_back({"WIDTH", std::to_string(b) + ((flags & kRulePercent) ? "%" : ""), true});
      } else if (flags & kRulePercent) {
        note("HR percent bit without its size fields");
      }
      start_tag("HR", attrs, true);
      return true;
    case TAG_H1:
      if (!u8(&a)) return false;
      if (a > 1) note("H1 presence byte " + std::to_string(a) + " taken as 1");
      if (a && !put_align("ALIGN", kAlignLetters, kLcrWords, &attrs)) return false;
      start_tag("H1", attrs, true);
      return true;
    case TAG_LINK:
      return link();
    case TAG_IMAGE:
      return image();
    case TAG_FORM:
    case TAG_INPUT_TEXT:
    case TAG_INPUT_PASSWORD:
    case TAG_INPUT_HIDDEN:
    case TAG_INPUT_CHECKBOX:
    case TAG_INPUT_SUBMIT:
    case TAG_SELECT:
    case TAG_OPTION:
    case TAG_OPTION_ATTRS:
      return form_control(code);
    default:
      return table_part(code);
  }
}

void page_decoder::keep_token(markup_token::kind_t kind) {
  if (!tokens_) return;
  if (kind == markup_token::text && !tokens_->empty() && tokens_->back().kind == kind &&
      tokens_->back().end == token_)
    tokens_->back().end = pos_;
  else
    tokens_->push_back({kind, token_, pos_});
}

bool page_decoder::body() {
  unsigned c;
  while ((token_ = pos_, u8(&c))) {
    if (marks_ && web_) {
      while (next_mark_ < marks_->size() && (*marks_)[next_mark_] < token_) next_mark_++;
      // Markup ends the parser's run of text: the reader's text starts here.
      if (next_mark_ < marks_->size() && (*marks_)[next_mark_] == token_) body_ += "<!---->";
    }
    const size_t opened = open_.size();
    if (c == kTagEnd) {
      end_tag();
      keep_token(markup_token::end_code);
    } else if (c == kLineBreak && web_) {
      web_break();
      keep_token(markup_token::line_break);
    } else if (c == kLineBreak) {
      body_ += "<BR>";
      unsigned next;
      if (layout_ && view_u8(data_, pos_, &next) && next != ' ') body_ += '\n';
      keep_token(markup_token::line_break);
    } else if (c != kTagStart) {
      text_byte(static_cast<unsigned char>(c));
      keep_token(markup_token::text);
    } else {
      size_t at = pos_ - 1;
      unsigned code;
      if (!u8(&code)) break;
      if (code == TAG_END_OF_PAGE) {
        // One zero byte pads the data to an even length.
        size_t rest = data_.length - pos_;
        if (web_) web_page_end();
        if (rest == (pos_ & 1) && (rest == 0 || data_.data[pos_] == 0)) {
          pos_ = data_.length;
          keep_token(markup_token::page_end);
          return true;
        }
        note(std::to_string(rest) + " bytes after the end of the page: left out");
        return false;
      }
      if (!element(code)) {
        char hex[8];
        snprintf(hex, sizeof hex, "%02x", code);
        note(std::string("tag code 0x") + hex + " at offset " + std::to_string(at) +
             " is not one pagepack writes, or its fields run past the data: the rest of the"
             " page is left out");
        return false;
      }
      keep_token(open_.size() > opened ? markup_token::open_element : markup_token::element);
    }
  }
  note("the page data end without the end-of-page code");
  return false;
}

// A text '&' before the last ';' of the body would start an entity and
// swallow the text up to that ';', so such an '&' cannot stay.
void page_decoder::drop_swallowing_ampersands() {
  size_t last = body_.rfind(';');
  if (last == std::string::npos || ampersands_.empty() || ampersands_[0] > last) return;
  // One pass over the body, so that many of them cost no more than one.
  std::string kept;
  kept.reserve(body_.size());
  size_t from = 0;
  for (size_t at : ampersands_) {
    if (at > last) break;
    kept.append(body_, from, at - from);
    from = at + 1;
  }
  kept.append(body_, from, std::string::npos);
  body_.swap(kept);
  note("a text '&' ahead of a ';' would begin an entity: left out");
}

// -w form. The reader keeps a space only between shown things on one line,
// one of a run; a space written waits to see what follows it.
void page_decoder::web_settle(bool inline_element) {
  auto& r = reader_;
  if (r.want_break && !r.line_start) {
    if (!r.break_kept) note("a block ends without a line break, which pagepack -w would add");
    r.line_start = true;
  }
  r.want_break = r.break_kept = false;
  if (r.space) {
    r.space = false;
    if (r.line_start || r.after_space)
      note("a space at the start of a line or after a space, which pagepack -w drops");
    else if (inline_element)
      r.after_space = true;
  }
}

void page_decoder::web_text(unsigned char c) {
  auto& r = reader_;
  web_line_start();
  if (in_pre_) {
    // Preformatted text is kept byte for byte.
    web_settle(false);
    r.line_start = false;
    r.after_space = c == ' ';
    pre_fresh_ = false;
    if (c == ' ') {
      body_ += ' ';
      return;
    }
  } else if (c == ' ') {
    if (r.space) note("a space after a space, which pagepack -w drops");
    r.space = true;
    body_ += ' ';
    return;
  }
  if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
    char hex[8];
    snprintf(hex, sizeof hex, "%02x", c);
    note(std::string("text byte 0x") + hex + ", which no Windows-1252 text gives pagepack -w");
  }
  if (!in_pre_) {
    web_settle(false);
    r.line_start = r.after_space = false;
  }
  if (c == '&')
    body_ += "&amp;";
  else if (c == '<')
    body_ += "&lt;";
  else if (c == '>')
    body_ += "&gt;";
  else
    body_ += static_cast<char>(c);
}

// A space before an end tag, a break or a block is not kept by the reader.
static const char* const kWebBlocks[] = {"P", "H1", "TABLE", "TR", "TD", "TH", "TABLECAPTION",
                                         "FORM", "OPTION", "SELECT"};

static bool web_block(const char* name) {
  for (const char* b : kWebBlocks)
    if (strcmp(b, name) == 0) return true;
  return false;
}

// Whether the HTML parser closes the innermost open element `open` when
// `name` starts in it (cells, rows, options, forms, rules).
static bool closes(const char* name, const char* open) {
  static const struct {
    const char* name;
    const char* closed;  // space-separated, each followed by a space
  } kCloses[] = {{"TD", "TD TH P "},       {"TH", "TD TH P "}, {"TR", "TD TH TR TABLECAPTION P "},
                 {"OPTION", "OPTION "},    {"HR", "P "},       {"FORM", "FORM P H1 "},
                 {"TABLECAPTION", "P "}};
  for (const auto& c : kCloses)
    if (strcmp(c.name, name) == 0) return strstr(c.closed, (std::string(open) + ' ').c_str());
  return false;
}

// Elements that the HTML parser closes when a block starts in them.
static bool closed_by_blocks(const char* name) {
  return !web_block(name) || strcmp(name, "P") == 0 || strcmp(name, "H1") == 0;
}

static std::string web_name(const char* name) {
  std::string n = strcmp(name, "TABLECAPTION") == 0 ? "CAPTION" : name;
  for (char& c : n)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return n;
}

void page_decoder::web_start(const char* name, const std::vector<attr>& attrs, bool) {
  auto& r = reader_;
  const bool is_block = web_block(name), is_rule = strcmp(name, "HR") == 0;
  if (is_block || is_rule) web_close_pre();
  if (!is_block && !is_rule) web_line_start();
  if (!open_.empty() && closes(name, open_.back()))
    note(std::string(name) + " in " + open_.back() + ", which the HTML parser of pagepack -w closes");
  const bool hidden_input = strcmp(name, "INPUT") == 0 && !attrs.empty() &&
                            attrs[0].value == "hidden";
  if (hidden_input) {
    // Written where it stands, taking no space or break.
    if (r.space) note("a space before a hidden input, which pagepack -w writes after it");
  } else if (is_block) {
    if (r.space) note("a space before a block, which pagepack -w drops");
    if (r.break_kept) note("a line break before a block, which pagepack -w drops");
    r.space = r.want_break = r.break_kept = false;
    // The parser closes an open inline element, or a paragraph, at a block.
    if (web_closed_by_blocks_)
      note(std::string(name) + " inside an inline element or a paragraph, which the HTML parser"
                               " of pagepack -w would close");
    if (strcmp(name, "SELECT") != 0) r.line_start = true;  // a SELECT is inline after
    if (layout_ && !body_.empty() && body_.back() != '\n') body_ += '\n';
  } else {
    if (is_rule && r.space) note("a space before a rule, which pagepack -w drops");
    if (is_rule) r.space = false;
    web_settle(!is_rule);
    if (is_rule) {
      r.line_start = true;
    } else if (strcmp(name, "IMG") == 0 || strcmp(name, "INPUT") == 0) {
      r.line_start = r.after_space = false;
    } else {
      if (strcmp(name, "A") == 0 && std::find_if(open_.begin(), open_.end(), [](const char* o) {
                                      return strcmp(o, "A") == 0;
                                    }) != open_.end())
        note("a link inside a link, which the HTML parser of pagepack -w would close");
    }
  }
  body_ += '<' + web_name(name);
  for (const attr& a : attrs) {
    body_ += ' ' + web_name(a.name);
    if (a.has_value) body_ += "=\"" + web_escaped(a.value) + '"';
    for (char c : a.value)
      if (c == '\t' || c == '\n' || c == '\r' || c == '\f') {
        note(std::string(a.name) + " value with white space other than spaces");
        break;
      }
  }
  body_ += '>';
  for (const char* closed : kClosedElements)
    if (strcmp(closed, name) == 0) {
      if (open_.size() >= 48) note("more than 48 elements open, which pagepack -w leaves out");
      open_.push_back(closed);
      web_open_blocks_.push_back(is_block);
      web_closed_by_blocks_ += closed_by_blocks(name);
    }
}

void page_decoder::web_end() {
  auto& r = reader_;
  if (r.space) note("a space before an end code, which pagepack -w writes after it");
  r.space = false;
  if (open_.empty()) {
    note("an end code with no element open, which pagepack -w does not write");
    return;
  }
  if (open_.size() <= pre_depth_) web_close_pre();
  body_ += "</" + web_name(open_.back()) + '>';
  if (web_open_blocks_.back() && strcmp(open_.back(), "SELECT") != 0) r.want_break = true;
  web_closed_by_blocks_ -= closed_by_blocks(open_.back());
  open_.pop_back();
  web_open_blocks_.pop_back();
}

void page_decoder::web_break() {
  auto& r = reader_;
  if (r.space) note("a space before a line break, which pagepack -w drops");
  r.space = false;
  if (r.want_break && !r.line_start && !r.break_kept) {
    r.break_kept = true;  // the break the reader adds after the block
    body_ += '\n';
    return;
  }
  if (in_pre_) web_settle(false);
  r.want_break = r.break_kept = false;
  r.line_start = true;
  body_ += in_pre_ && !pre_fresh_ ? "\n" : "<br>\n";
  pre_fresh_ = false;
}

// Whether the line from the token on holds a space the reader would not
// keep as shown text: at its start, after a space, or before a line break,
// an end code, a block or the end of the page. Bytes of tag fields may look
// so too; the <pre> they bring is exact all the same.
bool page_decoder::line_needs_pre() {
  // Tokens that leave the line at its start look again: the line is read once.
  if (token_ < line_end_) return line_needs_pre_ || data_.data[token_] == ' ';
  line_needs_pre_ = false;
  for (size_t i = line_end_ = token_; i < data_.length && data_.data[i] != kLineBreak;
       i = ++line_end_) {
    if (line_needs_pre_) continue;
    if (data_.data[i] != ' ') continue;
    const unsigned next = i + 1 < data_.length ? data_.data[i + 1] : kLineBreak;
    line_needs_pre_ = i == token_ || next == ' ' || next == kLineBreak || next == kTagEnd ||
                      (next == kTagStart && i + 2 < data_.length &&
                       !strchr("\x04\x05\x06\x11\x34", data_.data[i + 2]));
  }
  return line_needs_pre_;
}

// At the start of a line (or where a block's break waits), opens a <pre>
// when the line needs one and the HTML parser would keep it where it is:
// not inside a paragraph, a heading or an inline element.
void page_decoder::web_line_start() {
  auto& r = reader_;
  if (in_pre_ || !(r.line_start || r.break_kept) || !line_needs_pre()) return;
  if (web_closed_by_blocks_) return;
  body_ += "<pre>";
  in_pre_ = pre_fresh_ = true;
  pre_depth_ = open_.size();
  r.want_break = true;  // after the break the reader may be waiting to write
}

void page_decoder::web_close_pre() {
  if (!in_pre_) return;
  if (open_.size() > pre_depth_) note("an element open across the end of a <pre>");
  body_ += "</pre>";
  in_pre_ = false;
  reader_.want_break = true;
}

void page_decoder::web_page_end() {
  web_close_pre();
  if (reader_.space) note("a space at the end of the page, which pagepack -w drops");
  if (reader_.break_kept) note("a line break at the end of the page, which pagepack -w drops");
  if (!open_.empty()) note("elements open at the end of the page, which pagepack -w closes");
}

// The href of a file from this page: relative to the page's folder, every
// byte but letters, digits and "-._~/" escaped as %XX.
std::string page_decoder::web_href(const std::string& file) const {
  size_t common = 0;
  for (size_t i = 0; i < file_.size() && i < file.size() && file_[i] == file[i]; i++)
    if (file_[i] == '/') common = i + 1;
  std::string href;
  for (size_t i = common; i < file_.size(); i++)
    if (file_[i] == '/') href += "../";
  for (size_t i = common; i < file.size(); i++) {
    const unsigned char c = static_cast<unsigned char>(file[i]);
    if (isalnum(c) || strchr("-._~/", c)) {
      href += static_cast<char>(c);
    } else {
      char hex[4];
      snprintf(hex, sizeof hex, "%%%02X", c);
      href += hex;
    }
  }
  return href;
}

bool page_decoder::web_link(unsigned flags, const std::string& href, unsigned position,
                            const std::string& fragment) {
  std::string value;
  if (flags & kLinkRemote) {
    value = href;
    if (href.compare(0, 7, "http://") && href.compare(0, 8, "https://"))
      note("a link to " + href + ", whose scheme pagepack -w writes in lower case");
    for (char c : href)
      if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) {
        note("a link to " + href + " with a byte that pagepack -w would not keep");
        break;
      }
  } else {
    if (href.empty() || href.find('#') != std::string::npos ||
        href.compare(0, 3, "../") == 0 || href.find("/../") != std::string::npos)
      note("a link to record " + std::to_string(position + 1) +
           ", which pagepack -w cannot find from this page");
    value = web_href(href);
    if (flags & kLinkFragment) {
      value += '#' + fragment;
      // The reader drops TABs and line breaks from the href, blanks at its end.
      bool controls = false;
      for (char c : fragment) controls = controls || static_cast<unsigned char>(c) < ' ';
      if (controls || (!fragment.empty() && fragment.back() == ' '))
        note("a link fragment with a control byte or ending in a space");
    }
  }
  start_tag("A", {{"HREF", value, true}}, false);
  return true;
}

bool page_decoder::run() {
  bool whole = string(&title_);
  if (!whole) {
    note("the title runs to the end of the data");
    title_.assign(reinterpret_cast<const char*>(data_.data), data_.length);
  }
  const size_t title_bytes = title_.size();
  if (web_ && collapsed_text(title_) != title_)
    note("a title with white space that pagepack -w would collapse");
  if (!for_pagepack_) {
    title_ = html_escape(title_);
  } else if (!web_ && title_.find('<') != std::string::npos) {
    note("the title holds a '<', which would end it: left out");
    title_.erase(std::remove(title_.begin(), title_.end(), '<'), title_.end());
  }
  if (!whole) return false;
  // An odd title is followed by two zero bytes.
  unsigned pad;
  if (title_bytes & 1) {
    if (!view_u8(data_, pos_, &pad) || pad != 0)
      note("the title field lacks its second zero byte");
    else
      pos_++;
  }
  whole = body();
  if (!web_) drop_swallowing_ampersands();
  return whole;
}

std::string page_decoder::html() const {
  if (web_)
    // No white space in the head: the HTML parser would take it for the body.
    return "<!DOCTYPE html>\n<html><head><meta charset=windows-1252><title>" +
           web_escaped(title_) + "</title></head><body>\n" + body_ + "\n</body></html>\n";
  std::string page = "<HTML>\n<HEAD>\n<TITLE>" + title_ + "</TITLE>\n</HEAD>\n<BODY>";
  // A line feed would swallow a leading space.
  if (layout_ && !body_.empty() && body_[0] != ' ' && body_[0] != '\n') page += '\n';
  page += body_;
  page += layout_ ? "\n</BODY>\n</HTML>\n" : "</BODY></HTML>\n";
  return page;
}

}  // namespace

bool decode_byte_markup(byte_view data, const char* label,
                        const std::function<std::string(unsigned position)>& target,
                        std::string* html, bool for_pagepack, const position_namer* names,
                        const char* web_file, const std::vector<size_t>* marks) {
  if (for_pagepack && web_file) {
    page_decoder web(data, label, target, true, true, names, web_file);
    web.set_marks(marks);
    const bool whole = web.run();
    *html = web.html();
    web.tell();
    return whole;
  }
  page_decoder laid_out(data, label, target, true, for_pagepack, names);
  bool whole = laid_out.run();
  *html = laid_out.html();
  if (html->size() <= kPageTextMax || !for_pagepack) {
    laid_out.tell();
    return whole;
  }
  // pagepack reads only so much of a page: try without the line breaks.
  page_decoder compact(data, label, target, false, true, names);
  whole = compact.run();
  *html = compact.html();
  compact.tell();
  if (html->size() > kPageTextMax && label)
    message("%s: the page takes %zu bytes of HTML, more than the %zu pagepack reads", label,
            html->size(), kPageTextMax);
  return whole;
}

size_t byte_markup_problems(byte_view data,
                            const std::function<std::string(unsigned position)>& target,
                            const char* web_file) {
  page_decoder laid_out(data, "", target, true, true, nullptr, web_file);
  size_t problems = laid_out.run() ? 0 : 1;
  if (web_file || laid_out.html().size() <= kPageTextMax) return problems + laid_out.problems();
  page_decoder compact(data, "", target, false);
  problems = compact.run() ? 0 : 1;
  return problems + compact.problems() + (compact.html().size() > kPageTextMax);
}

bool byte_markup_tokens(byte_view data, std::vector<markup_token>* tokens) {
  const std::function<std::string(unsigned)> any = [](unsigned) { return std::string("x"); };
  page_decoder reader(data, nullptr, any, false, false);
  tokens->clear();
  reader.keep_tokens(tokens);
  return reader.run();
}
