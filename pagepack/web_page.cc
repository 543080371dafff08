#include "web_page.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "charset.h"
#include "command_line.h"
#include "common/byte_markup.h"
#include "common/tag_codes.h"
#include "html_parser.h"
#include "html_text.h"
#include "image_record.h"
#include "input_file.h"
#include "message.h"
#include "record_writer.h"
#include "site_paths.h"
#include "style_rules.h"
#include "tag_encoder.h"

namespace {

// What a start tag does to the page.
enum class role {
  inline_text,    // no code, no break: span, code, abbr, unknown elements ...
  hidden,         // neither it nor its content is shown
  block,          // a line break where it begins and where it ends
  encoded,        // an element of the record vocabulary, closed by an end code
  encoded_block,  // the same, and its own break on the handheld (P, H1, TABLE ...)
  void_element,   // BR, HR, IMG, INPUT: no end code
  bold_line,      // h2-h6: a bold line
  list,           // ul, ol, menu, dir
  list_item,
  term,          // dt
  definition,    // dd
  preformatted,  // pre, listing, xmp, plaintext, textarea
  button,
};

struct mapping {
  const char* html;
  role what;
  const char* code;  // the vocabulary's element, for the encoded roles
};

const mapping kMappings[] = {
    {"a", role::encoded, "A"},
    {"address", role::block, nullptr},
    {"article", role::block, nullptr},
    {"aside", role::block, nullptr},
    {"audio", role::hidden, nullptr},
    {"b", role::encoded, "B"},
    {"blockquote", role::block, nullptr},
    {"br", role::void_element, "BR"},
    {"button", role::button, nullptr},
    {"canvas", role::hidden, nullptr},
    {"caption", role::encoded_block, "TABLECAPTION"},
    {"center", role::block, nullptr},
    {"cite", role::encoded, "I"},
    {"datalist", role::hidden, nullptr},
    {"dd", role::definition, nullptr},
    {"details", role::block, nullptr},
    {"dfn", role::encoded, "I"},
    {"dialog", role::hidden, nullptr},
    {"dir", role::list, nullptr},
    {"div", role::block, nullptr},
    {"dl", role::block, nullptr},
    {"dt", role::term, nullptr},
    {"em", role::encoded, "I"},
    {"fieldset", role::block, nullptr},
    {"figcaption", role::block, nullptr},
    {"figure", role::block, nullptr},
    {"font", role::encoded, "FONT"},
    {"footer", role::block, nullptr},
    {"form", role::encoded_block, "FORM"},
    {"h1", role::encoded_block, "H1"},
    {"h2", role::bold_line, nullptr},
    {"h3", role::bold_line, nullptr},
    {"h4", role::bold_line, nullptr},
    {"h5", role::bold_line, nullptr},
    {"h6", role::bold_line, nullptr},
    {"head", role::hidden, nullptr},
    {"header", role::block, nullptr},
    {"hgroup", role::block, nullptr},
    {"hr", role::void_element, "HR"},
    {"i", role::encoded, "I"},
    {"iframe", role::hidden, nullptr},
    {"img", role::void_element, "IMG"},
    {"input", role::void_element, "INPUT"},
    {"legend", role::block, nullptr},
    {"li", role::list_item, nullptr},
    {"listing", role::preformatted, nullptr},
    {"main", role::block, nullptr},
    {"map", role::inline_text, nullptr},
    {"menu", role::list, nullptr},
    {"nav", role::block, nullptr},
    {"noembed", role::hidden, nullptr},
    {"noframes", role::hidden, nullptr},
    {"ol", role::list, nullptr},
    {"option", role::encoded_block, "OPTION"},
    {"p", role::encoded_block, "P"},
    {"plaintext", role::preformatted, nullptr},
    {"pre", role::preformatted, nullptr},
    {"script", role::hidden, nullptr},
    {"section", role::block, nullptr},
    {"select", role::encoded, "SELECT"},
    {"strong", role::encoded, "B"},
    {"style", role::hidden, nullptr},
    {"summary", role::block, nullptr},
    {"svg", role::hidden, nullptr},
    {"table", role::encoded_block, "TABLE"},
    {"td", role::encoded_block, "TD"},
    {"template", role::hidden, nullptr},
    {"textarea", role::preformatted, nullptr},
    {"th", role::encoded_block, "TH"},
    {"title", role::hidden, nullptr},
    {"tr", role::encoded_block, "TR"},
    {"ul", role::list, nullptr},
    {"var", role::encoded, "I"},
    {"video", role::hidden, nullptr},
    {"xmp", role::preformatted, nullptr},
};

const mapping* find_mapping(const char* name) {
  auto hit =
      std::lower_bound(std::begin(kMappings), std::end(kMappings), name,
                       [](const mapping& m, const char* n) { return strcmp(m.html, n) < 0; });
  return hit != std::end(kMappings) && strcmp(hit->html, name) == 0 ? hit : nullptr;
}

// Style sheets: at most this many bytes of one are read, and this many
// sheets are kept for the pages that link them.
constexpr size_t kMaxStyleSheet = 1 << 20;
constexpr size_t kMaxStyleSheets = 64;

// Encoded elements open deeper than this are read as their content alone,
// so that the end codes a part must write stay few.
constexpr size_t kMaxOpenElements = 48;
constexpr size_t kMaxListIndent = 8;  // levels of a nested list item's indent

// Bytes a part keeps for its ending: a line break, the link to the next part
// (01 11 00 04 and the position), "More »", its end code, the end of page
// and a pad byte; plus one end code for every open element.
constexpr char kMoreText[] = "More \xBB";
constexpr size_t kPartEnding = 1 + 6 + sizeof kMoreText - 1 + 1 + 2 + 1;

typedef std::vector<std::pair<std::string, std::string>> pairs;

// The attributes handed to the encoder: a list of pairs over strings that
// live as long as the list.
class attribute_pairs {
 public:
  explicit attribute_pairs(const pairs& p) : strings_(p) {
    nodes_.resize(strings_.size());
    for (size_t i = 0; i < strings_.size(); i++)
      nodes_[i] = attribute{&strings_[i].first[0], &strings_[i].second[0],
                            i + 1 < strings_.size() ? &nodes_[i + 1] : nullptr};
  }
  attribute* list() { return nodes_.empty() ? nullptr : &nodes_[0]; }

