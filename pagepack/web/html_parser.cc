#include "web/html_parser.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "html_text.h"
#include "web/html_entities.h"

namespace {

// The handler, and which open elements were handed on: libxml2 wraps text
// that stands outside any element, or in <html> or <head>, in a <p> of its
// own, which a browser does not make. Such a <p> starts while the parser is
// at text; a <p> of the page starts at the '>' (or "/>") of its tag.
struct parse_state {
  html_handler* h;
  htmlParserCtxtPtr ctxt;
  std::vector<bool> implied;
};

void on_start(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  static const char* const kNone[] = {nullptr};
  parse_state* s = static_cast<parse_state*>(ctx);
  const char* n = reinterpret_cast<const char*>(name);
  const xmlChar* at = s->ctxt->input ? s->ctxt->input->cur : nullptr;
  bool implied = !attrs && strcmp(n, "p") == 0 && at && *at != '>' && *at != '/';
  s->implied.push_back(implied);
  if (!implied) s->h->start(n, attrs ? reinterpret_cast<const char* const*>(attrs) : kNone);
}

void on_end(void* ctx, const xmlChar* name) {
  parse_state* s = static_cast<parse_state*>(ctx);
  bool implied = !s->implied.empty() && s->implied.back();
  if (!s->implied.empty()) s->implied.pop_back();
  if (!implied) s->h->end(reinterpret_cast<const char*>(name));
}

void on_text(void* ctx, const xmlChar* text, int n) {
  if (n > 0)
    static_cast<parse_state*>(ctx)->h->text(reinterpret_cast<const char*>(text),
                                            static_cast<size_t>(n));
}

// The parser's own complaints about the markup are not the user's business.
void silent(void*, const char*, ...) {}

// The index of name[0, n) among `count` names in strcmp order, by binary
// search, or `count` when it is not there.
template <typename NameAt>
size_t find_name(size_t count, NameAt name_at, const char* name, size_t n) {
  size_t lo = 0, hi = count;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = strncmp(name_at(mid), name, n);
    if (c == 0 && name_at(mid)[n] != '\0') c = 1;
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return count;
}

const html_entity* find_entity(const char* name, size_t n) {
  size_t i = find_name(
      kHtmlEntityCount, [](size_t k) { return kHtmlEntities[k].name; }, name, n);
  return i < kHtmlEntityCount ? &kHtmlEntities[i] : nullptr;
}

// Appends the characters of `utf8` as numeric references.
void append_numeric(const char* utf8, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned cp = *p, len = 1;
    if (cp >= 0xF0)
      cp &= 0x07, len = 4;
    else if (cp >= 0xE0)
      cp &= 0x0F, len = 3;
    else if (cp >= 0xC0)
      cp &= 0x1F, len = 2;
    for (unsigned k = 1; k < len; k++) cp = (cp << 6) | (p[k] & 0x3F);
    p += len;
    *out += "&#" + std::to_string(cp) + ";";
  }
}

bool is_alnum(char c) { return isalnum(static_cast<unsigned char>(c)) != 0; }
bool is_letter(char c) { return isalpha(static_cast<unsigned char>(c)) != 0; }

bool is_legacy_name(const char* name, size_t n) {
  return find_name(
             kLegacyEntityCount, [](size_t k) { return kLegacyEntityNames[k]; }, name, n) <
         kLegacyEntityCount;
}

constexpr size_t kLongestLegacyName = 6;  // frac12, middot ...

// The reference at s[amp], written to `out` as a numeric one where HTML
// decodes it: a name of the table with its ';', else the longest legacy
// name that starts the word, but in an attribute value not when '=' or a
// letter or digit follows it. Returns where the text after it starts.
size_t put_reference(const std::string& s, size_t amp, bool in_value, std::string* out) {
  const char* name = s.data() + amp + 1;
  size_t j = amp + 1;
  while (j < s.size() && j - amp <= 32 && is_alnum(s[j])) j++;
  size_t n = j - amp - 1;
  const html_entity* e = n > 0 && j < s.size() && s[j] == ';' ? find_entity(name, n) : nullptr;
  if (e) {
    append_numeric(e->utf8, out);
    return j + 1;
  }
  for (size_t k = std::min(n, kLongestLegacyName); k > 1; k--) {
    if (!is_legacy_name(name, k)) continue;
    size_t after = amp + 1 + k;
    if (in_value && after < s.size() && (s[after] == '=' || is_alnum(s[after]))) break;
    append_numeric(find_entity(name, k)->utf8, out);
    return after;
  }
  *out += '&';
  return amp + 1;
}

