#include "markup/bit_reader.h"

#include <gtest/gtest.h>

#include "bit_writer.h"

namespace {

TEST(PageprobeBitReader, ReadsFieldsMostSignificantBitFirstAcrossBytes) {
  const unsigned char data[] = {0xA5, 0x3C};
  auto b = InitBitBuffer(data, 2);
  EXPECT_EQ(5, GetBits(b.get(), 3));
  EXPECT_EQ(5, GetBits(b.get(), 5));
  EXPECT_EQ(3, GetBits(b.get(), 4));
  EXPECT_EQ(12, GetBits(b.get(), 4));
  EXPECT_EQ(-1, GetBits(b.get(), 1));
  EXPECT_EQ(16, b->bitpos);
}

TEST(PageprobeBitReader, StraddlingReadTakesBothBytes) {
  const unsigned char data[] = {0x0F, 0xF0};
  auto b = InitBitBuffer(data, 2);
  EXPECT_EQ(0, GetBits(b.get(), 4));
  EXPECT_EQ(0xFF, GetBits(b.get(), 8));
  EXPECT_EQ(0, GetBits(b.get(), 4));
}

TEST(PageprobeBitReader, TooWideReadFailsWithoutMoving) {
  const unsigned char data[] = {0xA5, 0x3C};
  auto b = InitBitBuffer(data, 2);
  EXPECT_EQ(-2, GetBits(b.get(), 9));
  EXPECT_EQ(0, b->bitpos);
  EXPECT_EQ(0xA5, GetBits(b.get(), 8));
}

TEST(PageprobeBitReader, ReadEndingAtLastBitSucceedsLongerFails) {
  const unsigned char data[] = {0x07};
  auto b = InitBitBuffer(data, 1);
  b->bitpos = 5;
  auto c = InitBitBuffer(data, 1);
  c->bitpos = 5;
  EXPECT_EQ(7, GetBits(b.get(), 3));
  EXPECT_EQ(-1, GetBits(c.get(), 4));
  EXPECT_EQ(5, c->bitpos);
  EXPECT_EQ(0, GetBits(c.get(), 0));
  EXPECT_EQ(5, c->bitpos);
}

TEST(PageprobeBitReader, EmptyReaderFailsEveryRead) {
  auto b = InitBitBuffer(nullptr, 0);
  ASSERT_TRUE(b);
  EXPECT_EQ(-1, GetBits(b.get(), 1));
  EXPECT_EQ(0, GetBits(b.get(), 0));
  EXPECT_EQ(0u, UintV(b.get()));
}

// Decodes the bits written by w with one UintV and reports bits consumed.
static uint32_t read_uintv(const BitWriter& w, int* consumed) {
  auto b = InitBitBuffer(w.bytes.data(), static_cast<int>(w.bytes.size()));
  uint32_t v = UintV(b.get());
  *consumed = b->bitpos;
  return v;
}

TEST(PageprobeBitReader, UintVEveryForm) {
  int used = 0;
  EXPECT_EQ(0u, read_uintv(BitWriter().bits(0, 1), &used));
  EXPECT_EQ(1, used);
  EXPECT_EQ(5u, read_uintv(BitWriter().bits(0x2, 2).bits(5, 3), &used));
  EXPECT_EQ(5, used);
  EXPECT_EQ(5u, read_uintv(BitWriter().bits(0x6, 3).bits(5, 6), &used));
  EXPECT_EQ(9, used);
  EXPECT_EQ(63u, read_uintv(BitWriter().bits(0x6, 3).bits(63, 6), &used));
  EXPECT_EQ(256u, read_uintv(BitWriter().bits(0xE, 4).bits(1, 8).bits(0, 8), &used));
  EXPECT_EQ(20, used);
  EXPECT_EQ(0xDEADBEEFu, read_uintv(BitWriter().bits(0x1E, 5).bits(0xDEADBEEF, 32), &used));
  EXPECT_EQ(37, used);
  EXPECT_EQ(0u, read_uintv(BitWriter().bits(0x1F, 5).bits(0xFF, 8), &used));
  EXPECT_EQ(5, used);
}

TEST(PageprobeBitReader, UintVFailedReads) {
  int used = 0;
  // Prefix 10 with two bits left: the failed 3-bit read counts as -1.
  const unsigned char three[] = {0x08};
  auto b = InitBitBuffer(three, 1);
  b->bitpos = 4;
  EXPECT_EQ(0xFFFFFFFFu, UintV(b.get()));
  // Prefix 110 at the very end: the failed 6-bit read counts as -1.
  const unsigned char six[] = {0x06};
  b = InitBitBuffer(six, 1);
  b->bitpos = 5;
  EXPECT_EQ(0xFFFFFFFFu, UintV(b.get()));
  // 16-bit form with its low byte missing: 0x12 * 256 + (-1).
  EXPECT_EQ(0x11FFu, read_uintv(BitWriter().bits(0xE, 4).bits(0x12, 8).bits(0, 4), &used));
  // 32-bit form with three bytes missing.
  EXPECT_EQ(0x00FEFEFFu, read_uintv(BitWriter().bits(0x1E, 5).bits(0x01, 8).bits(0, 3), &used));
  // Five failing prefix bits at the very end give 0.
  const unsigned char none[] = {0x00};
  b = InitBitBuffer(none, 1);
  b->bitpos = 8;
  EXPECT_EQ(0u, UintV(b.get()));
}

}  // namespace
