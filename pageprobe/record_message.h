// Messages about the record being listed, on top of the program's message().
#pragma once

#include "message.h"

// "pageprobe: URL: text" when the record has a URL (non-empty), else
// "pageprobe: DATABASE record N: text", or "pageprobe: DATABASE: text" before
// the first record (the app-info block).
void record_message(const char* url, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