 private:
  pairs strings_;
  std::vector<attribute> nodes_;
};

struct open_list {
  bool numbered;  // an <ol>; the others show bullets
  int next;       // the next item's number
};

struct open_frame {
  role what;
  bool shows;           // the element and its content are shown
  bool encoded;         // an end code follows its content
  bool closed_details;  // a <details> without "open": only its <summary> is shown
  bool foreign;         // <svg> or <math>: a <title> in it is not the page's
};

class web_page_reader : public html_handler {
 public:
  web_page_reader(const char* url) : url_(url), base_(base_of(url)) {}

  void start(const char* name, const char* const* attrs) override;
  void end(const char* name) override;
  void text(const char* utf8, size_t n) override;
  std::vector<std::string> finish();

 private:
  // Output, through the record of the part being written.
  void begin_part();
  void end_part(bool last);
  void next_part();
  void set_room();
  bool put_element(const char* code, const pairs& attrs);
  bool fits_new_part(const char* code, const pairs& attrs) const;
  std::string part_name(int part) const {
    return part == 1 ? std::string(url_) : std::string(url_) + "~" + std::to_string(part);
  }
  void put_end();
  void put_text(const std::string& bytes);
  void put_break();
  void start_page();     // the first record, with the title as it stands then
  void settle();         // writes the break that waits for the next content
  void settle_inline();  // and the space: it stands before an inline element, not in it
  void content_written();

  void block_edge() { want_break_ = true; }
  void shown_text(const char* utf8, size_t n);
  void pre_text(const char* utf8, size_t n);
  void open_element(const char* code, const pairs& attrs, open_frame* f, bool block = false);
  void start_shown(const char* name, const mapping* m, const pairs& attrs, open_frame* f);
  void start_link(const pairs& attrs, open_frame* f);
  void start_image(const pairs& attrs);
  void start_input(const pairs& attrs);
  void link_style_sheet(const char* const* attrs);
  bool drawn(const char* name, role what, const char* const* attrs) const;
  std::string cp1252(const std::string& utf8) { return charset_.convert(utf8); }

