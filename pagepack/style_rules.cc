#include "style_rules.h"

#include <strings.h>

#include <cctype>
#include <cstring>

namespace {

bool is_name_char(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n\f"), b = s.find_last_not_of(" \t\r\n\f");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// A selector of an element name, classes and an id, or false for any other.
bool parse_simple(const std::string& text, simple_selector* sel) {
  size_t i = 0;
  while (i < text.size() && is_name_char(text[i]))
    sel->element += static_cast<char>(tolower(text[i++]));
  if (sel->element == "*") sel->element.clear();
  while (i < text.size()) {
    char kind = text[i++];
    if (kind != '.' && kind != '#') return false;
    std::string name;
    while (i < text.size() && is_name_char(text[i])) name += text[i++];
    if (name.empty()) return false;
    if (kind == '.')
      sel->classes.push_back(name);
    else
      sel->id = name;
  }
  return !(sel->element.empty() && sel->id.empty() && sel->classes.empty());
}

bool same(const simple_selector& a, const simple_selector& b) {
  return a.element == b.element && a.id == b.id && a.classes == b.classes;
}

// The display value a declaration block sets, lower case without blanks;
// empty when it sets none.
std::string display_of(const std::string& block) {
  std::string d;
  for (char c : block)
    if (!isspace(static_cast<unsigned char>(c)))
      d += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  std::string value;
  for (size_t at = 0; (at = d.find("display:", at)) != std::string::npos; at += 8) {
    if (at > 0 && d[at - 1] != ';' && d[at - 1] != '{') continue;  // not "x-display:"
    size_t end = d.find(';', at);
    value = d.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8);
  }
  return value;
}

}  // namespace

void read_style_rules(const std::string& css_in, std::vector<simple_selector>* hidden) {
  // Comments go first; strings are kept whole by the scan below.
  std::string css;
  css.reserve(css_in.size());
  for (size_t i = 0; i < css_in.size(); i++) {
    if (css_in.compare(i, 2, "/*") == 0) {
      size_t end = css_in.find("*/", i + 2);
      if (end == std::string::npos) break;
      i = end + 1;
    } else {
      css += css_in[i];
    }
  }
  size_t i = 0;
  while (i < css.size()) {
    size_t open = css.find_first_of("{;", i);
    if (open == std::string::npos) break;
    std::string prelude = trimmed(css.substr(i, open - i));
    if (css[open] == ';') {  // @import, @charset ...
      i = open + 1;
      continue;
    }
    // The block, to its matching brace (quoted text cannot end it).
    size_t j = open + 1;
    int depth = 1;
    char quote = 0;
    for (; j < css.size() && depth > 0; j++) {
      char c = css[j];
      if (quote) {
        if (c == '\\')
          j++;
        else if (c == quote)
          quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '{') {
        depth++;
      } else if (c == '}') {
        depth--;
      }
    }
    std::string block = css.substr(open + 1, j - open - 2 < css.size() ? j - open - 2 : 0);
    i = j;
    if (prelude.empty() || prelude[0] == '@') continue;  // @media and every other at-rule
    std::string display = display_of(block);
    if (display.empty()) continue;
    bool none = display.compare(0, 4, "none") == 0;
    size_t start = 0;
    while (start <= prelude.size()) {
      size_t comma = prelude.find(',', start);
      if (comma == std::string::npos) comma = prelude.size();
      simple_selector sel;
      if (parse_simple(trimmed(prelude.substr(start, comma - start)), &sel)) {
        for (size_t k = hidden->size(); k-- > 0;)
          if (same((*hidden)[k], sel)) hidden->erase(hidden->begin() + static_cast<long>(k));
        if (none) hidden->push_back(sel);
      }
      start = comma + 1;
    }
  }
}

bool hidden_by_style(const std::vector<simple_selector>& hidden, const char* name,
                     const char* const* attrs) {
  if (hidden.empty()) return false;
  const char* id = "";
  const char* cls = "";
  for (size_t i = 0; attrs[i]; i += 2) {
    if (!attrs[i + 1]) continue;
    if (strcasecmp(attrs[i], "id") == 0) id = attrs[i + 1];
    if (strcasecmp(attrs[i], "class") == 0) cls = attrs[i + 1];
  }
  for (const simple_selector& s : hidden) {
    if (!s.element.empty() && s.element != name) continue;
    if (!s.id.empty() && s.id != id) continue;
    bool all = true;
    for (const std::string& c : s.classes) {
      // c among the blank-separated words of the class attribute
      bool found = false;
      for (const char* p = cls; *p && !found;) {
        while (*p && isspace(static_cast<unsigned char>(*p))) p++;
        const char* q = p;
        while (*q && !isspace(static_cast<unsigned char>(*q))) q++;
        found = static_cast<size_t>(q - p) == c.size() && strncmp(p, c.data(), c.size()) == 0;
        p = q;
      }
      if (!found) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}
