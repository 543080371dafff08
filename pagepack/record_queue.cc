#include "record_queue.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

needed_record record_stack[kMaxRecords];
int next_record = 0;

static bool queue_full(const char* filename) {
  if (next_record < kMaxRecords) return false;
  fprintf(stderr, "pagepack: more than %d records, %s left out\n", kMaxRecords, filename);
  return true;
}

int queue_record(const char* filename, uint8_t type) {
  if (queue_full(filename)) return -1;
  record_stack[next_record] = needed_record{filename, type};
  return next_record++;
}

int find_or_queue_record(const char* filename, uint8_t type) {
  for (int i = 0; i < next_record; ++i) {
    if (strcasecmp(record_stack[i].filename, filename) == 0) return i;
  }
  if (queue_full(filename)) return -1;
  const char* copy = strdup(filename);
  if (!copy) {
    fprintf(stderr, "pagepack: out of memory, %s left out\n", filename);
    return -1;
  }
  return queue_record(copy, type);
}

void clear_record_queue() { next_record = 0; }