  const char* url_;
  page_base base_;
  cp1252_text charset_;
  std::vector<open_frame> frames_;
  int hidden_ = 0;          // open elements not shown
  int pre_ = 0;             // open preformatted elements
  bool pre_fresh_ = false;  // right after a <pre>: its first line break is not shown
  unsigned column_ = 0;     // in preformatted text, for TAB stops
  std::string title_;       // UTF-8
  bool in_title_ = false, have_title_ = false;
  int foreign_ = 0;     // open <svg> and <math> elements
  std::string button_;  // the text of the open <button>, UTF-8
  int in_button_ = 0;
  pairs button_attrs_;
  std::vector<open_list> lists_;
  hidden_selectors styled_hidden_;       // what the page's style sheets do not display
  std::set<std::string> linked_sheets_;  // each applied once
  std::string style_;                    // the text of the open <style>
  bool in_style_ = false;

  // The part being written.
  bool started_ = false;
  int part_ = 0;
  std::vector<std::string> records_;
  record_writer w_{};
  size_t data_offset_ = 0, limit_ = 0;
  std::string part_title_;                           // Windows-1252
  std::vector<std::pair<std::string, pairs>> open_;  // encoded elements awaiting their end code
  bool line_start_ = true, want_break_ = false, want_space_ = false;
  bool after_space_ = false;  // the last thing written is a space: white space adds none
  bool stopped_ = false;      // the queue is full: the rest of the page is left out
  size_t dropped_ = 0;
};

pairs pairs_of(const char* const* attrs) {
  pairs p;
  for (size_t i = 0; attrs[i]; i += 2) p.emplace_back(attrs[i], attrs[i + 1] ? attrs[i + 1] : "");
  return p;
}

const std::string* value_of(const pairs& p, const char* name) {
  for (const auto& a : p)
    if (strcasecmp(a.first.c_str(), name) == 0) return &a.second;
  return nullptr;
}

// An integer attribute (start, value) as HTML reads one: blanks, a sign,
// digits, anything after. `out` is kept when there are no digits or the
// number passes an int.
void html_integer(const std::string& s, int* out) {
  size_t i = 0;
  while (i < s.size() && is_html_space(s[i])) i++;
  bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) i++;
  long long n = 0;
  size_t digits = i;
  for (; i < s.size() && isdigit(static_cast<unsigned char>(s[i])); i++) {
    n = n * 10 + (s[i] - '0');
    if (n > 1LL + INT_MAX) return;
  }
  if (i == digits) return;
  if (negative) n = -n;
  if (n >= INT_MIN && n <= INT_MAX) *out = static_cast<int>(n);
}

const char* raw_value(const char* const* attrs, const char* name) {
  for (size_t i = 0; attrs[i]; i += 2)
    if (strcasecmp(attrs[i], name) == 0) return attrs[i + 1] ? attrs[i + 1] : "";
  return nullptr;
}

// An element a browser does not draw: hidden, or display: none in its style.
bool not_drawn(const char* const* attrs) {
  if (!attrs[0]) return false;
  if (raw_value(attrs, "hidden")) return true;
  const char* style = raw_value(attrs, "style");
  if (!style) return false;
  std::string s;
  for (; *style; style++)
    if (!is_html_space(*style)) s += static_cast<char>(tolower(static_cast<unsigned char>(*style)));
  return s.find("display:none") != std::string::npos;
}

std::string collapsed(const std::string& utf8) {
  std::string out;
  bool space = false;
  for (char c : utf8) {
    if (is_html_space(c)) {
      space = !out.empty();
    } else {
      if (space) out += ' ';
      space = false;
      out += c;
    }
  }
  return out;
}

void web_page_reader::set_room() {
  size_t reserve = kPartEnding + open_.size();
  w_.end = limit_ > data_offset_ + reserve ? limit_ - reserve : data_offset_;
}

