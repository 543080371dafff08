// Builds bit-coded markup for the decoder's tests: fields MSB first, UintV
// numbers, codes, tags and text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BitWriter {
  std::vector<unsigned char> bytes;
  int nbits = 0;

  BitWriter& bits(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; i--) {
      if (nbits % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<unsigned char>(0x80 >> (nbits % 8));
      nbits++;
    }
    return *this;
  }
  BitWriter& code(int c) { return bits(static_cast<uint32_t>(c), 5); }
  BitWriter& tag(int t) { return code(1).bits(static_cast<uint32_t>(t), 8); }
  BitWriter& end() { return code(0); }  // ends a string, or pops at page level
  // The shortest UintV form of v.
  BitWriter& uintv(uint32_t v) {
    if (v == 0) return bits(0, 1);
    if (v < 8) return bits(0x2, 2).bits(v, 3);
    if (v < 64) return bits(0x6, 3).bits(v, 6);
    if (v < 65536) return bits(0xE, 4).bits(v, 16);
    return bits(0x1E, 5).bits(v, 32);
  }
  // Lower-case letters and spaces by their own codes, other bytes by code 2.
  BitWriter& text(const std::string& s) {
    for (unsigned char c : s) {
      if (c >= 'a' && c <= 'z')
        code(c - 91);
      else if (c == ' ')
        code(5);
      else
        code(2).bits(c, 8);
    }
    return *this;
  }
  // A nested string: its text and the code 0 that ends it.
  BitWriter& str(const std::string& s) { return text(s).end(); }
};
