#include "web/style_rules.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "html_text.h"

namespace {

bool is_name_char(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// A selector of an element name, classes and an id, or false for any other.
bool parse_simple(const std::string& text, simple_selector* sel) {
  size_t i = 0;
  while (i < text.size() && is_name_char(text[i]))
    sel->element += static_cast<char>(tolower(static_cast<unsigned char>(text[i++])));
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

std::string file_key(const simple_selector& s) {
  if (!s.id.empty()) return "#" + s.id;
  if (!s.classes.empty()) return "." + s.classes[0];
  return s.element;
}

std::string whole_key(const simple_selector& s) {
  std::string key = s.element + "#" + s.id;
  for (const std::string& c : s.classes) key += "." + c;
  return key;
}

// The blank-separated words of a class attribute.
std::vector<std::string> class_words(const char* p) {
  std::vector<std::string> words;
  while (*p) {
    while (*p && isspace(static_cast<unsigned char>(*p))) p++;
    const char* q = p;
    while (*q && !isspace(static_cast<unsigned char>(*q))) q++;
    if (q > p) words.emplace_back(p, q);
    p = q;
  }
  return words;
}

bool matches(const simple_selector& s, const char* name, const char* id,
             const std::vector<std::string>& words) {
  if (!s.element.empty() && s.element != name) return false;
  if (!s.id.empty() && s.id != id) return false;
  for (const std::string& c : s.classes)
    if (std::find(words.begin(), words.end(), c) == words.end()) return false;
  return true;
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

std::vector<style_rule> read_style_rules(const std::string& css_in) {
  std::vector<style_rule> rules;
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
    std::string prelude = trim_html_space(css.substr(i, open - i));
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
      if (parse_simple(trim_html_space(prelude.substr(start, comma - start)), &sel))
        rules.push_back({std::move(sel), none});
      start = comma + 1;
    }
  }
  return rules;
}

void hidden_selectors::apply(const std::vector<style_rule>& rules) {
  for (const style_rule& r : rules) {
    std::string file = file_key(r.selector);
    if (r.hides) {
      filed_[file][whole_key(r.selector)] = r.selector;
    } else {
      auto hit = filed_.find(file);
      if (hit == filed_.end()) continue;
      hit->second.erase(whole_key(r.selector));
      if (hit->second.empty()) filed_.erase(hit);
    }
  }
}

bool hidden_selectors::hides(const char* name, const char* const* attrs) const {
  if (filed_.empty()) return false;
  const char* id = "";
  const char* cls = "";
  for (size_t i = 0; attrs[i]; i += 2) {
    if (!attrs[i + 1]) continue;
    if (strcasecmp(attrs[i], "id") == 0) id = attrs[i + 1];
    if (strcasecmp(attrs[i], "class") == 0) cls = attrs[i + 1];
  }
  std::vector<std::string> words = class_words(cls);
  std::vector<std::string> files = {name};
  if (*id) files.push_back(std::string("#") + id);
  for (const std::string& w : words) files.push_back("." + w);
  for (const std::string& f : files) {
    auto hit = filed_.find(f);
    if (hit == filed_.end()) continue;
    for (const auto& s : hit->second)
      if (matches(s.second, name, id, words)) return true;
  }
  return false;
}
