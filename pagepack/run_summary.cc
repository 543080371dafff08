#include "run_summary.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "command_line.h"
#include "common/pqa_record.h"
#include "input_file.h"
#include "message.h"
#include "record_queue.h"

static records_made made;

void progress_line(const char* format, ...) {
  if (options.quiet) return;
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
}

void record_appended(const unsigned char* record, size_t size, int result) {
  progress_line("record size = %u\n", static_cast<unsigned>(size));
  progress_line("pi_file_append_record = %d\n", result);
  if (result < 0 || size <= kContentType) return;
  if (record[kContentType] == kContentImage)
    made.images++;
  else
    made.pages++;
}

records_made made_so_far() { return made; }

// The first few missing targets with the page naming each; all are counted.
static std::vector<std::string> first_missing;
static size_t missing_count = 0;
constexpr size_t kMissingTold = 5;

void note_missing_target(const std::string& target, int named_in) {
  // A link within its own page; a name that leads out of the site was told
  // when it was refused.
  if (target.empty() || refused_outside(target.c_str())) return;
  ++missing_count;
  if (first_missing.size() >= kMissingTold) return;
  if (named_in >= 0 && named_in < next_record)
    first_missing.push_back(target + " (in " + record_stack[named_in].filename + ")");
  else
    first_missing.push_back(target);
}

size_t missing_targets() { return missing_count; }

void tell_missing_targets() {
  if (!missing_count) return;
  std::string list;
  for (const std::string& name : first_missing) list += (list.empty() ? "" : ", ") + name;
  if (missing_count > first_missing.size()) list += ", ...";
  message("%zu link%s and image%s name%s no file, left out: %s", missing_count,
          missing_count == 1 ? "" : "s", missing_count == 1 ? "" : "s",
          missing_count == 1 ? "s" : "", list.c_str());
}

// 1234567 as "1,234,567".
static std::string grouped(unsigned long long n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); i++) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

static std::string counted(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string summary_text(const char* path, records_made m, unsigned long long bytes) {
  std::string text = std::string(path) + ": " +
                     counted(m.pages + m.images, "record", "records") + " (" +
                     counted(m.pages, "page", "pages") + ", " +
                     counted(m.images, "image", "images") + "), " + grouped(bytes) + " bytes";
  if (bytes > kComfortableBytes)
    text += ": more than the 1 MB (" + grouped(kComfortableBytes) +
            " bytes) a handheld of the time holds comfortably";
  return text;
}
