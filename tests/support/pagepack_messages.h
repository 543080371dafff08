// pagepack's standard error without what every run adds: the notes of
// missing launcher icons and the closing line. What is left are the messages
// a test is about.
#pragma once

#include <regex>
#include <sstream>
#include <string>

inline std::string pagepack_slips(const std::string& err) {
  static const std::regex every_run(
      "pagepack: no (LgIcon|SmIcon)\\.pnm: the launcher shows its own icon|"
      "pagepack: .*: [0-9]+ records? \\([0-9]+ pages?, [0-9]+ images?\\), [0-9,]+ bytes.*");
  std::istringstream lines(err);
  std::string line, kept;
  while (std::getline(lines, line))
    if (!std::regex_match(line, every_run)) kept += line + "\n";
  return kept;
}
