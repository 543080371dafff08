// Fuzzes the byte-coded page decoder of pageprobe -s: arbitrary bytes as the
// data of a page record. Positions below 8 name records, the rest none.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "byte_view.h"
#include "fuzz_scratch.h"
#include "markup/byte_markup_decoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string html;
  decode_byte_markup(make_view(data, size), "page.html",
                     [](unsigned p) { return p < 8 ? "p" + std::to_string(p) + ".html" : ""; },
                     &html);
  // Whatever the data, the result is a whole page.
  if (html.compare(0, 6, "<HTML>") != 0 || html.find("</HTML>") == std::string::npos) abort();
  return 0;
}
