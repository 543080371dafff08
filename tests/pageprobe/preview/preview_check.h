// Checks on a preview folder that hold for any database: only names the
// program makes, and every link and image naming a file of the folder.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "support/run_program.h"

// Every href and src value in the files of dir that does not name one of
// them (a #fragment aside); empty when all resolve.
inline std::vector<std::string> unresolved_targets(const std::string& dir) {
  std::vector<std::string> files = list_dir(dir), bad;
  static const std::regex target("(href|src)=\"([^\"#]*)[^\"]*\"", std::regex::icase);
  for (const std::string& f : files) {
    std::string text = read_file(dir + "/" + f);
    for (std::sregex_iterator m(text.begin(), text.end(), target), end; m != end; ++m)
      if (!std::binary_search(files.begin(), files.end(), (*m)[2].str()))
        bad.push_back(f + ": " + (*m)[0].str());
  }
  return bad;
}

// Names that the program makes: index.html, the icons, record-NNNN files.
inline bool preview_name(const std::string& name) {
  static const std::regex made(
      "index\\.html|icon-(large|small)\\.png|record-[0-9]{4,5}\\.(html|png|gif|jpg)");
  return std::regex_match(name, made);
}
