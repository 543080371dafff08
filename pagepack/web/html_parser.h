// The HTML parser behind the browser-faithful page reader: libxml2's HTML
// parser, driven as a stream of events (no tree is built, so memory follows
// the page and not its nesting).
#pragma once

#include <cstddef>
#include <string>

struct html_handler {
  virtual ~html_handler() = default;
  // An element starts: its name in lower case and its attributes as name,
  // value pairs ending in a null name; a value is null when the attribute
  // has none. Every start has its end, elements the parser closes itself
  // (a <p> ended by a <div>, an <img>) included.
  virtual void start(const char* name, const char* const* attrs) = 0;
  virtual void end(const char* name) = 0;
  // Text in UTF-8, references decoded, in pieces of any size.
  virtual void text(const char* utf8, size_t n) = 0;
};

// Parses `utf8` (valid UTF-8, no NUL) and hands its elements and text to `h`
// in document order. Comments and processing instructions give nothing.
void parse_html(const std::string& utf8, html_handler* h);

// `utf8` with every named character reference of HTML (&rarr; ...) written as
// numeric ones, which the parser decodes whatever its own table holds: those
// with ';', and the legacy ones without it (&nbsp &copy ...) where a browser
// decodes them, in text and in attribute values; <script> and <style> text,
// comments and declarations are left as they stand. Two things the parser
// would take quadratic time over go on the way: the attributes of a tag past
// the 256th, and, in a nesting deeper than 256 elements, the end tags it
// would ignore.
std::string numeric_references(const std::string& utf8);
