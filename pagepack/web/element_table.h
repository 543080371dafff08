// What each HTML element is to the -w reader (its role, and the element of
// the record vocabulary it maps onto), and the reading of attribute values as
// a browser reads them.
#pragma once

#include <string>
#include <utility>
#include <vector>

// What a start tag does to the page.
enum class role {
  inline_text,    // no code, no break: span, code, abbr, unknown elements ...
  hidden,         // neither it nor its content is shown
  block,          // a line break where it begins and where it ends
  encoded,        // an element of the record vocabulary, closed by an end code
  encoded_block,  // the same, and its own break on the handheld (P, H1, TABLE ...)
  void_element,   // BR, HR, IMG, INPUT: no end code
  bold_line,      // h2-h6: a bold line
  list,           // ul, ol, menu, dir
  list_item,
  term,          // dt
  definition,    // dd
  preformatted,  // pre, listing, xmp, plaintext, textarea
  button,
};

struct mapping {
  const char* html;
  role what;
  const char* code;  // the vocabulary's element, for the encoded roles
};

// The element `name` (lower case, as the parser gives it), or null for an
// element the table does not hold, which is read as inline text.
const mapping* find_mapping(const char* name);

// An element's attributes as (name, value) pairs.
typedef std::vector<std::pair<std::string, std::string>> pairs;

// The parser's attribute list (name, value, ..., null; a null value is empty).
pairs pairs_of(const char* const* attrs);
// The value of the attribute `name` (ASCII case ignored), or null.
const std::string* value_of(const pairs& p, const char* name);
const char* raw_value(const char* const* attrs, const char* name);

// An integer attribute (start, value) as HTML reads one: blanks, a sign,
// digits, anything after. `out` is kept when there are no digits or the
// number passes an int.
void html_integer(const std::string& s, int* out);

// An element a browser does not draw: hidden, or display: none in its style.
bool not_drawn(const char* const* attrs);

// The text with its runs of white space made one space and none at its ends.
std::string collapsed(const std::string& utf8);
