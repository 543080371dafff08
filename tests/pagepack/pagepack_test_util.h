// Helpers for the pagepack unit tests: hex views of written bytes, a tag run
// through compile_tag, and a fixture that works in a fresh directory.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "record_queue.h"
#include "support/run_program.h"

// "01 0a ff": the bytes as two-digit hex words separated by spaces.
inline std::string hex(const unsigned char* p, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    snprintf(b, sizeof b, i ? " %02x" : "%02x", p[i]);
    s += b;
  }
  return s;
}

inline std::string hex(const std::string& bytes) {
  return hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// Hex of a text: "ab" -> "61 62".
inline std::string text_hex(const std::string& text) { return hex(text); }

// Runs the tests of a fixture in a fresh scratch directory with an empty queue.
class PagepackDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[4096];
    old_ = getcwd(buf, sizeof buf) ? buf : "/";
    ASSERT_EQ(0, chdir(dir_.path().c_str()));
    clear_record_queue();
  }
  void TearDown() override {
    if (chdir(old_.c_str()) != 0) perror("chdir");
    clear_record_queue();
  }
  void write(const std::string& name, const std::string& bytes) {
    write_file(dir_.file(name), bytes);
  }

  TempDir dir_;
  std::string old_;
};
