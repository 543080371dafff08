// --help and --version as GNU programs answer them, checked on a built
// program: standard output, status 0, nothing on standard error; every option
// line of --help names its options and says what they do, the descriptions in
// one column; a full standard output is an error.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "version.h"

inline void expect_help_and_version(const std::string& bin, const std::string& name,
                                    const std::string& usage,
                                    const std::vector<std::string>& options) {
  TempDir dir;
  RunResult r = run_program(bin, {"--help"}, dir.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(0u, r.out.find("Usage: " + bin + " " + usage + "\n")) << r.out;
  // "  -p DIR     what it does", "      --help  what it does"
  const std::regex option_line("( {2,6}-(?:[^ ]| (?! ))+) {2,}(\\S.*)");
  std::istringstream lines(r.out);
  std::vector<std::string> names;
  size_t column = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) != 0 && line.rfind("      --", 0) != 0) continue;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, option_line)) << "option line without help: " << line;
    if (column == 0) column = m.position(2);
    EXPECT_EQ(column, static_cast<size_t>(m.position(2))) << line;
    names.push_back(m[1]);
  }
  for (const std::string& option : options) {
    bool listed = false;
    for (const std::string& n : names) listed |= n.find(option) != std::string::npos;
    EXPECT_TRUE(listed) << option << " not in --help:\n" << r.out;
  }

  r = run_program(bin, {"--version"}, dir.path());
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(name + " " PQA_TOOLS_VERSION "\n", r.out);
  EXPECT_TRUE(std::regex_match(r.out, std::regex(name + " [0-9]+\\.[0-9]+\\.[0-9]+\n")));
  EXPECT_TRUE(list_dir(dir.path()).empty());

  for (const char* option : {"--help", "--version"}) {
    r = run_shell(shell_quote(bin) + " " + option + " >/dev/full", dir.path());
    EXPECT_EQ(1, r.status) << option;
    EXPECT_EQ(name + ": standard output: No space left on device\n", r.err) << option;
  }
}
