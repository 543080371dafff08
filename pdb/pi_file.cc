// The calls that serve both kinds of handle: the header, the app-info block,
// the record count, closing, and the four-character codes.
#include <cstring>

#include "pi_file_internal.h"

void pi_file_get_info(const pi_file_t* pf, struct DBInfo* info) {
  if (info == nullptr) return;
  if (pf == nullptr) {
    std::memset(info, 0, sizeof *info);
    return;
  }
  *info = pf->info;
}

void pi_file_get_app_info(pi_file_t* pf, void** datap, size_t* sizep) {
  const bool have = pf != nullptr && !pf->app_info.empty();
  if (datap != nullptr) *datap = have ? pf->app_info.data() : nullptr;
  if (sizep != nullptr) *sizep = have ? pf->app_info.size() : 0;
}

void pi_file_get_entries(pi_file_t* pf, int* entries) {
  if (entries != nullptr) *entries = pf == nullptr ? 0 : static_cast<int>(pf->entries.size());
}

int pi_file_close(pi_file_t* pf) {
  if (pf == nullptr) return -1;
  const int result = pf->for_writing ? pi_file_write_database(*pf) : 0;
  delete pf;
  return result;
}

void pi_file_discard(pi_file_t* pf) { delete pf; }

char* printlong(unsigned long val) {
  static char text[5];
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((val >> (8 * (3 - i))) & 0xFF);
  text[4] = '\0';
  return text;
}
