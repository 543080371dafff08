#include "web/charset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "html_text.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool has_prefix(const std::string& s, const char* p) { return s.compare(0, strlen(p), p) == 0; }

// The length of the valid UTF-8 sequence at s[i], or 0 when there is none
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t utf8_length(const unsigned char* s, size_t n, size_t i, unsigned* cp = nullptr) {
  unsigned c = s[i];
  size_t len;
  unsigned v, min;
  if (c < 0x80) {
    if (cp) *cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    len = 2, v = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, v = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, v = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (n - i < len) return 0;
  for (size_t k = 1; k < len; k++) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (s[i + k] & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  if (cp) *cp = v;
  return len;
}

bool valid_utf8(const std::string& s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0; i < s.size();) {
    if (p[i] < 0x80) {
      i++;
      continue;
    }
    size_t len = utf8_length(p, s.size(), i);
    if (!len) return false;
    i += len;
  }
  return true;
}

// An encoding label as iconv names it, by the browsers' reading of labels;
// empty when iconv does not know it.
std::string encoding_for_label(std::string label) {
  label = ascii_lower(label);
  static const char* const kWindows1252[] = {
      "iso-8859-1",   "iso8859-1",  "latin1",         "l1",   "us-ascii", "ascii", "cp1252",
      "windows-1252", "iso_8859-1", "x-user-defined", "cp819"};
  for (const char* l : kWindows1252)
    if (label == l) return "WINDOWS-1252";
  // A page that says it is UTF-16 in its own bytes cannot be: read as UTF-8.
  if (label == "utf8" || has_prefix(label, "utf-8") || has_prefix(label, "utf-16")) return "UTF-8";
  iconv_t cd = iconv_open("UTF-8", label.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  iconv_close(cd);
  return label;
}

// The label of the first <meta> in `head` (lower case) that names a charset,
// either as charset=... or inside content="...; charset=...".
std::string meta_charset(const std::string& head) {
  for (size_t at = head.find("<meta"); at != std::string::npos; at = head.find("<meta", at + 5)) {
    size_t end = head.find('>', at);
    std::string tag = head.substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t c = tag.find("charset");
    if (c == std::string::npos) continue;
    size_t i = c + 7;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n')) i++;
    if (i >= tag.size() || tag[i] != '=') continue;
    i++;
    while (i < tag.size() && strchr(" \t\n\"'", tag[i])) i++;
    size_t start = i;
    while (i < tag.size() &&
           (isalnum(static_cast<unsigned char>(tag[i])) || strchr("-_.:", tag[i])))
      i++;
    if (i > start) return tag.substr(start, i - start);
  }
  return std::string();
}

}  // namespace

std::string page_encoding(const std::string& page) {
  if (has_prefix(page, "\xEF\xBB\xBF")) return "UTF-8";
  if (has_prefix(page, "\xFE\xFF")) return "UTF-16BE";
  if (has_prefix(page, "\xFF\xFE")) return "UTF-16LE";
  std::string head = ascii_lower(page.substr(0, 1024));
  std::string label = meta_charset(head);
  if (!label.empty()) {
    std::string encoding = encoding_for_label(label);
    if (!encoding.empty()) return encoding;
  }
  return valid_utf8(page) ? "UTF-8" : "WINDOWS-1252";
}

std::string page_to_utf8(const std::string& page, const std::string& encoding) {
  size_t skip = 0;
  if (encoding == "UTF-8" && has_prefix(page, "\xEF\xBB\xBF")) skip = 3;
  if ((encoding == "UTF-16BE" && has_prefix(page, "\xFE\xFF")) ||
      (encoding == "UTF-16LE" && has_prefix(page, "\xFF\xFE")))
    skip = 2;
  std::string out;
  out.reserve(page.size() - skip + page.size() / 8);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(page.data());
  if (encoding == "UTF-8") {
    for (size_t i = skip; i < page.size();) {
      if (p[i] >= 0x20 && p[i] < 0x80) {  // the common case, a run of ASCII
        size_t j = i;
        while (j < page.size() && p[j] >= 0x20 && p[j] < 0x80) j++;
        out.append(page, i, j - i);
        i = j;
        continue;
      }
      size_t len = utf8_length(p, page.size(), i);
      if (!len) {
        out += kReplacement;
        i++;
      } else {
        if (p[i]) out.append(page, i, len);
        i += len;
      }
    }
    return out;
  }
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return page_to_utf8(page, "WINDOWS-1252");
  char buf[8192];
  char* in = const_cast<char*>(page.data()) + skip;
  size_t in_left = page.size() - skip;
  while (in_left > 0) {
    char* o = buf;
    size_t o_left = sizeof buf;
    size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    int e = errno;
    out.append(buf, static_cast<size_t>(o - buf));
    if (r != static_cast<size_t>(-1) || e == E2BIG) continue;
    out += kReplacement;  // a byte that does not decode, or a cut sequence at the end
    if (e == EINVAL) break;
    in++, in_left--;
  }
  iconv_close(cd);
  out.erase(std::remove(out.begin(), out.end(), '\0'), out.end());
  return out;
}

cp1252_text::cp1252_text() { translit_ = iconv_open("WINDOWS-1252//TRANSLIT", "UTF-8"); }

cp1252_text::~cp1252_text() {
  if (translit_ != reinterpret_cast<iconv_t>(-1)) iconv_close(translit_);
}

void cp1252_text::convert_char(unsigned cp, const char* utf8, size_t n, std::string* out) {
  auto hit = cache_.find(cp);
  if (hit == cache_.end()) {
    std::string bytes;
    if (cp >= 0x80 && cp <= 0x9F) {
      // The five bytes Windows-1252 leaves undefined are controls there too.
      bytes = strchr("\x81\x8D\x8F\x90\x9D", static_cast<int>(cp))
                  ? "?"
                  : std::string(1, static_cast<char>(cp));
    } else if (translit_ != reinterpret_cast<iconv_t>(-1)) {
      char buf[32];
      char* in = const_cast<char*>(utf8);
      size_t in_left = n;
      char* o = buf;
      size_t o_left = sizeof buf;
      iconv(translit_, nullptr, nullptr, nullptr, nullptr);
      if (iconv(translit_, &in, &in_left, &o, &o_left) != static_cast<size_t>(-1) && o > buf)
        bytes.assign(buf, static_cast<size_t>(o - buf));
    }
    if (bytes.empty()) bytes = "?";
    hit = cache_.emplace(cp, bytes).first;
  }
  if (hit->second == "?") unknown++;
  *out += hit->second;
}

void cp1252_text::convert(const char* utf8, size_t n, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  out->reserve(out->size() + n);
  for (size_t i = 0; i < n;) {
    if (p[i] >= 0x20 && p[i] < 0x80) {
      size_t j = i;
      while (j < n && p[j] >= 0x20 && p[j] < 0x80) j++;
      out->append(utf8 + i, j - i);
      i = j;
      continue;
    }
    unsigned cp;
    size_t len = utf8_length(p, n, i, &cp);
    if (!len) {  // not reached for text from page_to_utf8
      *out += '?';
      unknown++;
      i++;
      continue;
    }
    if (cp < 0x80) {
      if (cp >= 0x20 || cp == '\t' || cp == '\n' || cp == '\r') *out += static_cast<char>(cp);
    } else {
      convert_char(cp, utf8 + i, len, out);
    }
    i += len;
  }
}
