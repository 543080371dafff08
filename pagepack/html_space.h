// HTML's white space: space, tab, line feed, carriage return and form feed.
#pragma once

#include <string>

inline bool is_html_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The text without the white space at its ends.
inline std::string trim_html_space(const std::string& s) {
  const char* kSpace = " \t\n\r\f";
  const size_t a = s.find_first_not_of(kSpace);
  return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(kSpace) - a + 1);
}