void web_page_reader::begin_part() {
  part_++;
  int offset = begin_record(part_name(part_).c_str(), kContentPage);
  data_offset_ = static_cast<size_t>(offset);
  limit_ = data_offset_ + record_data_room(data_offset_ - kPqaHeaderSize);
  w_ = make_writer(RecordBuffer, data_offset_, limit_);
  // The title field, cut to a quarter of the room at most.
  std::string title =
      part_title_.substr(0, std::min(part_title_.size(), (limit_ - data_offset_) / 4));
  put_bytes(&w_, title.data(), title.size());
  if (title.size() & 1) put_byte(&w_, 0);
  put_byte(&w_, 0);
  std::vector<std::pair<std::string, pairs>> reopen;
  reopen.swap(open_);
  set_room();
  for (const auto& e : reopen) {
    attribute_pairs a(e.second);
    if (encode_element(&w_, e.first.c_str(), a.list()) == 0) open_.push_back(e);
    set_room();
  }
  line_start_ = true;
  want_break_ = false;
}

void web_page_reader::end_part(bool last) {
  w_.end = limit_;
  w_.full = false;
  for (size_t i = open_.size(); i-- > 0;) encode_end(&w_);
  if (!last) {
    std::string next = part_name(part_ + 1);
    if (find_or_queue_record(next.c_str(), kContentPage) < 0) {
      stopped_ = true;
    } else {
      put_byte(&w_, kLineBreak);
      pairs href = {{"HREF", next}};
      attribute_pairs a(href);
      encode_element(&w_, "A", a.list());
      put_bytes(&w_, kMoreText, sizeof kMoreText - 1);
      encode_end(&w_);
    }
  }
  put_byte(&w_, kTagStart);
  put_byte(&w_, TAG_END_OF_PAGE);
  if ((w_.pos - data_offset_) & 1) put_byte(&w_, 0);
  size_t size = finish_record(w_.pos - data_offset_);
  records_.emplace_back(reinterpret_cast<const char*>(RecordBuffer), size);
}

void web_page_reader::next_part() {
  end_part(false);
  if (!stopped_) begin_part();
}

// The first content of the page starts its first record, with the title as
// it stands then: the file's name when no <title> came before.
void web_page_reader::start_page() {
  if (started_) return;
  started_ = true;
  part_title_ = cp1252(have_title_ ? collapsed(title_) : std::string(url_));
  begin_part();
}

void web_page_reader::settle() {
  start_page();
  if (want_break_ && !line_start_) put_break();
  want_break_ = false;
}

void web_page_reader::settle_inline() {
  settle();
  if (want_space_ && !line_start_ && !after_space_) put_text(" ");
  want_space_ = false;
}

// An image or a control: a space may follow it.
void web_page_reader::content_written() {
  line_start_ = false;
  after_space_ = false;
}

void web_page_reader::put_break() {
  start_page();
  if (stopped_) return;
  if (!put_byte(&w_, kLineBreak)) {
    next_part();
    if (stopped_) return;
  }
  line_start_ = true;
  want_space_ = false;
}

// Whether the element fits the next part, after its title and the open
// elements that part opens again. Tried aside, queuing nothing, so that an
// element too large for any part does not end the part it stands in.
bool web_page_reader::fits_new_part(const char* code, const pairs& attrs) const {
  static unsigned char scratch[kRecordBufferSize];
  size_t data_room = record_data_room(url_field_length(part_name(part_ + 1).c_str()));
  size_t title = std::min(part_title_.size(), data_room / 4);
  size_t room = data_room - title - (title & 1) - 1 - kPartEnding - open_.size();
  record_writer trial = make_writer(scratch, 0, std::min(room, sizeof scratch));
  queue_references = false;
  bool fits = true;
  for (const auto& e : open_) {
    attribute_pairs a(e.second);
    fits = fits && encode_element(&trial, e.first.c_str(), a.list()) == 0;
  }
  attribute_pairs b(attrs);
  fits = fits && encode_element(&trial, code, b.list()) == 0;
  queue_references = true;
  return fits;
}

bool web_page_reader::put_element(const char* code, const pairs& attrs) {
  start_page();  // a hidden input may come before anything shown
  if (stopped_) return false;
  attribute_pairs a(attrs);
  if (encode_element(&w_, code, a.list()) == 0) return true;
  if (!w_.full) return false;  // refused, not cut
  w_.full = false;
  if (!fits_new_part(code, attrs)) {
    dropped_++;
    return false;
  }
  next_part();
  if (stopped_) return false;
  attribute_pairs c(attrs);
  return encode_element(&w_, code, c.list()) == 0;
}

// The room of the part kept a byte for every open element's end code.
void web_page_reader::put_end() {
  if (!stopped_) encode_end(&w_);
}