// Copies s from `i` through the first `stop` (or to the end); returns where it ends.
size_t copy_through(const std::string& s, size_t i, const char* stop, std::string* out) {
  size_t end = s.find(stop, i);
  end = end == std::string::npos ? s.size() : end + strlen(stop);
  out->append(s, i, end - i);
  return end;
}

// The text of a <script> or <style>, copied as it stands: references are not
// read there, and a '<' in it starts no tag. Returns where its end tag starts.
size_t copy_raw_text(const std::string& s, size_t i, const std::string& name, std::string* out) {
  size_t end = i;
  while ((end = s.find("</", end)) != std::string::npos &&
         strncasecmp(s.c_str() + end + 2, name.c_str(), name.size()) != 0)
    end += 2;
  if (end == std::string::npos) end = s.size();
  out->append(s, i, end - i);
  return end;
}

// Past this many attributes in one tag, the rest are dropped: libxml2 looks
// for a duplicate among all earlier ones, so one tag of a hundred thousand
// would take seconds; no page a person writes comes near it.
constexpr size_t kMaxAttributes = 256;

// A tag from its '<', copied with the references of its attribute values
// decoded as there (a quoted value runs to its quote, another to a blank or
// '>'), and its attributes past kMaxAttributes dropped. Returns where the text
// after it starts; *self_closing says whether it ends in "/>".
size_t put_tag(const std::string& s, size_t i, std::string* out, bool* self_closing) {
  size_t attributes = 0, cut = std::string::npos;
  bool gap = false;  // after a blank, '/' or value: a name character starts an attribute
  bool slash = false;
  while (i < s.size() && s[i] != '>') {
    char c = s[i];
    slash = c == '/';
    if (is_html_space(c) || c == '/') {
      gap = true;
    } else if (gap && c != '=') {
      gap = false;
      if (++attributes > kMaxAttributes && cut == std::string::npos) cut = out->size();
    }
    *out += s[i++];
    if (c != '=') continue;
    while (i < s.size() && is_html_space(s[i])) *out += s[i++];
    char quote = i < s.size() && (s[i] == '"' || s[i] == '\'') ? s[i] : 0;
    if (quote) *out += s[i++];
    while (i < s.size() && (quote ? s[i] != quote : !is_html_space(s[i]) && s[i] != '>')) {
      if (s[i] == '&')
        i = put_reference(s, i, true, out);
      else
        *out += s[i++];
    }
    if (quote && i < s.size()) *out += s[i++];
    gap = true;
  }
  if (cut != std::string::npos) out->resize(cut);
  *self_closing = slash;
  if (i < s.size()) *out += s[i++];
  return i;
}

// The elements libxml2's parser holds open, as far as the tags tell: enough
// to know an end tag it would ignore (one that closes nothing, or one that an
// element of higher end priority stands in the way of, as libxml2's
// htmlAutoCloseOnClose rules), which in a deep nesting costs it a search of
// the whole stack. Elements the parser closes by itself stay here longer, so
// what is here is never less than what the parser holds.
class open_elements {
 public:
  void start(const std::string& name, bool self_closing) {
    int k = id(name);
    // As libxml2's htmlAutoClose: the new element closes the innermost
    // elements while it is one that closes them (a <td> the <td> before it).
    while (!stack_.empty() && closes(k, stack_.back())) pop();
    // <html>, <head> and <body> stay out: libxml2 makes them when missing and
    // ignores them when they come again, so they are only ever at the bottom.
    if (!self_closing && !names_[k].empty_element && !names_[k].implied) push(k);
  }
  // Text outside any element opens a <p> in libxml2.
  void text() {
    if (stack_.empty()) push(id("p"));
  }
  // Whether the end tag goes to the parser: one it would ignore is dropped
  // once the nesting is deep, where its search would cost; in a page of
  // ordinary depth every end tag goes on, so such a page parses as ever.
  bool end(const std::string& name) {
    int k = id(name);
    const std::vector<size_t>& at = names_[k].at;
    bool open = !at.empty() && !blocked(at.back(), names_[k].priority);
    if (open) {
      size_t keep = at.back();
      while (stack_.size() > keep) pop();
      return true;
    }
    return names_[k].implied || stack_.size() < kShallow;
  }

