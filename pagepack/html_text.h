// Text rules of HTML's names and markup: its white space (space, tab, line
// feed, carriage return and form feed) and ASCII-only letter case.
#pragma once

#include <string>

// Lower case of the ASCII letters only, as HTML compares names and labels.
inline std::string ascii_lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

inline bool is_html_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The text without the white space at its ends.
inline std::string trim_html_space(const std::string& s) {
  const char* kSpace = " \t\n\r\f";
  const size_t a = s.find_first_not_of(kSpace);
  return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(kSpace) - a + 1);
}
