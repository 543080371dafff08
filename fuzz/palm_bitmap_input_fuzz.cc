// Fuzzes the check of a Palm bitmap given as it is (--bitmap=NAME): arbitrary
// bytes as the file, and the same bytes checked in place.
#include <cstdint>

#include "common/pqa_record.h"
#include "fuzz_scratch.h"
#include "image/palm_bitmap_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned char out[kRecordBufferSize];
  std::string why;
  palm_bitmap_problem(data, size);
  if (write_scratch_file("bitmap", data, size)) read_palm_bitmap_file("bitmap", out, sizeof out, &why);
  return 0;
}
