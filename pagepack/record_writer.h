// RecordBuffer, where every record is assembled, and the bounded writer that
// every encoder writes through: a write that does not fit is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/pqa_record.h"

extern unsigned char RecordBuffer[kRecordBufferSize];

// Writes at buf[pos], never at or beyond buf[end]. The first write that does
// not fit sets `full` and writes nothing; every later write fails too, so a
// cut page or icon never continues with a later, smaller piece.
struct record_writer {
  unsigned char* buf;
  size_t pos;
  size_t end;
  bool full;
};

record_writer make_writer(unsigned char* buf, size_t pos, size_t end);
size_t room_left(const record_writer* w);
bool put_byte(record_writer* w, unsigned v);
bool put_be16(record_writer* w, unsigned v);  // low 16 bits, high byte first
bool put_bytes(record_writer* w, const void* data, size_t n);
bool put_string(record_writer* w, const char* s);  // the bytes and one 0x00

// The URL field length of a record for `name`: its length rounded up to even.
size_t url_field_length(const char* name);

// The most a URL field may take: urlLength is a signed 16-bit field, and the
// record must keep room for some data.
constexpr size_t kMaxUrlField = 32766;

// Results of the record builders (build_page_record, build_image_record)
// below zero: no record was made.
enum {
  kRecordUnreadable = -1,   // the input file cannot be read
  kRecordNameTooLong = -2,  // the name does not fit a URL field
};

// Writes the record header (lengths still 0) and the URL field for `name` at
// the start of RecordBuffer; returns the data offset, or kRecordNameTooLong
// when the name is longer than kMaxUrlField.
int begin_record(const char* name, uint8_t content_type);

// Stores dataLength and uncompressedSize and returns the record's total size,
// read back from the header as stored.
size_t finish_record(size_t data_length);
