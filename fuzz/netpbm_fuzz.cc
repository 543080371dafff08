// Fuzzes the netpbm reader of the bitmap encoder: arbitrary file contents as
// an icon (2 grey levels) and as an image (4 grey levels).
#include <cstdint>

#include "common/pqa_record.h"
#include "fuzz_scratch.h"
#include "image/bitmap_encoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned char out[kRecordBufferSize];
  if (!write_scratch_file("image.pnm", data, size)) return 0;
  conv_icon_ppm("image.pnm", out, kAppInfoMax, 0, 2);
  conv_icon_ppm("image.pnm", out, sizeof out, 0, 4);
  return 0;
}
