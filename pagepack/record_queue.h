// The queue of records still to make: the inputs first, then the pages and
// images that compiled pages refer to. A position p becomes unique ID p + 1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/pqa_record.h"

struct needed_record {
  const char* filename;  // an argv string, or a heap copy that lives until exit
  uint8_t type;          // kContentPage or kContentImage
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

// The position of the first entry named `filename` (letter case ignored), or
// -1 when none is: a look that queues and tells nothing.
int queued_position(const char* filename);

// With `count_left_out` (-w), a name that finds the queue full is counted
// instead of told; records_left_out() is the number of names left out.
extern bool count_left_out;
size_t records_left_out();

// Empties the queue (for tests; the copies made by find_or_queue_record stay).
void clear_record_queue();
