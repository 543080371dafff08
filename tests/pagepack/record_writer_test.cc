#include "record_writer.h"

#include "big_endian.h"
#include "pagepack_test_util.h"

TEST(PagepackRecordWriter, RefusesWritesPastTheEndAndStaysFull) {
  unsigned char buf[8] = {};
  record_writer w = make_writer(buf, 2, 6);
  EXPECT_TRUE(put_be16(&w, 0x1234));
  EXPECT_TRUE(put_byte(&w, 0xAB));
  EXPECT_FALSE(put_be16(&w, 0xFFFF));  // one byte left: nothing written
  EXPECT_TRUE(w.full);
  EXPECT_EQ(5u, w.pos);
  EXPECT_FALSE(put_byte(&w, 1));  // would fit, but the writer is full
  EXPECT_EQ("00 00 12 34 ab 00 00 00", hex(buf, 8));
  EXPECT_EQ(0u, room_left(&w));
}

TEST(PagepackRecordWriter, StringsCarryTheirNul) {
  unsigned char buf[4];
  record_writer w = make_writer(buf, 0, 4);
  EXPECT_TRUE(put_string(&w, "ab"));
  EXPECT_FALSE(put_string(&w, "c"));
  EXPECT_EQ("61 62 00", hex(buf, w.pos));
}

TEST(PagepackRecordWriter, DataRoomKeepsRecordAndLengthFieldInBounds) {
  EXPECT_EQ(65516u, record_data_room(0));
  EXPECT_EQ(65506u, record_data_room(10));
  EXPECT_EQ(kRecordBufferSize - kPqaHeaderSize - kMaxUrlField, record_data_room(kMaxUrlField));
}

TEST(PagepackRecordWriter, HeaderAndUrlField) {
  memset(RecordBuffer, 0xEE, 64);
  EXPECT_EQ(26, begin_record("a.htm", kContentPage));
  EXPECT_EQ(36u, finish_record(10));
  EXPECT_EQ("00 00 00 14 00 06 00 00 00 1a 00 0a 04 00 00 00 00 0a 00 00 61 2e 68 74 6d 00",
            hex(RecordBuffer, 26));
  EXPECT_EQ(30, begin_record("index.html", kContentImage));
  EXPECT_EQ("00 00 00 14 00 0a 00 00 00 1e 00 00 05 00 00 00 00 00 00 00", hex(RecordBuffer, 20));
  EXPECT_EQ(text_hex("index.html"), hex(RecordBuffer + 20, 10));
}

TEST(PagepackRecordWriter, NamesTooLongForTheUrlFieldAreRefused) {
  std::string name(kMaxUrlField + 1, 'x');
  EXPECT_EQ(kRecordNameTooLong, begin_record(name.c_str(), kContentPage));
  name.resize(kMaxUrlField);
  EXPECT_EQ(static_cast<int>(kPqaHeaderSize + kMaxUrlField),
            begin_record(name.c_str(), kContentPage));
}
