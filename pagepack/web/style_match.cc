#include "web/style_match.h"

#include <strings.h>

#include <algorithm>

#include "html_text.h"

void style_match::apply(const std::string& css) {
  if (sheets_.empty()) sheets_.push_back({&own_, 0});
  own_.add(css);
  while (own_order_.size() < own_.rules) own_order_.push_back(orders_++);
}

void style_match::apply(const style_sheet_rules* sheet) {
  if (!sheet || sheet->steps.empty()) return;
  if (sheets_.empty()) sheets_.push_back({&own_, 0});
  sheets_.push_back({sheet, orders_});
  orders_ += sheet->rules;
}

bool style_match::open(const char* name, const char* const* attrs) {
  const size_t first = matched_.size();
  // The parent's steps, before this element's are added.
  const size_t parent_first = open_.empty() ? first : open_.back();
  if (sheets_.empty()) {
    open_.push_back(first);
    return false;
  }
  // The names the element is filed under: its own, its id, its classes.
  std::vector<std::string>& keys = keys_;
  keys.assign({name, ""});
  for (size_t i = 0; attrs[i]; i += 2) {
    const char* v = attrs[i + 1];
    if (!v) continue;
    if (strcasecmp(attrs[i], "id") == 0 && *v) keys.push_back(std::string("#") + v);
    if (strcasecmp(attrs[i], "class") != 0) continue;
    while (*v) {
      while (*v && is_html_space(*v)) v++;
      const char* w = v;
      while (*w && !is_html_space(*w)) w++;
      if (w > v) keys.push_back("." + std::string(v, w));
      v = w;
    }
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

  bool found = false;
  uint64_t best_specificity = 0, best_order = 0;
  bool hides = false;
  std::vector<uint32_t>& has = has_;
  std::vector<const std::vector<uint32_t>*>& filed = filed_;
  for (size_t s = 0; s < sheets_.size(); s++) {
    const style_sheet_rules& sheet = *sheets_[s].sheet;
    has.clear();
    filed.clear();
    for (const std::string& k : keys) {
      auto hit = sheet.names.find(k);
      if (hit == sheet.names.end()) continue;
      has.push_back(hit->second.id);
      if (!hit->second.steps.empty()) filed.push_back(&hit->second.steps);
    }
    std::sort(has.begin(), has.end());
    for (const std::vector<uint32_t>* steps : filed) {
      for (uint32_t t : *steps) {
        const selector_step& st = sheet.steps[t];
        bool ok = true;
        for (uint32_t i = st.first_item; ok && i < st.first_item + st.items; i++) {
          uint32_t item = sheet.items[i];
          ok = std::binary_search(has.begin(), has.end(), item & ~kNegated) == !(item & kNegated);
        }
        if (!ok) continue;
        if (st.before != kNoStep) {
          uint64_t before = static_cast<uint64_t>(s) << 32 | st.before;
          if (st.child ? !std::binary_search(matched_.begin() + parent_first,
                                             matched_.begin() + first, before)
                       : open_counts_.count(before) == 0)
            continue;
        }
        if (st.leads) matched_.push_back(static_cast<uint64_t>(s) << 32 | t);
        if (!st.ends) continue;
        uint64_t order = s == 0 ? own_order_[st.order] : sheets_[s].first_order + st.order;
        if (!found || st.specificity > best_specificity ||
            (st.specificity == best_specificity && order > best_order)) {
          found = true;
          best_specificity = st.specificity;
          best_order = order;
          hides = st.hides;
        }
      }
    }
  }
  std::sort(matched_.begin() + first, matched_.end());
  for (size_t i = first; i < matched_.size(); i++) open_counts_[matched_[i]]++;
  open_.push_back(first);
  return hides;
}

void style_match::close() {
  if (open_.empty()) return;
  for (size_t i = open_.back(); i < matched_.size(); i++) {
    auto hit = open_counts_.find(matched_[i]);
    if (hit != open_counts_.end() && --hit->second == 0) open_counts_.erase(hit);
  }
  matched_.resize(open_.back());
  open_.pop_back();
}
