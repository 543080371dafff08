// Runs one tag text through compile_tag into a small buffer.
#pragma once

#include <string>
#include <vector>

#include "markup/tag_encoder.h"
#include "pagepack_test_util.h"

struct Encoded {
  int result;
  std::string bytes;  // hex of what was written
  bool full;
};

inline Encoded encode(const std::string& tag, size_t room = 256) {
  std::vector<char> text(tag.begin(), tag.end());
  text.push_back('\0');
  unsigned char buf[512];
  record_writer w = make_writer(buf, 0, room);
  int result = compile_tag(&w, text.data());
  return Encoded{result, hex(buf, w.pos), w.full};
}

inline std::string bytes_of(const std::string& tag) { return encode(tag).bytes; }

class PagepackTagTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_record_queue(); }
  void TearDown() override { clear_record_queue(); }
};
