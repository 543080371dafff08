#include "record_writer.h"

#include <cstring>

#include "big_endian.h"

unsigned char RecordBuffer[kRecordBufferSize];

record_writer make_writer(unsigned char* buf, size_t pos, size_t end) {
  return record_writer{buf, pos, end, pos > end};
}

size_t room_left(const record_writer* w) {
  return w->full || w->pos >= w->end ? 0 : w->end - w->pos;
}

bool put_bytes(record_writer* w, const void* data, size_t n) {
  if (w->full || n > room_left(w)) {
    w->full = true;
    return false;
  }
  if (n) memcpy(w->buf + w->pos, data, n);
  w->pos += n;
  return true;
}

bool put_byte(record_writer* w, unsigned v) {
  unsigned char b = static_cast<unsigned char>(v);
  return put_bytes(w, &b, 1);
}

bool put_be16(record_writer* w, unsigned v) {
  unsigned char b[2];
  put_be16(b, v & 0xFFFF);
  return put_bytes(w, b, 2);
}

bool put_string(record_writer* w, const char* s) {
  return put_bytes(w, s, strlen(s) + 1);
}

size_t url_field_length(const char* name) {
  size_t n = strlen(name);
  return n + (n & 1);
}

int begin_record(const char* name, uint8_t content_type) {
  size_t lu = url_field_length(name);
  if (lu > kMaxUrlField) return kRecordNameTooLong;
  unsigned char* h = RecordBuffer;
  memset(h, 0, kPqaHeaderSize);
  put_be32(h + kUrlOffset, kPqaHeaderSize);
  put_be16(h + kUrlLength, static_cast<uint32_t>(lu));
  put_be32(h + kDataOffset, static_cast<uint32_t>(kPqaHeaderSize + lu));
  h[kContentType] = content_type;
  h[kCompressionType] = kCompressionByteCoded;
  // The name's own NUL pads an odd length.
  memcpy(h + kPqaHeaderSize, name, lu);
  return static_cast<int>(kPqaHeaderSize + lu);
}

size_t finish_record(size_t data_length) {
  unsigned char* h = RecordBuffer;
  put_be16(h + kDataLength, static_cast<uint32_t>(data_length));
  put_be32(h + kUncompressedSize, static_cast<uint32_t>(data_length));
  return kPqaHeaderSize + get_be16(h + kUrlLength) + get_be16(h + kDataLength);
}
