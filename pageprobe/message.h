// pageprobe's own messages on standard error: "pageprobe: " and the text. Standard
// output is flushed first, so a message follows the listing lines it is about.
#pragma once

void message(const char* format, ...) __attribute__((format(printf, 1, 2)));
