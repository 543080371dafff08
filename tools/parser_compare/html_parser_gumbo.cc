// parse_html over gumbo's HTML5 parser instead of libxml2's: built only into
// pagepack_gumbo (cmake -DPQA_PARSER_COMPARE=ON), with which the fidelity
// test compares the two parsers. Not used by pagepack: gumbo takes time
// quadratic in the nesting depth of a page.
#include <gumbo.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "web/html_parser.h"

namespace {

std::string element_name(const GumboNode* node) {
  if (node->type == GUMBO_NODE_TEMPLATE) return "template";
  const GumboElement& e = node->v.element;
  if (e.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(e.tag);
  GumboStringPiece original = e.original_tag;
  gumbo_tag_from_original_text(&original);
  std::string name(original.data, original.length);
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

}  // namespace

void parse_html(const std::string& utf8, html_handler* h) {
  GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
  std::vector<std::pair<const GumboNode*, unsigned>> stack = {{out->document, 0}};
  while (!stack.empty()) {
    const GumboNode* node = stack.back().first;
    unsigned& next = stack.back().second;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    if (next == children.length) {
      if (node->type != GUMBO_NODE_DOCUMENT) h->end(element_name(node).c_str());
      stack.pop_back();
      continue;
    }
    const GumboNode* child = static_cast<const GumboNode*>(children.data[next++]);
    switch (child->type) {
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE: {
        std::vector<const char*> attrs;
        const GumboVector& a = child->v.element.attributes;
        for (unsigned i = 0; i < a.length; i++) {
          const GumboAttribute* at = static_cast<const GumboAttribute*>(a.data[i]);
          attrs.push_back(at->name);
          attrs.push_back(at->value);
        }
        attrs.push_back(nullptr);
        h->start(element_name(child).c_str(), attrs.data());
        stack.emplace_back(child, 0);
        break;
      }
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_CDATA:
      case GUMBO_NODE_WHITESPACE: {
        const char* t = child->v.text.text;
        h->text(t, strlen(t));
        break;
      }
      default:
        break;
    }
  }
  gumbo_destroy_output(&kGumboDefaultOptions, out);
}
