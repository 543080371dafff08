#include "markup/bit_reader.h"

#include <new>

std::unique_ptr<bit_buffer> InitBitBuffer(const unsigned char* buf, int length) {
  std::unique_ptr<bit_buffer> b(new (std::nothrow) bit_buffer);
  if (!b) return b;
  b->buffer = buf;
  b->length = buf && length > 0 ? length : 0;
  b->bitpos = 0;
  return b;
}

int GetBits(bit_buffer* buffer, int bits) {
  if (bits > 8 || bits < 0) return -2;
  if (bits == 0) return 0;
  if (static_cast<long>(buffer->bitpos) + bits > 8L * buffer->length) return -1;
  int charpos = buffer->bitpos / 8;
  int bitoff = buffer->bitpos % 8;
  unsigned window = static_cast<unsigned>(buffer->buffer[charpos]) << 8;
  if (charpos + 1 < buffer->length) window |= buffer->buffer[charpos + 1];
  unsigned top = ((window << bitoff) >> 8) & 0xFFu;
  int value = static_cast<int>((top >> (8 - bits)) & ((1u << bits) - 1));
  buffer->bitpos += bits;
  return value;
}

// A field read of up to 8 bits, with a failed read taken as all bits set.
static uint32_t field(bit_buffer* buffer, int bits) {
  return static_cast<uint32_t>(GetBits(buffer, bits));
}

uint32_t UintV(bit_buffer* buffer) {
  int ones = 0;
  while (ones < 5 && GetBits(buffer, 1) != 0) ones++;
  switch (ones) {
    case 0:
      return 0;
    case 1:
      return field(buffer, 3);
    case 2:
      return field(buffer, 6);
    case 3: {
      uint32_t v = field(buffer, 8);
      return v * 256u + field(buffer, 8);
    }
    case 4: {
      uint32_t v = 0;
      for (int i = 0; i < 4; i++) v = v * 256u + field(buffer, 8);
      return v;
    }
    default:
      return 0;
  }
}
