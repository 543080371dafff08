// The one thing -w takes from a page's style sheets: which elements they do
// not display. Rules at the top level of a sheet (not inside @media or any
// other at-rule) that set display: none for a simple selector, an element
// name with classes and an id (div.note, .picker, #toc), hide the elements
// they match; a later such rule that sets another display shows them again.
// Selectors with combinators, pseudo-classes or attributes are not read.
#pragma once

#include <string>
#include <vector>

struct simple_selector {
  std::string element;  // empty for any
  std::string id;
  std::vector<std::string> classes;
};

// Adds the rules of the style sheet `css` to `hidden`, in order.
void read_style_rules(const std::string& css, std::vector<simple_selector>* hidden);

// Whether an element `name` with attributes `attrs` (name, value pairs
// ending in a null name) is matched by one of `hidden`.
bool hidden_by_style(const std::vector<simple_selector>& hidden, const char* name,
                     const char* const* attrs);
