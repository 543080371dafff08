#include "markup/markup_filter.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

// Length of the entity reference at s (after its '&'), or 0 when there is
// none: a name of letters and digits or a decimal or hex number, then ';'.
static size_t entity_length(const std::string& s, size_t amp) {
  size_t i = amp + 1, start;
  if (i < s.size() && s[i] == '#') {
    i++;
    bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
    if (hex) i++;
    start = i;
    while (i < s.size() && i - start < 7 &&
           (hex ? isxdigit(static_cast<unsigned char>(s[i])) : isdigit(static_cast<unsigned char>(s[i]))))
      i++;
  } else {
    start = i;
    while (i < s.size() && i - start < 10 && isalnum(static_cast<unsigned char>(s[i]))) i++;
  }
  if (i == start || i >= s.size() || s[i] != ';') return 0;
  return i + 1 - amp;
}

std::string html_escape(const std::string& text, bool keep_entities) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&': {
        size_t n = keep_entities ? entity_length(text, i) : 0;
        if (n) {
          out.append(text, i, n);
          i += n - 1;
        } else {
          out += "&amp;";
        }
        break;
      }
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if ((c >= 0x20 && c != 0x7F) || c == '\t' || c == '\n') out += static_cast<char>(c);
    }
  }
  return out;
}