 private:
  static constexpr size_t kShallow = 256;
  // libxml2's end priorities; every other element has 100.
  static int priority_of(const std::string& name) {
    static const std::unordered_map<std::string, int> kPriority = {
        {"div", 150},   {"td", 160},    {"th", 160},    {"tr", 170},   {"thead", 180},
        {"tbody", 180}, {"tfoot", 180}, {"table", 190}, {"head", 200}, {"body", 200},
        {"html", 220}};
    auto hit = kPriority.find(name);
    return hit == kPriority.end() ? 100 : hit->second;
  }
  struct element_name {
    std::string name;
    bool known;     // an element of libxml2's table
    bool implied;   // <html>, <head> or <body>, which libxml2 makes and keeps itself
    bool empty_element;
    int priority;
    std::vector<size_t> at;  // where it is open on the stack, innermost last
  };
  int id(const std::string& name) {
    auto hit = ids_.find(name);
    if (hit != ids_.end()) return hit->second;
    const htmlElemDesc* d = htmlTagLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
    bool implied = name == "html" || name == "head" || name == "body";
    names_.push_back({name, d != nullptr, implied, d && d->empty, priority_of(name), {}});
    return ids_[name] = static_cast<int>(names_.size() - 1);
  }
  void push(int k) {
    names_[k].at.push_back(stack_.size());
    if (names_[k].priority > 100) above_[names_[k].priority].push_back(stack_.size());
    stack_.push_back(k);
  }
  void pop() {
    int k = stack_.back();
    names_[k].at.pop_back();
    if (names_[k].priority > 100) above_[names_[k].priority].pop_back();
    stack_.pop_back();
  }
  // Whether the start of element `k` closes the open element `top`: asked of
  // libxml2 itself, by a parse of "<top><k>", once for each pair of elements
  // it knows (others never close each other).
  bool closes(int k, int top) {
    const element_name& n = names_[k];
    const element_name& t = names_[top];
    if (!n.known || !t.known || n.implied || t.implied) return false;
    auto hit = closing_.find({k, top});
    if (hit != closing_.end()) return hit->second;
    probe_events events;
    std::string doc = "<body><" + t.name + "><" + n.name + ">";
    htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(doc.data(), static_cast<int>(doc.size()));
    if (ctxt) {
      htmlSAXHandler sax;
      memset(&sax, 0, sizeof sax);
      sax.startElement = probe_start;
      sax.endElement = probe_end;
      memcpy(ctxt->sax, &sax, sizeof sax);
      ctxt->userData = &events;
      htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                   HTML_PARSE_NONET);
      htmlParseDocument(ctxt);
      ctxt->userData = nullptr;
      htmlFreeParserCtxt(ctxt);
    }
    // "<body><t></t><k>": t ended before k started.
    bool closed = events.size() >= 4 && events[1] == "+" + t.name && events[2] == "-" + t.name &&
                  events[3] == "+" + n.name;
    return closing_[{k, top}] = closed;
  }
  typedef std::vector<std::string> probe_events;
  static void probe_start(void* ctx, const xmlChar* name, const xmlChar**) {
    static_cast<probe_events*>(ctx)->push_back("+" + std::string(reinterpret_cast<const char*>(name)));
  }
  static void probe_end(void* ctx, const xmlChar* name) {
    static_cast<probe_events*>(ctx)->push_back("-" + std::string(reinterpret_cast<const char*>(name)));
  }

  // Whether an element of higher end priority is open above position `at`.
  bool blocked(size_t at, int priority) const {
    for (const auto& level : above_)
      if (level.first > priority && !level.second.empty() && level.second.back() > at)
        return true;
    return false;
  }
  std::unordered_map<std::string, int> ids_;
  std::vector<element_name> names_;
  std::vector<int> stack_;
  std::map<int, std::vector<size_t>> above_;  // by end priority above 100: positions
  std::map<std::pair<int, int>, bool> closing_;  // closes(), as libxml2 answered
};

