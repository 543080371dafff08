// Fuzzes pagepack -w's page reader: arbitrary bytes as a web page, read
// through the charset detection, libxml2's HTML parser and the element
// mapping into records (parts included), with a page and an image beside it
// for its links to find.
#include <cstdint>

#include "common/pqa_record.h"
#include "fuzz_scratch.h"
#include "queue_cleanup.h"
#include "web/web_page.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  write_scratch_file("a.html", reinterpret_cast<const uint8_t*>("<p>a"), 4);
  write_scratch_file("i.png", reinterpret_cast<const uint8_t*>("\x89PNG\r\n\x1a\n"), 8);
  const char css[] = ".a b > c:not(.d), #e * {display:none} .f{display:inline}";
  write_scratch_file("s.css", reinterpret_cast<const uint8_t*>(css), sizeof css - 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_scratch_file("page.html", data, size)) return 0;
  find_or_queue_record("page.html", kContentPage);
  needed_record rec{"page.html", kContentPage};
  build_web_records(&rec);
  release_record_queue(0);
  return 0;
}
