// pageprobe's own messages on standard error: "pageprobe: " and the text. Standard
// output is flushed first, so a message follows the listing lines it is about.
#pragma once

void message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message about the record being listed: "pageprobe: URL: text" when the
// record has a URL (non-empty), else "pageprobe: DATABASE record N: text", or
// "pageprobe: DATABASE: text" before the first record (the app-info block).
void record_message(const char* url, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// A message whose words are fixed (usage, an unreadable database, a FONT
// without SIZE): the text as given, after flushing standard output.
void plain_message(const char* format, ...) __attribute__((format(printf, 1, 2)));
