// Frees the names that tags queued during one fuzz input and empties the
// record queue, so that every input starts from the same state.
#pragma once

#include <cstdlib>

#include "record_queue.h"

// Entries from `first_copied` on hold heap copies made by find_or_queue_record.
inline void release_record_queue(int first_copied) {
  for (int i = first_copied; i < next_record; ++i)
    free(const_cast<char*>(record_stack[i].filename));
  clear_record_queue();
}
