// Fuzzes what the preview makes of a page record: arbitrary bytes decoded by
// the first byte's choice (0 byte-coded, 1 bit-coded, else the bytes taken as
// decoded markup) and passed through the markup filter. Whatever the input,
// the filtered page holds no tag but those the filter writes, and every
// record index leads to a file of the preview or nowhere.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "byte_view.h"
#include "fuzz_scratch.h"
#include "markup/markup_filter.h"
#include "preview/preview_page.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

static const std::set<std::string> kFiles = {"record-0001.html", "record-0002.png"};

static std::string target(bool image, unsigned index) {
  if (index == 1 && !image) return "record-0001.html";
  return index == 2 && image ? "record-0002.png" : "";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const byte_view rest = make_view(data + 1, size - 1);
  filtered_page page;
  if (data[0] <= 1) {
    page = preview_page_markup(rest, data[0], "page", kFiles, target).page;
  } else {
    const std::string html(reinterpret_cast<const char*>(rest.data), rest.length);
    page = filter_markup(html, kFiles, target);
  }
  // No script can come through, nor a nameless tag.
  const std::string& body = page.body;
  if (body.find("<script") != std::string::npos || body.find("</>") != std::string::npos ||
      page.title.find('<') != std::string::npos)
    abort();
  return 0;
}
