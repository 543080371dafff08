// The one thing -w takes from a page's style sheets: which elements they do
// not display. Rules at the top level of a sheet (not inside @media or any
// other at-rule) that set display: none for a simple selector, an element
// name with classes and an id (div.note, .picker, #toc), hide the elements
// they match; a later such rule that sets another display shows them again.
// Selectors with combinators, pseudo-classes or attributes are not read.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

struct simple_selector {
  std::string element;  // empty for any
  std::string id;
  std::vector<std::string> classes;
};

// A rule that sets display: whether it hides what its selector matches, or
// shows it again.
struct style_rule {
  simple_selector selector;
  bool hides;
};

// The rules of the style sheet `css` that set display, in order.
std::vector<style_rule> read_style_rules(const std::string& css);

// What a page's style sheets do not display: the selectors of the rules
// applied that hide, less those a later rule shows again.
class hidden_selectors {
 public:
  void apply(const std::vector<style_rule>& rules);
  // Whether an element `name` with attributes `attrs` (name, value pairs
  // ending in a null name) is matched by one of them.
  bool hides(const char* name, const char* const* attrs) const;

 private:
  // Filed by what an element must have to match: the selector's id, else its
  // first class, else its element name; then by the whole selector.
  std::unordered_map<std::string, std::unordered_map<std::string, simple_selector>> filed_;
};