// Text bytes, cut at a space where a part ends; a word longer than a
// whole part is cut where the part is full.
void web_page_reader::put_text(const std::string& bytes) {
  start_page();
  size_t at = 0;
  bool broke = false;
  while (at < bytes.size() && !stopped_) {
    size_t room = room_left(&w_), n = bytes.size() - at;
    if (n > room) {
      size_t space = bytes.rfind(' ', at + room);
      n = space != std::string::npos && space >= at ? space - at : broke ? room : 0;
    }
    put_bytes(&w_, bytes.data() + at, n);
    at += n;
    if (at < bytes.size()) {
      next_part();
      broke = true;
      while (at < bytes.size() && bytes[at] == ' ') at++;
    }
  }
  if (!bytes.empty()) {
    line_start_ = false;
    after_space_ = bytes.back() == ' ';
  }
}

// Runs of white space become one space; none at the start of a line.
void web_page_reader::shown_text(const char* utf8, size_t n) {
  std::string bytes;
  charset_.convert(utf8, n, &bytes);
  std::string run;
  run.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    if (is_html_space(bytes[i])) {
      want_space_ = true;
      while (i < bytes.size() && is_html_space(bytes[i])) i++;
      continue;
    }
    if (run.empty()) {
      settle();
      if (want_space_ && !line_start_ && !after_space_) run += ' ';
    } else if (want_space_) {
      run += ' ';
    }
    want_space_ = false;
    size_t j = i;
    while (j < bytes.size() && !is_html_space(bytes[j])) j++;
    run.append(bytes, i, j - i);
    i = j;
  }
  put_text(run);
}

// Preformatted text keeps its spaces; a line feed is a line break, a TAB
// goes to the next multiple of eight columns.
void web_page_reader::pre_text(const char* utf8, size_t n) {
  settle_inline();
  std::string run;
  for (size_t i = 0; i < n; i++) {
    char c = utf8[i];
    if (pre_fresh_ && c == '\n') {
      pre_fresh_ = false;
      continue;
    }
    pre_fresh_ = false;
    if (c == '\r') {
      if (i + 1 < n && utf8[i + 1] == '\n') continue;
      c = '\n';
    }
    if (c == '\n') {
      put_text(cp1252(run));
      run.clear();
      put_break();
      column_ = 0;
    } else if (c == '\t') {
      do run += ' ';
      while (++column_ % 8);
    } else {
      run += c;
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) column_++;
    }
  }
  put_text(cp1252(run));
}

void web_page_reader::text(const char* utf8, size_t n) {
  if (in_title_) title_.append(utf8, n);
  if (in_style_ && style_.size() < kMaxStyleSheet) style_.append(utf8, n);
  if (hidden_ || stopped_ || (!frames_.empty() && frames_.back().closed_details)) return;
  if (in_button_) {
    button_.append(utf8, n);
  } else if (pre_) {
    pre_text(utf8, n);
  } else {
    shown_text(utf8, n);
  }
}

void web_page_reader::open_element(const char* code, const pairs& attrs, open_frame* f,
                                   bool block) {
  if (open_.size() >= kMaxOpenElements) return;
  if (block) {
    want_break_ = false;  // the element breaks the line itself
    want_space_ = false;
    settle();
  } else {
    settle_inline();
  }
  if (!put_element(code, attrs)) return;
  open_.emplace_back(code, attrs);
  set_room();
  f->encoded = true;
}

void web_page_reader::start_link(const pairs& attrs, open_frame* f) {
  const std::string* href = value_of(attrs, "href");
  if (!href) return;  // an anchor that only names a place: its text alone
  link_target t = resolve_link(*href, base_, false);
  if (t.kind == target_kind::none) return;
  std::string target = t.url;  // the file's own bytes, as its record is named
  if (t.kind == target_kind::image) find_or_queue_record(t.url.c_str(), kContentImage);
  if (t.has_fragment) target += "#" + cp1252(t.fragment);
  open_element("A", {{"HREF", target}}, f);
}

