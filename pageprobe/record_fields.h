// The URL and data ranges of a PQA record, found through its header's offsets.
#pragma once

#include <string>

#include "byte_view.h"
#include "common/pqa_record.h"

// The range a header offset and length name; false when it lies outside rec.
inline bool record_range(byte_view rec, size_t offset_at, size_t length_at, byte_view* out) {
  uint32_t offset;
  unsigned length;
  return view_be32(rec, offset_at, &offset) && view_be16(rec, length_at, &length) &&
         view_sub(rec, offset, length, out);
}

// The record's URL up to its first zero byte; false when it lies outside rec.
inline bool record_url_text(byte_view rec, std::string* url) {
  byte_view field;
  if (!record_range(rec, kUrlOffset, kUrlLength, &field)) return false;
  *url = view_text(field);
  return true;
}

inline bool record_data_view(byte_view rec, byte_view* data) {
  return record_range(rec, kDataOffset, kDataLength, data);
}
