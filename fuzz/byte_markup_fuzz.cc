// Fuzzes the byte-coded page decoder of pageprobe -s: arbitrary bytes as the
// data of a page record. Positions below 8 name records, the rest none. The
// same bytes, cut in two at the first "--part--", are joined as the parts of
// a page, and a joined page is decoded as pagepack -w reads it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "byte_view.h"
#include "fuzz_scratch.h"
#include "markup/byte_markup_decoder.h"
#include "markup/part_join.h"

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
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t cut = bytes.find("--part--");
  if (cut == std::string::npos) return 0;
  joined_page page;
  if (!join_parts({{make_view(data, cut), 10}, {make_view(data + cut + 8, size - cut - 8), 12}},
                  &page).empty())
    return 0;
  for (size_t m : page.marks)
    if (m > page.data.size()) abort();
  decode_byte_markup(make_view(page.data.data(), page.data.size()), nullptr,
                     [](unsigned) { return std::string("p.html"); }, &html, true, nullptr,
                     "page.html", &page.marks);
  if (html.compare(0, 15, "<!DOCTYPE html>") != 0) abort();
  return 0;
}
