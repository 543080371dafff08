#include "record_urls.h"

#include <cstdint>
#include <unordered_map>

#include "byte_view.h"
#include "common/pqa_record.h"

static std::unordered_map<unsigned long, std::string> urls;

void collect_record_urls(pi_file_t* pf) {
  urls.clear();
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  for (int i = 0; i < entries; i++) {
    void* buf = nullptr;
    size_t size = 0;
    int attrs = 0, cat = 0;
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &buf, &size, &attrs, &cat, &uid) < 0) continue;
    byte_view rec = make_view(buf, size);
    uint32_t offset;
    unsigned length;
    byte_view field;
    if (!view_be32(rec, kUrlOffset, &offset) || !view_be16(rec, kUrlLength, &length) ||
        !view_sub(rec, offset, length, &field))
      continue;
    size_t n = 0;
    while (n < field.length && field.data[n]) n++;
    // The first record of a unique ID names it, as the first queue entry does.
    urls.emplace(uid, std::string(reinterpret_cast<const char*>(field.data), n));
  }
}

std::string record_url(unsigned long uid) {
  auto found = urls.find(uid);
  return found == urls.end() ? std::string() : found->second;
}
