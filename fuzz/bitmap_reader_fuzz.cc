// Fuzzes the Palm bitmap reader: arbitrary bytes as a bitmap of any version,
// depth, compression and family, read into colours as the preview reads it
// and exported as the listing writes it (with -v's headers and XPM when the
// first byte says so). What a bitmap expands to is bounded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bitmap/bitmap_export.h"
#include "bitmap/palm_bitmap_reader.h"
#include "byte_view.h"
#include "fuzz_scratch.h"
#include "probe_state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const byte_view bitmap = make_view(data + 1, size - 1);
  palm_image image;
  if (read_palm_bitmap(bitmap, "bitmap", &image) &&
      image.rgb.size() > kMaxPixelBytes * 8 * 3)  // at most 8 pixels a byte, 3 bytes each
    abort();
  vflag = data[0] & 1;
  sflag = (data[0] >> 1) & 1;
  static FILE* sink = fopen("/dev/null", "wb");
  export_bitmap(bitmap, "bitmap", sink);
  vflag = sflag = 0;
  return 0;
}
