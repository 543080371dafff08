#include "markup/attributes.h"

#include <strings.h>

#include <new>

attribute* getattrs(char* tag) {
  attribute* head = nullptr;
  attribute** tail = &head;
  char* p = tag;
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    attribute* node = new (std::nothrow) attribute{p, nullptr, nullptr};
    if (!node) break;
    *tail = node;
    tail = &node->next;
    // A TAB or a quote does not end a name.
    while (*p && *p != ' ' && *p != '=') ++p;
    if (!*p) break;
    if (*p == '=') {
      *p++ = '\0';
      while (*p == ' ' || *p == '"') ++p;
      node->value = p;
      // Nor does a TAB, a single quote or '=' end a value.
      while (*p && *p != ' ' && *p != '"') ++p;
      if (!*p) break;
      *p++ = '\0';
    } else {
      *p++ = '\0';
    }
  }
  return head;
}

attribute* findattr(const char* tag, attribute* attr) {
  for (; attr; attr = attr->next) {
    if (strcasecmp(attr->tag, tag) == 0) return attr;
  }
  return nullptr;
}

const char* attr_value(const char* tag, attribute* attr) {
  attribute* a = findattr(tag, attr);
  return a ? a->value : nullptr;
}

void destroy_attr(attribute* a) {
  while (a) {
    attribute* next = a->next;
    delete a;
    a = next;
  }
}
