#include "html_parser.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "html_entities.h"

namespace {

// The handler, and which open elements were handed on: libxml2 wraps text
// that stands outside any element, or in <html> or <head>, in a <p> of its
// own, which a browser does not make. Such a <p> starts while the parser is
// at text; a <p> of the page starts at the '>' (or "/>") of its tag.
struct parse_state {
  html_handler* h;
  htmlParserCtxtPtr ctxt;
  std::vector<bool> implied;
};

void on_start(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  static const char* const kNone[] = {nullptr};
  parse_state* s = static_cast<parse_state*>(ctx);
  const char* n = reinterpret_cast<const char*>(name);
  const xmlChar* at = s->ctxt->input ? s->ctxt->input->cur : nullptr;
  bool implied = !attrs && strcmp(n, "p") == 0 && at && *at != '>' && *at != '/';
  s->implied.push_back(implied);
  if (!implied) s->h->start(n, attrs ? reinterpret_cast<const char* const*>(attrs) : kNone);
}

void on_end(void* ctx, const xmlChar* name) {
  parse_state* s = static_cast<parse_state*>(ctx);
  bool implied = !s->implied.empty() && s->implied.back();
  if (!s->implied.empty()) s->implied.pop_back();
  if (!implied) s->h->end(reinterpret_cast<const char*>(name));
}

void on_text(void* ctx, const xmlChar* text, int n) {
  if (n > 0)
    static_cast<parse_state*>(ctx)->h->text(reinterpret_cast<const char*>(text),
                                            static_cast<size_t>(n));
}

// The parser's own complaints about the markup are not the user's business.
void silent(void*, const char*, ...) {}

const html_entity* find_entity(const char* name, size_t n) {
  size_t lo = 0, hi = kHtmlEntityCount;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = strncmp(kHtmlEntities[mid].name, name, n);
    if (c == 0 && kHtmlEntities[mid].name[n] != '\0') c = 1;
    if (c == 0) return &kHtmlEntities[mid];
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return nullptr;
}

// Appends the characters of `utf8` as numeric references.
void append_numeric(const char* utf8, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned cp = *p, len = 1;
    if (cp >= 0xF0)
      cp &= 0x07, len = 4;
    else if (cp >= 0xE0)
      cp &= 0x0F, len = 3;
    else if (cp >= 0xC0)
      cp &= 0x1F, len = 2;
    for (unsigned k = 1; k < len; k++) cp = (cp << 6) | (p[k] & 0x3F);
    p += len;
    *out += "&#" + std::to_string(cp) + ";";
  }
}

}  // namespace

std::string numeric_references(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    size_t amp = utf8.find('&', i);
    if (amp == std::string::npos) break;
    size_t j = amp + 1;
    while (j < utf8.size() && j - amp <= 32 && isalnum(static_cast<unsigned char>(utf8[j]))) j++;
    const html_entity* e = j < utf8.size() && utf8[j] == ';' && j > amp + 1
                               ? find_entity(utf8.data() + amp + 1, j - amp - 1)
                               : nullptr;
    out.append(utf8, i, amp - i);
    if (e) {
      append_numeric(e->utf8, &out);
      i = j + 1;
    } else {
      out += '&';
      i = amp + 1;
    }
  }
  out.append(utf8, i, std::string::npos);
  return out;
}

void parse_html(const std::string& utf8, html_handler* h) {
  static bool initialised = [] {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, silent);
    return true;
  }();
  (void)initialised;
  std::string text = numeric_references(utf8);
  if (text.size() > static_cast<size_t>(INT32_MAX)) text.resize(INT32_MAX);
  htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
  if (!ctxt) return;
  htmlSAXHandler sax;
  memset(&sax, 0, sizeof sax);
  sax.startElement = on_start;
  sax.endElement = on_end;
  sax.characters = on_text;
  sax.ignorableWhitespace = on_text;
  sax.cdataBlock = on_text;
  memcpy(ctxt->sax, &sax, sizeof sax);
  parse_state state{h, ctxt, {}};
  ctxt->userData = &state;
  // The text is UTF-8 already: a <meta charset> in it must not convert it again.
  // Implied <html> and <body> as a browser makes them (text outside any element
  // would otherwise be wrapped in a <p>).
  htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                               HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE);
  xmlSwitchEncoding(ctxt, XML_CHAR_ENCODING_UTF8);
  htmlParseDocument(ctxt);
  ctxt->userData = nullptr;
  htmlFreeParserCtxt(ctxt);
}
