#include "record_queue.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "html_text.h"
#include "image/image_input.h"
#include "message.h"

needed_record record_stack[kMaxRecords];
int next_record = 0;

// Names folded to lower case, each with the first position that holds it, so
// that a page with many links does not walk the whole queue for every one.
// queue_record and clear_record_queue, the only writers of the queue, keep it
// in step with record_stack.
static std::unordered_map<std::string, int> queued_names;

// Folds ASCII letters only, as strcasecmp does in the C locale.
static std::string folded(const char* name) { return ascii_lower(name); }

static std::unordered_set<std::string> left_out;
static std::vector<std::string> first_names;
constexpr size_t kNamesTold = 5;
size_t records_left_out() { return left_out.size(); }
const std::vector<std::string>& first_left_out() { return first_names; }

int compiling_position = -1;
static int named_by[kMaxRecords];
int queued_by(int position) {
  return position >= 0 && position < next_record ? named_by[position] : -1;
}

static bool queue_full(const char* filename) {
  if (next_record < kMaxRecords) return false;
  if (left_out.insert(folded(filename)).second && first_names.size() < kNamesTold)
    first_names.push_back(filename);
  return true;
}

int queue_record(const char* filename, uint8_t type) {
  if (queue_full(filename)) return -1;
  record_stack[next_record] = needed_record{filename, type};
  named_by[next_record] = compiling_position;
  queued_names.emplace(folded(filename), next_record);  // an earlier entry keeps the name
  return next_record++;
}

int find_or_queue_record(const char* filename, uint8_t type) {
  auto found = queued_names.find(folded(filename));
  if (found != queued_names.end()) return found->second;
  if (queue_full(filename)) return -1;
  // A link's target is queued as a page, but a file that is an image is
  // stored as one, whichever element named it first.
  if (type == kContentPage && holds_image(filename)) type = kContentImage;
  const char* copy = strdup(filename);
  if (!copy) {
    message("out of memory, %s left out", filename);
    return -1;
  }
  return queue_record(copy, type);
}

int record_position(const char* filename) {
  auto found = queued_names.find(folded(filename));
  if (found != queued_names.end()) return found->second;
  if (queue_full(filename)) return -1;
  return next_record;
}

int queued_position(const char* filename) {
  auto found = queued_names.find(folded(filename));
  return found != queued_names.end() ? found->second : -1;
}

void clear_record_queue() {
  next_record = 0;
  queued_names.clear();
  left_out.clear();
  first_names.clear();
}
