// pagepack's own messages on standard error: "pagepack: " and the text. Standard
// output is flushed first, so a message follows the record lines it is about.
#pragma once

void message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message whose words are fixed (usage, an unreadable database, a FONT
// without SIZE): the text as given, after flushing standard output.
void plain_message(const char* format, ...) __attribute__((format(printf, 1, 2)));
