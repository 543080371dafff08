// Fuzzes the container reader: the checks of pi_file_open on arbitrary file
// contents (read from memory, to run fast), then every read call on what it
// returns, touching every byte handed out.
#include <cstdint>
#include <cstring>

#include "fuzz_scratch.h"
#include "pi_file_internal.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enter_scratch_dir();
  return 0;
}

static unsigned sum_bytes(const void* p, size_t n) {
  unsigned s = 0;
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) s += b[i];
  return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pi_file_t* pf = pi_file_open_bytes(data, size);
  if (!pf) return 0;
  DBInfo info;
  pi_file_get_info(pf, &info);
  volatile unsigned sink = static_cast<unsigned>(strnlen(info.name, sizeof info.name));
  sink = sink + static_cast<unsigned>(strlen(printlong(info.type)));
  void* app = nullptr;
  size_t app_size = 0;
  pi_file_get_app_info(pf, &app, &app_size);
  if (app) sink = sink + sum_bytes(app, app_size);
  int n = 0;
  pi_file_get_entries(pf, &n);
  for (int i = -1; i <= n; ++i) {
    void* buf = nullptr;
    size_t len = 0;
    int attrs = 0, cat = 0;
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &buf, &len, &attrs, &cat, &uid) == 0)
      sink = sink + sum_bytes(buf, len);
  }
  (void)sink;
  pi_file_close(pf);
  return 0;
}
