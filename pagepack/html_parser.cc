#include "html_parser.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <cctype>
#include <cstdint>
#include <cstring>

#include "html_entities.h"

namespace {

void on_start(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  static const char* const kNone[] = {nullptr};
  static_cast<html_handler*>(ctx)->start(reinterpret_cast<const char*>(name),
                                         attrs ? reinterpret_cast<const char* const*>(attrs) : kNone);
}

void on_end(void* ctx, const xmlChar* name) {
  static_cast<html_handler*>(ctx)->end(reinterpret_cast<const char*>(name));
}

void on_text(void* ctx, const xmlChar* text, int n) {
  if (n > 0) static_cast<html_handler*>(ctx)->text(reinterpret_cast<const char*>(text), static_cast<size_t>(n));
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
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  return nullptr;
}

// Appends the characters of `utf8` as numeric references.
void append_numeric(const char* utf8, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned cp = *p, len = 1;
    if (cp >= 0xF0) cp &= 0x07, len = 4;
    else if (cp >= 0xE0) cp &= 0x0F, len = 3;
    else if (cp >= 0xC0) cp &= 0x1F, len = 2;
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
  ctxt->userData = h;
  // The text is UTF-8 already: a <meta charset> in it must not convert it again.
  // No implied elements: text is not wrapped in paragraphs a browser does not make.
  htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                               HTML_PARSE_NONET | HTML_PARSE_NOIMPLIED | HTML_PARSE_IGNORE_ENC |
                               XML_PARSE_HUGE);
  xmlSwitchEncoding(ctxt, XML_CHAR_ENCODING_UTF8);
  htmlParseDocument(ctxt);
  ctxt->userData = nullptr;
  htmlFreeParserCtxt(ctxt);
}
