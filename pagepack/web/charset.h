// Characters of web pages: which encoding a page is in (as a browser decides
// it), the page text in UTF-8 for the HTML parser, and text in the handheld's
// character set, Windows-1252, through iconv.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>
#include <unordered_map>

// The encoding of `page`, as an iconv name: a byte-order mark; then a <meta
// charset> or http-equiv Content-Type in the first 1024 bytes; else UTF-8 when
// every byte sequence is valid UTF-8; else WINDOWS-1252. Labels that browsers
// read as Windows-1252 (ISO-8859-1, US-ASCII, ...) give WINDOWS-1252.
std::string page_encoding(const std::string& page);

// `page` (in `encoding`, its byte-order mark skipped) as valid UTF-8: bytes
// that do not decode become U+FFFD, as a browser shows them, and NUL bytes
// are dropped. Linear in the page.
std::string page_to_utf8(const std::string& page, const std::string& encoding);

// UTF-8 text into Windows-1252. A character that set lacks is transliterated
// where iconv can (U+2192 to "->") and becomes '?' where it cannot; those
// are counted in `unknown`. C1 code points (U+0080 to U+009F, what numeric
// references such as &#150; give) are the Windows-1252 bytes of the same
// value, as browsers read them. C0 controls other than TAB, LF and CR, which
// the markup cannot carry as text, are dropped.
class cp1252_text {
 public:
  cp1252_text();
  ~cp1252_text();
  cp1252_text(const cp1252_text&) = delete;
  cp1252_text& operator=(const cp1252_text&) = delete;

  // Appends the conversion of `utf8` (valid UTF-8) to `out`.
  void convert(const char* utf8, size_t n, std::string* out);
  std::string convert(const std::string& utf8) {
    std::string out;
    convert(utf8.data(), utf8.size(), &out);
    return out;
  }
  size_t unknown = 0;

 private:
  void convert_char(unsigned cp, const char* utf8, size_t n, std::string* out);
  iconv_t translit_;
  std::unordered_map<unsigned, std::string> cache_;  // code point -> bytes
};
