#include "web/style_rules.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "html_text.h"
#include "input_file.h"
#include "message.h"

namespace {

bool is_name_char(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// A selector as written, its names not yet interned: each compound a list
// of names ("div", ".c", "#i"), a '!' before one that :not() negates.
struct written_compound {
  std::vector<std::string> names;
  bool child = false;
};

class selector_text {
 public:
  explicit selector_text(const std::string& s) : s_(s) {}

  // The compounds of the whole text, or false for a selector not read.
  bool compounds(std::vector<written_compound>* out) {
    skip_blanks();
    while (i_ < s_.size()) {
      written_compound c;
      if (!out->empty()) {
        bool blank = skip_blanks();
        if (i_ == s_.size()) break;
        if (s_[i_] == '>') {
          c.child = true;
          i_++;
          skip_blanks();
        } else if (!blank) {
          return false;  // '+', '~' ...
        }
      }
      if (out->size() == kMaxCompounds || !compound(&c.names)) return false;
      out->push_back(std::move(c));
    }
    return !out->empty();
  }

 private:
  bool skip_blanks() {
    size_t from = i_;
    while (i_ < s_.size() && is_html_space(s_[i_])) i_++;
    return i_ > from;
  }
  std::string name() {
    std::string n;
    while (i_ < s_.size() && is_name_char(s_[i_])) n += s_[i_++];
    return n;
  }
  // One element name (or '*'), class or id.
  bool simple(std::vector<std::string>* names, bool negated) {
    std::string prefix = negated ? "!" : "";
    if (i_ < s_.size() && (s_[i_] == '.' || s_[i_] == '#')) {
      char kind = s_[i_++];
      std::string n = name();
      if (n.empty()) return false;
      names->push_back(prefix + kind + n);
      return true;
    }
    if (i_ < s_.size() && s_[i_] == '*') {
      i_++;
      return !negated;  // :not(*) matches nothing: not read
    }
    std::string n = ascii_lower(name());
    if (n.empty()) return false;
    names->push_back(prefix + n);
    return true;
  }
  // An element name or '*' first, then classes, ids and :not(); false at
  // anything else ('[', ':hover', '::before' ...).
  bool compound(std::vector<std::string>* names) {
    const size_t start = i_;
    if (i_ < s_.size() && (is_name_char(s_[i_]) || s_[i_] == '*') && !simple(names, false))
      return false;
    while (i_ < s_.size() && !is_html_space(s_[i_]) && s_[i_] != '>') {
      if (s_[i_] == '.' || s_[i_] == '#') {
        if (!simple(names, false)) return false;
      } else if (s_.compare(i_, 5, ":not(") == 0) {
        i_ += 5;
        do {  // a list of simple selectors: none of them may match
          skip_blanks();
          if (!simple(names, true)) return false;
          skip_blanks();
        } while (i_ < s_.size() && s_[i_] == ',' && ++i_);
        if (i_ >= s_.size() || s_[i_++] != ')') return false;
      } else {
        return false;
      }
      if (names->size() > kMaxCompoundItems) return false;
    }
    return i_ > start;
  }

  const std::string& s_;
  size_t i_ = 0;
};

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

// The selectors of a prelude, split at the commas outside parentheses.
std::vector<std::string> selector_list(const std::string& prelude) {
  std::vector<std::string> list(1);
  int depth = 0;
  for (char c : prelude) {
    if (c == '(') depth++;
    if (c == ')' && depth > 0) depth--;
    if (c == ',' && depth == 0)
      list.emplace_back();
    else
      list.back() += c;
  }
  return list;
}

struct written_rule {
  std::vector<written_compound> compounds;
  bool hides;
};

// The rules of a sheet that set display, in order, as written.
std::vector<written_rule> written_rules(const std::string& css_in) {
  std::vector<written_rule> rules;
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
    for (const std::string& s : selector_list(prelude)) {
      written_rule r{{}, none};
      if (selector_text(s).compounds(&r.compounds)) rules.push_back(std::move(r));
    }
  }
  return rules;
}

uint32_t specificity_of(const std::string& name) {
  char kind = name[name[0] == '!' ? 1 : 0];
  return kind == '#' ? 1u << 20 : kind == '.' ? 1u << 10 : 1u;
}

}  // namespace

