#include "web/web_page.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command_line.h"
#include "common/pqa_record.h"
#include "input_file.h"
#include "message.h"
#include "record_writer.h"
#include "run_summary.h"
#include "web/charset.h"
#include "web/page_reader.h"
#include "web/site_paths.h"

namespace {

// The most of a page that is read: a database holds at most 1,000 records of
// 64 KB, so a larger page could only ever be cut; and the parser's memory
// follows the page.
constexpr size_t kMaxWebPage = size_t{64} << 20;

// Parts made but not yet stored, by queue position.
std::map<int, std::string> waiting_parts;

bool read_whole_file(const char* name, std::string* out) {
  const char* why = nullptr;
  errno = 0;
  stdio_file f = open_input(name, &why);
  if (!f) {
    if (errno != ENOENT) message("%s: %s, left out", name, why ? why : "cannot be read");
    return false;
  }
  // The size is known before a byte is read, so a sparse file of a terabyte
  // costs nothing; the read stops at the bound all the same.
  struct stat st;
  if (fstat(fileno(f.get()), &st) == 0 && st.st_size > 0) {
    if (static_cast<uintmax_t>(st.st_size) > kMaxWebPage) {
      message("%s: larger than %zu MB, left out", name, kMaxWebPage >> 20);
      return false;
    }
    out->reserve(static_cast<size_t>(st.st_size));
  }
  char buf[65536];
  size_t n;
  while (out->size() <= kMaxWebPage && (n = fread(buf, 1, sizeof buf, f.get())) > 0)
    out->append(buf, n);
  if (ferror(f.get())) {
    message("%s: read error, left out", name);
    return false;
  }
  if (out->size() > kMaxWebPage) {
    message("%s: larger than %zu MB, left out", name, kMaxWebPage >> 20);
    return false;
  }
  return true;
}

int append(pi_file_t* pf, std::string record, int uid) {
  int result =
      pi_file_append_record(pf, &record[0], record.size(), 0, 0, static_cast<recordid_t>(uid));
  record_appended(reinterpret_cast<const unsigned char*>(record.data()), record.size(), result);
  return 0;
}

}  // namespace

std::vector<std::string> build_web_records(const needed_record* rec) {
  std::string page;
  if (!read_whole_file(rec->filename, &page)) return {};
  if (url_field_length(rec->filename) + 8 > kMaxUrlField) {
    message("%s: name too long for a record, left out", rec->filename);
    return {};
  }
  web_page_reader reader(rec->filename);
  parse_html(page_to_utf8(page, page_encoding(page)), &reader);
  return reader.finish();
}

int compile_web_record(pi_file_t* pf, const needed_record* rec, int uid) {
  auto waiting = waiting_parts.find(uid - 1);
  if (waiting != waiting_parts.end()) {
    append(pf, waiting->second, uid);
    waiting_parts.erase(waiting);
    return 0;
  }
  std::vector<std::string> records = build_web_records(rec);
  if (records.empty()) return -1;
  for (size_t k = 1; k < records.size(); k++) {
    // Each part is queued under the URL its record holds.
    const std::string& r = records[k];
    size_t length = (static_cast<unsigned char>(r[4]) << 8) | static_cast<unsigned char>(r[5]);
    std::string part = r.substr(kPqaHeaderSize, length);
    part.resize(strnlen(part.c_str(), part.size()));
    waiting_parts[find_or_queue_record(part.c_str(), kContentPage)] = std::move(records[k]);
  }
  return append(pf, records[0], uid);
}

bool part_waiting(int position) { return waiting_parts.count(position) != 0; }

int queue_web_input(const char* arg) {
  std::string url = input_url(arg);
  if (url.empty()) {
    message("%s: outside the working directory, left out", arg);
    return -1;
  }
  // An input that resolves outside (through a symbolic link) is told by the
  // look at its kind, and left out like a "../" one.
  target_kind seen = local_file_kind(url);
  if (refused_outside(url.c_str())) return -1;
  // --page=NAME and --image=NAME say an input's kind here too.
  auto given = options.input_kinds.find(arg);
  uint8_t kind = kContentPage;
  if (given != options.input_kinds.end())
    kind = given->second;
  else if (seen == target_kind::image)
    kind = kContentImage;
  return find_or_queue_record(url.c_str(), kind);
}
