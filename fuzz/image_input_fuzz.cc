// Fuzzes the image reader behind the bitmap encoder: arbitrary file contents,
// told apart by their first bytes (PNG, GIF, JPEG, every netpbm form), as an
// image record and as an icon.
#include <cstdint>

#include "bitmap_encoder.h"
#include "common/pqa_record.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned char out[kRecordBufferSize];
  if (!write_scratch_file("image", data, size)) return 0;
  std::string why;
  conv_icon_ppm("image", out, sizeof out, 0, 4, &why);
  conv_icon_ppm("image", out, kAppInfoMax, 0, 2, &why);
  return 0;
}
