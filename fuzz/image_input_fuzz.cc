// Fuzzes the image reader behind the bitmap encoder: arbitrary file contents,
// told apart by their first bytes (PNG, GIF, JPEG, every netpbm form), as an
// image record (plain, and with every image option: scaled to a small width,
// dithered, with colour renditions, compressed) and as an icon.
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
  if (!write_scratch_file("image", data, size)) return 0;
  std::string why;
  conv_icon_ppm("image", out, sizeof out, 0, 4, &why);
  conv_icon_ppm("image", out, kAppInfoMax, 0, 2, &why);
  conv_icon_ppm("image", out, kAppInfoMax, 1, 2, &why);
  // The last byte picks the options, so that the fuzzer can reach each.
  image_options o;
  const unsigned pick = size ? data[size - 1] : 0;
  o.dither = pick & 1;
  o.compress = pick & 2;
  o.colour_depth = pick & 4 ? 8 : pick & 8 ? 16 : 0;
  o.fit_width = pick & 16 ? 1 + pick % 37 : 0;
  conv_image("image", out, sizeof out, o, &why);
  return 0;
}
