// Reads the bit-coded page markup: fields of up to 8 bits, most significant
// bit first and unaligned, and the variable-length numbers UintV.
#pragma once

#include <cstdint>
#include <memory>

struct bit_buffer {
  const unsigned char* buffer;  // not owned; must outlive the reader
  int length;                   // bytes
  int bitpos;                   // bits consumed so far
};

// A reader at bit 0 of the length bytes at buf; null when out of memory.
std::unique_ptr<bit_buffer> InitBitBuffer(const unsigned char* buf, int length);

// The next `bits` bits (0 to 8) as 0..255, advancing the position. -2 when
// more than 8 bits are asked for, -1 when fewer remain; neither moves.
int GetBits(bit_buffer* buffer, int bits);

// A number in one of the prefix forms 0, 10+3, 110+6, 1110+16, 11110+32 bits,
// or 11111 (zero). Failed reads are not reported (they count as -1).
uint32_t UintV(bit_buffer* buffer);
