// Build step: turns the HTML standard's list of named character references
// (entities.json, one reference a line) into the C++ table html_entities.cc.
// The names that end in ';' become kHtmlEntities (without the ';', with their
// characters in UTF-8); the names HTML also decodes without ';' become
// kLegacyEntityNames. Both are sorted by strcmp, as the binary search needs.
// Usage: make_entity_table entities.json html_entities.cc
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "make_entity_table: " << what << "\n";
  std::exit(1);
}

void append_utf8(unsigned long cp, std::string* out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A C string literal: printable ASCII as it is, every other byte (and the
// quote, the backslash and '?', which could begin a trigraph) as a
// three-digit octal escape.
std::string literal(const std::string& bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
      s += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", c);
      s += esc;
    }
  }
  return s + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) fail("usage: make_entity_table entities.json html_entities.cc");
  std::ifstream in(argv[1]);
  if (!in) fail(std::string(argv[1]) + ": cannot be read");

  std::vector<std::pair<std::string, std::string>> entities;  // name, UTF-8
  std::vector<std::string> legacy;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const size_t amp = line.find("\"&");
    if (amp == std::string::npos) continue;  // the braces of the object
    const size_t name_end = line.find('"', amp + 2);
    const size_t open = line.find('[', name_end);
    const size_t close = line.find(']', open);
    if (name_end == std::string::npos || open == std::string::npos || close == std::string::npos)
      fail(std::string(argv[1]) + ":" + std::to_string(number) + ": not a reference");
    std::string name = line.substr(amp + 2, name_end - amp - 2);
    std::string utf8;
    std::istringstream codepoints(line.substr(open + 1, close - open - 1));
    std::string cp;
    while (std::getline(codepoints, cp, ',')) {
      const unsigned long value = std::strtoul(cp.c_str(), nullptr, 10);
      if (value == 0 || value > 0x10FFFF)
        fail(std::string(argv[1]) + ":" + std::to_string(number) + ": code point out of range");
      append_utf8(value, &utf8);
    }
    if (!name.empty() && name.back() == ';') {
      name.pop_back();
      entities.emplace_back(name, utf8);
    } else {
      legacy.push_back(name);
    }
  }
  if (entities.empty()) fail(std::string(argv[1]) + ": no references");
  std::sort(entities.begin(), entities.end());
  std::sort(legacy.begin(), legacy.end());

  std::ostringstream out;
  out << "// Made by make_entity_table from entities.json; do not edit.\n"
         "// The named character references of HTML: name (without '&' and ';') and\n"
         "// characters in UTF-8, sorted by name (strcmp).\n"
         "#include \"web/html_entities.h\"\n\n"
         "const html_entity kHtmlEntities[] = {\n";
  for (const auto& e : entities) out << "    {\"" << e.first << "\", " << literal(e.second) << "},\n";
  out << "};\n"
         "const size_t kHtmlEntityCount = sizeof kHtmlEntities / sizeof kHtmlEntities[0];\n\n"
         "// The keys of the same table that have no ';'.\n"
         "const char* const kLegacyEntityNames[] = {\n";
  // Nine names a row, each but a row's last padded to ten columns.
  for (size_t i = 0; i < legacy.size(); ++i) {
    std::string item = "\"" + legacy[i] + "\",";
    const bool row_end = i % 9 == 8 || i + 1 == legacy.size();
    if (i % 9 == 0) out << "    ";
    out << item;
    if (row_end) {
      out << "\n";
    } else {
      out << std::string(item.size() < 10 ? 10 - item.size() : 1, ' ');
    }
  }
  out << "};\n"
         "const size_t kLegacyEntityCount = sizeof kLegacyEntityNames / "
         "sizeof kLegacyEntityNames[0];\n";

  std::ofstream file(argv[2], std::ios::binary);
  file << out.str();
  file.close();
  if (!file) fail(std::string(argv[2]) + ": cannot be written");
  return 0;
}
