// Fuzzes the attribute parser and the tag encoder: arbitrary bytes as the text
// between '<' and '>', encoded into a record. The first byte sets how much
// room the record has left, so that running out of room is covered too.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_scratch.h"
#include "markup/attributes.h"
#include "markup/tag_encoder.h"
#include "queue_cleanup.h"
#include "record_writer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t room = data[0] == 0xFF ? sizeof RecordBuffer : data[0];
  std::vector<char> text(data + 1, data + size);
  text.push_back('\0');

  // The attribute parser alone, on its own copy.
  std::vector<char> attrs_text = text;
  attribute* list = getattrs(attrs_text.data());
  volatile bool found = findattr("SRC", list) != nullptr;
  (void)found;
  destroy_attr(list);

  record_writer w = make_writer(RecordBuffer, 0, room);
  compile_tag(&w, text.data());
  release_record_queue(0);
  return 0;
}
