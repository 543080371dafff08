// The attributes of one tag as a list of name/value pairs, cut in place out of
// the tag text (no string is copied).
#pragma once

#include <memory>

typedef struct attribute {
  char* tag;    // the name, inside the tag text
  char* value;  // the value, inside the tag text; null when there was no '='
  struct attribute* next;
} attribute_t;

// Splits `tag` (the text behind the element name) into a list, writing NULs
// over separators. Null when the text holds no attribute. Should memory run
// out, the list holds the attributes parsed so far.
attribute* getattrs(char* tag);

// The first attribute named `tag`, letter case ignored; null when none.
attribute* findattr(const char* tag, attribute* attr);

// The value of the first attribute named `tag`, or null when the attribute is
// missing or has no value: both count as absent wherever a value is read.
const char* attr_value(const char* tag, attribute* attr);

void destroy_attr(attribute* a);

struct attribute_list_deleter {
  void operator()(attribute* a) const { destroy_attr(a); }
};
typedef std::unique_ptr<attribute, attribute_list_deleter> attribute_list;
