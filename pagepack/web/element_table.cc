#include "web/element_table.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <iterator>

#include "html_text.h"

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
    {"frame", role::void_element, nullptr},  // a link to its page
    {"frameset", role::block, nullptr},
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
    {"svg", role::block, nullptr},  // its <text> elements alone show text
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