void web_page_reader::start_image(const pairs& attrs) {
  const std::string* src = value_of(attrs, "src");
  const std::string* alt = value_of(attrs, "alt");
  link_target t = src ? resolve_link(*src, base_, true) : link_target{};
  if (t.kind != target_kind::image) {
    // An image that cannot be packed (SVG, remote, missing) shows its alt text.
    if (alt) shown_text(alt->data(), alt->size());
    return;
  }
  pairs p = {{"SRC", t.url}};
  if (alt) p.emplace_back("ALT", cp1252(collapsed(*alt)));
  for (const char* name : {"align", "border", "hspace", "vspace"})
    if (const std::string* v = value_of(attrs, name)) p.emplace_back(name, cp1252(*v));
  settle_inline();
  if (put_element("IMG", p)) content_written();
}

void web_page_reader::start_input(const pairs& attrs) {
  const std::string* type_attr = value_of(attrs, "type");
  std::string type = ascii_lower(type_attr ? *type_attr : "text");
  // The nearest control the vocabulary has.
  if (type == "radio")
    type = "checkbox";
  else if (type == "reset" || type == "button" || type == "image")
    type = "submit";
  else if (type == "file" || type == "range" || type == "color")
    return;
  else if (type != "password" && type != "checkbox" && type != "hidden" && type != "submit")
    type = "text";  // email, search, url, number, tel, date ... and unknown types
  pairs p = {{"TYPE", type}};
  for (const char* name : {"name", "value", "size", "maxlength", "checked"})
    if (const std::string* v = value_of(attrs, name)) p.emplace_back(name, cp1252(*v));
  if (type != "hidden") settle_inline();
  if (put_element("INPUT", p) && type != "hidden") content_written();
}

