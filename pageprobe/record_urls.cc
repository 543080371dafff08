#include "record_urls.h"

#include <unordered_map>

#include "record_fields.h"

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
    std::string url;
    if (!record_url_text(make_view(buf, size), &url)) continue;
    // The first record of a unique ID names it, as the first queue entry does.
    urls.emplace(uid, url);
  }
}

std::string record_url(unsigned long uid) {
  auto found = urls.find(uid);
  return found == urls.end() ? std::string() : found->second;
}