name_entry& style_sheet_rules::entry(const std::string& name) {
  return names.emplace(name, name_entry{static_cast<uint32_t>(names.size()), {}}).first->second;
}

void style_sheet_rules::add(const std::string& css) {
  std::vector<written_rule> written = written_rules(css);
  // How many compounds of this sheet require each name: a step is filed
  // under its rarest, so that ".a.b1" ... ".a.b20000" are not all tried on
  // every element of class a.
  std::unordered_map<std::string, size_t> required;
  for (const written_rule& r : written)
    for (const written_compound& c : r.compounds)
      for (const std::string& n : c.names)
        if (n[0] != '!') required[n]++;
  std::unordered_map<std::string, uint32_t> seen;  // a step by its compounds so far
  static const std::string any;                     // files the steps that require no name
  for (const written_rule& r : written) {
    uint32_t step = kNoStep, specificity = 0;
    std::string whole;
    for (size_t k = 0; k < r.compounds.size() && (k == 0 || step != kNoStep); k++) {
      const written_compound& c = r.compounds[k];
      std::vector<uint32_t> ids;
      const std::string* key = nullptr;
      for (const std::string& n : c.names) {
        specificity += specificity_of(n);
        bool negated = n[0] == '!';
        ids.push_back(entry(negated ? n.substr(1) : n).id | (negated ? kNegated : 0));
        if (!negated && (!key || required[n] < required[*key])) key = &n;
      }
      std::sort(ids.begin(), ids.end());
      ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
      whole += c.child ? '>' : ' ';
      for (uint32_t id : ids) whole += std::to_string(id) + ",";
      auto hit = seen.find(whole);
      if (hit != seen.end()) {
        step = hit->second;
      } else {
        name_entry& filed = entry(key ? *key : any);
        if (filed.steps.size() >= kMaxStepsPerName) {
          step = kNoStep;  // past the bound: the selector is not read
          break;
        }
        selector_step s;
        s.first_item = static_cast<uint32_t>(items.size());
        s.items = static_cast<uint32_t>(ids.size());
        s.before = step;
        s.child = c.child;
        items.insert(items.end(), ids.begin(), ids.end());
        step = static_cast<uint32_t>(steps.size());
        steps.push_back(s);
        filed.steps.push_back(step);
        seen.emplace(whole, step);
      }
      if (k + 1 < r.compounds.size()) steps[step].leads = true;
    }
    if (step == kNoStep) continue;
    selector_step& last = steps[step];
    last.ends = true;
    last.hides = r.hides;
    last.specificity = specificity;
    last.order = rules++;
  }
}

size_t style_sheet_rules::bytes() const {
  size_t n = sizeof *this + items.capacity() * sizeof(uint32_t) +
             steps.capacity() * sizeof(selector_step) + names.bucket_count() * sizeof(void*);
  for (const auto& e : names)
    n += 64 + e.first.capacity() + e.second.steps.capacity() * sizeof(uint32_t);
  return n;
}

const style_sheet_rules* linked_style_rules(const std::string& url) {
  static std::map<std::string, std::unique_ptr<style_sheet_rules>> sheets;
  static size_t kept = 0;
  static bool full = false;
  auto hit = sheets.find(url);
  if (hit != sheets.end()) return hit->second.get();
  if (sheets.size() >= kMaxStyleSheets || full) return nullptr;
  std::string css;
  stdio_file f = open_input(url.c_str());
  if (!f) return nullptr;
  char buf[65536];
  size_t n;
  while (css.size() < kMaxStyleSheet && (n = fread(buf, 1, sizeof buf, f.get())) > 0)
    css.append(buf, n);
  std::unique_ptr<style_sheet_rules> rules(new style_sheet_rules);
  rules->add(css);
  if (kept + rules->bytes() > kMaxParsedSheetBytes) {
    message("%s: the style sheets read pass %zu MB: its rules and those of later sheets left out",
            url.c_str(), kMaxParsedSheetBytes >> 20);
    full = true;
    return nullptr;
  }
  kept += rules->bytes();
  return sheets.emplace(url, std::move(rules)).first->second.get();
}
