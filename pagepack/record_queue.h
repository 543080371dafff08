// The queue of records still to make: the inputs first, then the pages and
// images that compiled pages refer to. A position p becomes unique ID p + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/pqa_record.h"

struct needed_record {
  const char* filename;  // an argv string, or a heap copy that lives until exit
  uint8_t type;          // kContentPage or kContentImage
  bool placeholder = false;  // --gap=NAME: keeps its place, read from no file
};

constexpr int kMaxRecords = 1000;

extern needed_record record_stack[kMaxRecords];
extern int next_record;

// Appends `filename` as it stands (not copied), without looking for it first.
// Returns its position, or -1 with a message when the queue is full.
int queue_record(const char* filename, uint8_t type);

// The position of the first entry named `filename` (letter case ignored, kind
// not compared); when there is none, queues a copy of the name with `type`,
// or as an image when `type` is a page but the file is an image (holds_image).
// Returns -1 with a message when the name would need a slot and none is left.
int find_or_queue_record(const char* filename, uint8_t type);

// The position that find_or_queue_record would give `filename`, without
// queuing it: so that a tag can write the position first and queue the name
// only once the whole element is written. -1 with a message when the queue
// is full.
int record_position(const char* filename);

// A name that finds the queue full is counted, not told one by one: the
// driver says once how many were left out (records_left_out, distinct names
// without regard to case) and names the first of them (first_left_out).

// The position of the first entry named `filename` (letter case ignored), or
// -1 when none is: a look that queues and tells nothing.
int queued_position(const char* filename);
size_t records_left_out();
const std::vector<std::string>& first_left_out();

// The position of the page being compiled while entries are queued (-1 for
// the inputs); queued_by(p) is the one that was compiling when p was queued,
// so that a message can name the page that links to a missing file.
extern int compiling_position;
int queued_by(int position);

// Empties the queue (for tests; the copies made by find_or_queue_record stay).
void clear_record_queue();
