// The one thing -w takes from a page's style sheets: which elements they do
// not display. Rules at the top level of a sheet (not inside @media or any
// other at-rule) that set display are read when their selector is made of
// element names, classes, ids and :not() of those, joined by descendant
// (blank) and child (>) combinators: "div.note", ".showhide ul",
// "div.related > h3", "li:not(.current)". Between rules that set display on
// one element, the most specific wins, then the later one, as in a browser.
// Selectors with other pseudo-classes, attributes or sibling combinators
// are not read.
//
// A sheet is read into a compact form once: its names interned, each
// compound of a selector a step filed under the rarest name it requires, so
// that an element is tried against only the steps its own name, id and
// classes can match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Bounds that keep a hostile sheet linear: compounds in one selector, names
// in one compound, steps filed under one name (those past it are not read),
// and the parsed rules of all the linked sheets a run keeps.
constexpr size_t kMaxCompounds = 16;
constexpr size_t kMaxCompoundItems = 32;
constexpr size_t kMaxStepsPerName = 256;
constexpr size_t kMaxParsedSheetBytes = 64 << 20;

// At most this many bytes of a style sheet are read, and this many linked
// sheets are kept for the pages that link them.
constexpr size_t kMaxStyleSheet = 1 << 20;
constexpr size_t kMaxStyleSheets = 64;

constexpr uint32_t kNoStep = UINT32_MAX;

// One compound of a selector, and how it joins the compound before it.
struct selector_step {
  uint32_t first_item = 0, items = 0;  // its names in style_sheet_rules::items
  uint32_t before = kNoStep;           // the step of the compound before it
  bool child = false;                  // joined by '>', else by a blank
  bool leads = false;                  // a compound follows it in some selector
  bool ends = false;                   // a rule's selector ends here ...
  bool hides = false;                  // ... and sets display: none
  uint32_t specificity = 0, order = 0;
};

// A name an element must have, or (with kNegated) must not have.
constexpr uint32_t kNegated = 1u << 31;

struct name_entry {
  uint32_t id;
  std::vector<uint32_t> steps;  // the steps filed under it
};

struct style_sheet_rules {
  // "div", ".class", "#id"; "" files the steps that require no name.
  std::unordered_map<std::string, name_entry> names;
  std::vector<uint32_t> items;
  std::vector<selector_step> steps;
  uint32_t rules = 0;  // orders given

  // Reads the rules of `css` that set display, after those already read.
  void add(const std::string& css);
  // The bytes its parsed form takes, about.
  size_t bytes() const;

 private:
  name_entry& entry(const std::string& name);
};

// The rules of the local style sheet `url` (a record URL), read once a run
// and kept while the parsed sheets stay under kMaxParsedSheetBytes; null
// for a sheet past that bound or a missing one.
const style_sheet_rules* linked_style_rules(const std::string& url);
