#include "markup/web_hint.h"

#include <cstring>
#include <string>

#include "message.h"

static int counted = 0;

static bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

static bool otherwise(const char* filename, const char* text, size_t n) {
  std::string page(text, n);
  size_t body = page.find("<BODY");
  if (body == std::string::npos) return false;
  if (page.compare(body, 6, "<BODY>") != 0 && body + 5 < n && blank(page[body + 5])) return true;
  bool subfolder = strchr(filename, '/') != nullptr;
  for (size_t i = body; i < n; i++) {
    char c = page[i];
    if (c == '<') {
      size_t close = page.find('>', i);
      std::string tag =
          page.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      if (tag.compare(0, 6, "SCRIPT") == 0) return true;
      size_t href = tag.find("HREF=");
      if (subfolder && tag.compare(0, 2, "A ") == 0 && href != std::string::npos) {
        std::string v = tag.substr(href + 5);
        if (!v.empty() && v[0] == '"') v.erase(0, 1);
        if (!v.empty() && v[0] != '#' && v.compare(0, 4, "http") != 0) return true;
      }
      if (close == std::string::npos) break;
      i = close;
    } else if (c == '&') {
      if (page.compare(i, 4, "&gt;") != 0 && page.compare(i, 4, "&lt;") != 0) return true;
    } else if (c == '\n' && i > 0 && !blank(page[i - 1]) && page[i - 1] != '>') {
      size_t next = i + 1;
      while (next < n && blank(page[next])) next++;
      if (next < n && page[next] != '<') return true;
    }
  }
  return false;
}

void note_web_reading(const char* filename, const char* text, size_t n) {
  if (otherwise(filename, text, n)) counted++;
}

int pages_read_otherwise() { return counted; }

void tell_web_reading() {
  if (counted)
    message(
        "%d page%s read otherwise by a web browser (a <BODY> with attributes, entities or line "
        "breaks in the text, script text, links from a subfolder); pagepack -w reads them as a "
        "browser does",
        counted, counted == 1 ? " is" : "s are");
}
