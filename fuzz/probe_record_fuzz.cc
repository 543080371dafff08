// Fuzzes pageprobe's dumps: arbitrary bytes as one record (header, URL, page
// markup or bitmap) or as a whole application-info block with its icons. The
// first byte chooses: bit 0 the app-info block, bit 1 the verbose listing,
// bit 2 the source-site form (-s).
#include <ftw.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "byte_view.h"
#include "fuzz_scratch.h"
#include "markup/markup_decoder.h"
#include "probe_state.h"
#include "record_dump.h"
#include "site/extracted_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

static int remove_entry(const char* path, const struct stat*, int, struct FTW* ftw) {
  if (ftw->level > 0) remove(path);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  vflag = (data[0] & 2) ? 1 : 0;
  sflag = (data[0] & 4) ? 1 : 0;
  if (data[0] & 1)
    dump_app_info_block(make_view(data + 1, size - 1));
  else
    dump_pqa(data + 1, size - 1);
  htmls.clear();
  bit_coded_files.clear();
  stack_clear();
  // Records name the files they are written to, each made new: start every
  // input in an empty scratch directory.
  nftw(".", remove_entry, 8, FTW_DEPTH | FTW_PHYS);
  forget_extracted_files();
  return 0;
}
