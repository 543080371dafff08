// Fuzzes pagepack's page compiler: arbitrary bytes as the text of an HTML
// page, compiled into a page record (title, body, entities, every tag).
#include <cstdint>

#include "common/pqa_record.h"
#include "fuzz_scratch.h"
#include "markup/html_page.h"
#include "queue_cleanup.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_scratch_file("page.html", data, size)) return 0;
  queue_record("page.html", kContentPage);
  build_page_record(&record_stack[0]);
  release_record_queue(1);
  return 0;
}