// An element name as libxml2 reads it at s[i]: letters, digits, ':', '-', '_'
// and '.', in lower case.
std::string element_name_at(const std::string& s, size_t i) {
  std::string name;
  for (; i < s.size() && name.size() < 100; i++) {
    char c = s[i];
    if (!is_alnum(c) && c != ':' && c != '-' && c != '_' && c != '.') break;
    name += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

// Markup from its '<': a tag (the raw text of <script> and <style> with it),
// a comment, a declaration or processing instruction, or a '<' that is text.
// An end tag that `open` finds to be ignored by the parser is left out.
size_t put_markup(const std::string& s, size_t i, open_elements* open, std::string* out) {
  if (s.compare(i, 4, "<!--") == 0) return copy_through(s, i, "-->", out);
  char next = i + 1 < s.size() ? s[i + 1] : 0;
  bool end_tag = next == '/';
  if ((end_tag && !is_letter(i + 2 < s.size() ? s[i + 2] : 0)) || next == '!' || next == '?')
    return copy_through(s, i, ">", out);
  if (!end_tag && !is_letter(next)) {
    open->text();
    *out += '<';
    return i + 1;
  }
  std::string name;
  for (size_t j = i + (end_tag ? 2 : 1); j < s.size() && is_alnum(s[j]); j++)
    name += static_cast<char>(tolower(static_cast<unsigned char>(s[j])));
  std::string element = element_name_at(s, i + (end_tag ? 2 : 1));
  bool self_closing = false;
  if (end_tag && !open->end(element)) {
    std::string dropped;
    return put_tag(s, i, &dropped, &self_closing);
  }
  i = put_tag(s, i, out, &self_closing);
  if (!end_tag) open->start(element, self_closing);
  if (!end_tag && (name == "script" || name == "style")) i = copy_raw_text(s, i, name, out);
  return i;
}

}  // namespace

std::string numeric_references(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  open_elements open;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t at = std::min(utf8.find_first_of("&<", i), utf8.size());
    for (size_t k = i; k < at; k++)
      if (!is_html_space(utf8[k])) {
        open.text();
        break;
      }
    out.append(utf8, i, at - i);
    if (at == utf8.size()) break;
    if (utf8[at] == '&') {
      open.text();
      i = put_reference(utf8, at, false, &out);
    } else {
      i = put_markup(utf8, at, &open, &out);
    }
  }
  return out;
}

void parse_html(const std::string& utf8, html_handler* h) {
  static bool initialised = [] {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, silent);
    return true;
  }();
  (void)initialised;
  std::string text = numeric_references(utf8);
  if (text.size() > static_cast<size_t>(INT32_MAX)) text.resize(INT32_MAX);
  htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
  if (!ctxt) return;
  htmlSAXHandler sax;
  memset(&sax, 0, sizeof sax);
  sax.startElement = on_start;
  sax.endElement = on_end;
  sax.characters = on_text;
  sax.ignorableWhitespace = on_text;
  sax.cdataBlock = on_text;
  memcpy(ctxt->sax, &sax, sizeof sax);
  parse_state state{h, ctxt, {}};
  ctxt->userData = &state;
  // The text is UTF-8 already: a <meta charset> in it must not convert it again.
  // Implied <html> and <body> as a browser makes them (text outside any element
  // would otherwise be wrapped in a <p>).
  htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                               HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE);
  xmlSwitchEncoding(ctxt, XML_CHAR_ENCODING_UTF8);
  htmlParseDocument(ctxt);
  ctxt->userData = nullptr;
  htmlFreeParserCtxt(ctxt);
}
