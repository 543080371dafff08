#include "message.h"

#include <cstdarg>
#include <cstdio>

int exit_status = 0;

std::string escaped_controls(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c != 0x7F) {
      out += ch;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

std::string formatted(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int n = vsnprintf(nullptr, 0, format, again);
  va_end(again);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) vsnprintf(&text[0], text.size() + 1, format, args);
  return text;
}

void message(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatted(format, args);
  va_end(args);
  fflush(stdout);
  fprintf(stderr, "%s: %s\n", program_name, escaped_controls(text).c_str());
}

void plain_message(const char* format, ...) {
  fflush(stdout);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
}
