// The style rules of one page matched against its elements as they open:
// an element is tried only against the steps filed under its own name, id
// and classes (and those that require none), and a step joined to the one
// before it asks the open elements, which keep the steps they match that
// another step follows: a count of each among all of them for a blank, the
// parent's sorted list for '>'. Time is linear in rules plus elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "web/style_rules.h"

class style_match {
 public:
  // The rules of a <style> of the page, or of a linked sheet (which must
  // outlive this), after those applied before.
  void apply(const std::string& css);
  void apply(const style_sheet_rules* sheet);

  // An element opens: whether the rules hide it. Every open() and skip() is
  // followed by one close(); skip() stands for an element not tried (in
  // what is not shown anyway).
  bool open(const char* name, const char* const* attrs);
  void skip() { open_.push_back(matched_.size()); }
  void close();

 private:
  struct applied {
    const style_sheet_rules* sheet;
    uint32_t first_order;  // of its rules among the page's
  };
  style_sheet_rules own_;  // the page's <style> elements
  std::vector<uint32_t> own_order_;  // the page's order of each of its rules
  std::vector<applied> sheets_;
  uint32_t orders_ = 0;
  // For each open element, where its steps start in matched_; the steps are
  // (sheet << 32 | step), each element's sorted.
  std::vector<size_t> open_;
  std::vector<uint64_t> matched_;
  std::unordered_map<uint64_t, uint32_t> open_counts_;  // by step: open elements matching it
  // Kept between elements for their memory: an element's names, the ids of
  // those a sheet holds, and the steps filed under them.
  std::vector<std::string> keys_;
  std::vector<uint32_t> has_;
  std::vector<const std::vector<uint32_t>*> filed_;
};