namespace {

// An element that may appear in a preview page, and its attributes.
struct allowed_element {
  const char* name;
  bool empty;                 // no end tag (BR, HR, IMG, INPUT)
  const char* const* attrs;   // null-terminated
};

const char* const kNone[] = {nullptr};
const char* const kAlign[] = {"align", nullptr};
const char* const kAnchor[] = {"name", nullptr};
const char* const kRule[] = {"align", "noshade", "height", "width", nullptr};
const char* const kFont[] = {"size", nullptr};
const char* const kInput[] = {"type", "size", "maxlength", "name", "value", "checked", nullptr};
const char* const kSelect[] = {"name", "size", "multiple", nullptr};
const char* const kOption[] = {"value", "selected", nullptr};
const char* const kTable[] = {"align", "width", "border", "cellspacing", "cellpadding", nullptr};
const char* const kRow[] = {"align", "valign", nullptr};
const char* const kCell[] = {"align", "valign", "colspan", "rowspan", "height", "width",
                             "nowrap", nullptr};
const char* const kImage[] = {"alt", "align", "border", "hspace", "vspace", "width", "height",
                              nullptr};

const allowed_element kAllowed[] = {
    {"a", false, kAnchor},       {"b", false, kNone},        {"i", false, kNone},
    {"p", false, kAlign},        {"hr", true, kRule},        {"h1", false, kAlign},
    {"h2", false, kAlign},       {"h3", false, kAlign},      {"h4", false, kAlign},
    {"h5", false, kAlign},       {"h6", false, kAlign},      {"br", true, kNone},
    {"blockquote", false, kNone}, {"font", false, kFont},    {"form", false, kNone},
    {"input", true, kInput},     {"select", false, kSelect}, {"option", false, kOption},
    {"table", false, kTable},    {"tr", false, kRow},        {"td", false, kCell},
    {"th", false, kCell},        {"caption", false, kAlign}, {"img", true, kImage},
};

// The page frame the decoders write around a page: dropped, the preview has its own.
const char* const kFrame[] = {"html", "head", "body", "meta"};

// Input types a preview shows; anything else becomes a text field.
const char* const kInputTypes[] = {"text", "password", "checkbox", "submit", "reset", "hidden"};

template <size_t N>
bool one_of(const std::string& name, const char* const (&list)[N]) {
  for (const char* s : list)
    if (name == s) return true;
  return false;
}

const allowed_element* find_allowed(const std::string& name) {
  for (const auto& e : kAllowed)
    if (name == e.name) return &e;
  return nullptr;
}

bool attr_allowed(const allowed_element& e, const std::string& name) {
  for (const char* const* a = e.attrs; *a; a++)
    if (name == *a) return true;
  return false;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

struct attribute {
  std::string name;  // lower case
  std::string value;
  bool has_value = false;
};

struct tag {
  bool end = false;
  std::string name;  // lower case
  std::vector<attribute> attrs;
};

bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// What stands at a '<'.
enum tag_reading {
  kTag,       // a well-formed tag; *next is the byte after its '>'
  kNoTag,     // no tag name: the '<' is text
  kNoEnd,     // a tag that the text ends inside: all the rest is text
  kNameless,  // "</>", which a browser drops; *next is the byte after it
};

// Reads the tag that starts with the '<' at pos. A tag is given up only at
// its name or at the end of the text, so that no byte is read twice by tags
// given up: the filter stays linear in its input.
tag_reading read_tag(const std::string& s, size_t pos, tag* t, size_t* next) {
  size_t i = pos + 1;
  if (i < s.size() && s[i] == '/') {
    t->end = true;
    i++;
    if (i < s.size() && s[i] == '>') {
      *next = i + 1;
      return kNameless;
    }
  }
  size_t start = i;
  while (i < s.size() && isalnum(static_cast<unsigned char>(s[i]))) i++;
  if (i == start || !isalpha(static_cast<unsigned char>(s[start]))) return kNoTag;
  t->name = lower(s.substr(start, i - start));
  while (i < s.size()) {
    while (i < s.size() && (space(s[i]) || s[i] == '/')) i++;
    if (i >= s.size()) return kNoEnd;
    if (s[i] == '>') {
      *next = i + 1;
      return kTag;
    }
    attribute a;
    start = i;
    while (i < s.size() && !space(s[i]) && s[i] != '=' && s[i] != '>') i++;
    a.name = lower(s.substr(start, i - start));
    size_t j = i;
    while (j < s.size() && space(s[j])) j++;
    if (j < s.size() && s[j] == '=') {
      j++;
      while (j < s.size() && space(s[j])) j++;
      if (j >= s.size()) return kNoEnd;
      a.has_value = true;
      if (s[j] == '"' || s[j] == '\'') {
        size_t close = s.find(s[j], j + 1);
        if (close == std::string::npos) return kNoEnd;
        a.value = s.substr(j + 1, close - j - 1);
        i = close + 1;
      } else {
        start = j;
        while (j < s.size() && !space(s[j]) && s[j] != '>') j++;
        a.value = s.substr(start, j - start);
        i = j;
      }
    }
    t->attrs.push_back(std::move(a));
  }
  return kNoEnd;
}

// An index attribute's number: hexadecimal, as the bit-coded decoder writes it.
bool index_value(const std::string& v, unsigned* out) {
  if (v.empty() || v.size() > 8) return false;
  char* end = nullptr;
  unsigned long n = strtoul(v.c_str(), &end, 16);
  if (*end || !isxdigit(static_cast<unsigned char>(v[0]))) return false;
  *out = static_cast<unsigned>(n);
  return true;
}

// A link or image source naming a preview file (a #fragment is kept on links).
std::string preview_target(const std::string& value, const std::set<std::string>& files,
                           bool link) {
  size_t hash = value.find('#');
  std::string file = link && hash != std::string::npos ? value.substr(0, hash) : value;
  if (!files.count(file)) return std::string();
  return html_escape(value);
}

void write_tag(const tag& t, const allowed_element& e, const std::set<std::string>& files,
               const std::function<std::string(bool, unsigned)>& index_target,
               std::string* out) {
  if (t.end) {
    if (!e.empty) *out += "</" + t.name + ">";
    return;
  }
  bool image = t.name == "img";
  // An anchor's index names a page only with flags 04, as the link rewrite
  // of the listing reads it.
  bool local_page = false;
  for (const attribute& a : t.attrs)
    if (a.name == "flags") local_page = a.value == "04";
  std::string target;
  std::string attrs;
  for (const attribute& a : t.attrs) {
    unsigned index;
    if ((a.name == "href" && t.name == "a") || (a.name == "src" && image)) {
      target = preview_target(a.value, files, !image);
    } else if (a.name == "index" && (image || (t.name == "a" && local_page)) &&
               target.empty() && index_value(a.value, &index)) {
      std::string name = index_target(image, index);
      if (files.count(name)) target = html_escape(name);
    } else if (attr_allowed(e, a.name)) {
      if (a.name == "type" && !one_of(lower(a.value), kInputTypes)) continue;
      attrs += " " + a.name;
      if (a.has_value) attrs += "=\"" + html_escape(a.value, true) + "\"";
    }
  }
  *out += "<" + t.name;
  if (!target.empty()) *out += (image ? " src=\"" : " href=\"") + target + "\"";
  *out += attrs + ">";
}

}  // namespace

filtered_page filter_markup(const std::string& html, const std::set<std::string>& files,
                            const std::function<std::string(bool image, unsigned index)>&
                                index_target) {
  filtered_page page;
  bool in_title = false;
  std::string text;  // text waiting to be escaped into the title or body
  auto flush = [&] {
    (in_title ? page.title : page.body) += html_escape(text, true);
    text.clear();
  };
  for (size_t i = 0; i < html.size();) {
    tag t;
    size_t next;
    const tag_reading reading = html[i] == '<' ? read_tag(html, i, &t, &next) : kNoTag;
    if (reading == kNoEnd) {
      text.append(html, i, std::string::npos);
      break;
    }
    if (reading == kNoTag) {
      text += html[i++];
      continue;
    }
    if (reading == kNameless) {
      i = next;
      continue;
    }
    // The records' own name of a table caption is never shown as text.
    if (t.name == "tablecaption") t.name = "caption";
    if (t.name == "title" || one_of(t.name, kFrame)) {
      flush();
      if (t.name == "title") in_title = !t.end;
    } else if (const allowed_element* e = in_title ? nullptr : find_allowed(t.name)) {
      flush();
      write_tag(t, *e, files, index_target, &page.body);
    } else {
      text.append(html, i, next - i);  // shown as text, never in force
    }
    i = next;
  }
  flush();
  return page;
}