void web_page_reader::start_shown(const char* name, const mapping* m, const pairs& attrs,
                                  open_frame* f) {
  role what = m ? m->what : role::inline_text;
  switch (what) {
    case role::inline_text:
    case role::hidden:
      break;
    case role::block:
      block_edge();
      break;
    case role::encoded:
      if (strcmp(name, "a") == 0) {
        start_link(attrs, f);
      } else if (strcmp(name, "font") == 0) {
        if (const std::string* size = value_of(attrs, "size"))
          open_element("FONT", {{"SIZE", *size}}, f);
      } else if (strcmp(name, "select") == 0) {
        pairs p;
        for (const char* n : {"name", "size", "multiple"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
        block_edge();
        open_element("SELECT", p, f, true);
      } else {
        open_element(m->code, {}, f);
      }
      break;
    case role::encoded_block: {
      pairs p;
      if (strcmp(name, "form") == 0) {
        for (const char* n : {"action", "method"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
      } else if (strcmp(name, "option") == 0) {
        for (const char* n : {"value", "selected"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
      } else {
        for (const auto& a : attrs) p.emplace_back(a.first, cp1252(a.second));
      }
      open_element(m->code, p, f, true);
      if (f->encoded)
        line_start_ = true;
      else
        block_edge();
      want_break_ = false;
      break;
    }
    case role::void_element:
      if (strcmp(name, "br") == 0) {
        settle();
        put_break();
      } else if (strcmp(name, "hr") == 0) {
        pairs p;
        for (const auto& a : attrs) p.emplace_back(a.first, cp1252(a.second));
        settle();
        put_element("HR", p);
        line_start_ = true;
      } else if (strcmp(name, "img") == 0) {
        start_image(attrs);
      } else {
        start_input(attrs);
      }
      break;
    case role::bold_line:
      block_edge();
      open_element("B", {}, f);
      break;
    case role::list: {
      block_edge();
      open_list list{strcmp(name, "ol") == 0, 1};
      if (const std::string* s = value_of(attrs, "start")) html_integer(*s, &list.next);
      lists_.push_back(list);
      break;
    }
    case role::list_item: {
      block_edge();
      settle();
      // Two spaces a level, to a depth the handheld's 160 pixels still show.
      const size_t levels = lists_.empty() ? 0 : std::min(lists_.size() - 1, kMaxListIndent);
      std::string marker(2 * levels, '\xA0');
      if (!lists_.empty() && lists_.back().numbered) {
        int& next = lists_.back().next;
        if (const std::string* v = value_of(attrs, "value")) html_integer(*v, &next);
        marker += std::to_string(next) + ". ";
        if (next < INT_MAX) next++;  // browsers hold the count at the largest int
      } else {
        marker += "\x95 ";
      }
      put_text(marker);
      break;
    }
    case role::term:
      block_edge();
      break;
    case role::definition:
      block_edge();
      settle();
      put_text("\xA0\xA0\xA0");
      break;
    case role::preformatted:
      block_edge();
      pre_++;
      pre_fresh_ = true;
      column_ = 0;
      break;
    case role::button:
      if (!in_button_++) {
        button_.clear();
        button_attrs_ = attrs;
      }
      break;
  }
}

// The text of a local style sheet, read once a run.
const std::string& style_sheet(const std::string& url) {
  static std::map<std::string, std::string> sheets;
  static const std::string none;
  auto hit = sheets.find(url);
  if (hit != sheets.end()) return hit->second;
  if (sheets.size() >= kMaxStyleSheets) return none;
  std::string css;
  stdio_file f = open_input(url.c_str());
  if (f) {
    char buf[65536];
    size_t n;
    while (css.size() < kMaxStyleSheet && (n = fread(buf, 1, sizeof buf, f.get())) > 0)
      css.append(buf, n);
  }
  return sheets.emplace(url, std::move(css)).first->second;
}

void web_page_reader::link_style_sheet(const char* const* attrs) {
  const char* rel = raw_value(attrs, "rel");
  const char* href = raw_value(attrs, "href");
  if (!rel || !href || !strcasestr(rel, "stylesheet") || strcasestr(rel, "alternate")) return;
  const char* media = raw_value(attrs, "media");
  if (media && !strcasestr(media, "screen") && !strcasestr(media, "all")) return;
  std::string url = local_file_url(href, base_);
  // A sheet linked again is not read again: time stays linear in the page.
  if (!url.empty() && linked_sheets_.insert(url).second)
    styled_hidden_.apply(read_style_rules(style_sheet(url)));
}

bool web_page_reader::drawn(const char* name, role what, const char* const* attrs) const {
  return what != role::hidden && !not_drawn(attrs) && !styled_hidden_.hides(name, attrs);
}

void web_page_reader::start(const char* name, const char* const* attrs) {
  const mapping* m = find_mapping(name);
  role what = m ? m->what : role::inline_text;
  // Only the elements that read their attributes get them as pairs.
  pairs p;
  if (attrs[0] && what != role::inline_text && what != role::block && what != role::hidden &&
      what != role::term)
    p = pairs_of(attrs);
  open_frame f{what, false, false, false, false};
  bool in_closed =
      !frames_.empty() && frames_.back().closed_details && strcmp(name, "summary") != 0;
  if (strcmp(name, "svg") == 0 || strcmp(name, "math") == 0) {
    f.foreign = true;
    foreign_++;
  }
  if (strcmp(name, "title") == 0 && !have_title_ && !foreign_) in_title_ = true;
  if (strcmp(name, "base") == 0) {
    if (const char* href = raw_value(attrs, "href")) base_ = with_base_href(base_, href);
  }
  if (strcmp(name, "style") == 0) {
    in_style_ = true;
    style_.clear();
  }
  if (strcmp(name, "link") == 0) link_style_sheet(attrs);
  if (in_button_ && !hidden_) {
    f.shows = drawn(name, what, attrs);  // the text of what a button draws is its label
    if (f.shows) f.what = role::inline_text;
  } else if (!hidden_ && !stopped_ && !in_closed && drawn(name, what, attrs)) {
    f.shows = true;
    f.closed_details = strcmp(name, "details") == 0 && !raw_value(attrs, "open");
    start_shown(name, m, p, &f);
  }
  if (!f.shows) hidden_++;
  frames_.push_back(f);
}

void web_page_reader::end(const char*) {
  if (frames_.empty()) return;
  open_frame f = frames_.back();
  frames_.pop_back();
  if (f.foreign) foreign_--;
  if (in_style_ && f.what == role::hidden) {
    in_style_ = false;
    styled_hidden_.apply(read_style_rules(style_));
    style_.clear();
  }
  if (in_title_ && f.what == role::hidden) {
    in_title_ = false;
    have_title_ = true;
  }
  if (!f.shows) {
    hidden_--;
    return;
  }
  if (stopped_) return;
  switch (f.what) {
    case role::list:
      if (!lists_.empty()) lists_.pop_back();
      block_edge();
      break;
    case role::preformatted:
      pre_--;
      block_edge();
      break;
    case role::button:
      if (--in_button_ == 0) {
        pairs p = {{"TYPE", "submit"}, {"VALUE", cp1252(collapsed(button_))}};
        if (const std::string* n = value_of(button_attrs_, "name"))
          p.emplace_back("NAME", cp1252(*n));
        settle_inline();
        if (put_element("INPUT", p)) content_written();
      }
      break;
    default:
      break;
  }
  if (f.encoded) {
    if (!open_.empty()) open_.pop_back();
    set_room();
    put_end();
  }
  if (f.what == role::block || f.what == role::encoded_block || f.what == role::bold_line ||
      f.what == role::list_item || f.what == role::term || f.what == role::definition)
    block_edge();
}

std::vector<std::string> web_page_reader::finish() {
  // Elements the parser left open at the end of the text are closed here.
  while (!frames_.empty()) end("");
  if (!started_) {
    settle();  // an empty page still gets its record
  }
  if (!stopped_) {
    open_.clear();
    end_part(true);
  }
  if (dropped_)
    message("%s: %zu element%s too large for a record, left out", url_, dropped_,
            dropped_ == 1 ? "" : "s");
  if (charset_.unknown)
    message("%s: %zu character%s not in Windows-1252, shown as '?'", url_, charset_.unknown,
            charset_.unknown == 1 ? "" : "s");
  if (stopped_)
    message("%s: database full, cut after part %zu", url_, records_.size());
  else if (records_.size() > 1)
    message("%s: in %zu parts", url_, records_.size());
  return std::move(records_);
}

// Parts made but not yet stored, by queue position.
std::map<int, std::string> waiting_parts;

bool read_whole_file(const char* name, std::string* out) {
  const char* why = nullptr;
  errno = 0;
  stdio_file f = open_input(name, &why);
  if (!f) {
    if (errno != ENOENT) message("%s: %s, left out", name, why ? why : "cannot be read");
    return false;
  }
  struct stat st;
  if (fstat(fileno(f.get()), &st) == 0 && st.st_size > 0)
    out->reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f.get())) > 0) out->append(buf, n);
  if (ferror(f.get())) {
    message("%s: read error, left out", name);
    return false;
  }
  return true;
}

int append(pi_file_t* pf, std::string record, int uid) {
  printf("record size = %u\n", static_cast<unsigned>(record.size()));
  int result =
      pi_file_append_record(pf, &record[0], record.size(), 0, 0, static_cast<recordid_t>(uid));
  printf("pi_file_append_record = %d\n", result);
  return 0;
}

}  // namespace

std::vector<std::string> build_web_records(const needed_record* rec) {
  std::string page;
  if (!read_whole_file(rec->filename, &page)) return {};
  if (url_field_length(rec->filename) + 8 > kMaxUrlField) {
    message("%s: name too long for a record, left out", rec->filename);
    return {};
  }
  web_page_reader reader(rec->filename);
  parse_html(page_to_utf8(page, page_encoding(page)), &reader);
  return reader.finish();
}

int compile_web_record(pi_file_t* pf, const needed_record* rec, int uid) {
  auto waiting = waiting_parts.find(uid - 1);
  if (waiting != waiting_parts.end()) {
    append(pf, waiting->second, uid);
    waiting_parts.erase(waiting);
    return 0;
  }
  if (rec->type != kContentPage) return compile_image(pf, rec, uid);
  std::vector<std::string> records = build_web_records(rec);
  if (records.empty()) return -1;
  for (size_t k = 1; k < records.size(); k++) {
    std::string part = std::string(rec->filename) + "~" + std::to_string(k + 1);
    waiting_parts[find_or_queue_record(part.c_str(), kContentPage)] = std::move(records[k]);
  }
  return append(pf, records[0], uid);
}

int queue_web_input(const char* arg) {
  std::string url = input_url(arg);
  if (url.empty()) {
    message("%s: outside the working directory, left out", arg);
    return -1;
  }
  // --page=NAME and --image=NAME say an input's kind here too.
  auto given = options.input_kinds.find(arg);
  uint8_t kind = kContentPage;
  if (given != options.input_kinds.end())
    kind = given->second;
  else if (local_file_kind(url) == target_kind::image)
    kind = kContentImage;
  return find_or_queue_record(url.c_str(), kind);
}
