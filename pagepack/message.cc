#include "message.h"

#include <cstdarg>
#include <cstdio>

void message(const char* format, ...) {
  fflush(stdout);
  fputs("pagepack: ", stderr);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
}

void plain_message(const char* format, ...) {
  fflush(stdout);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
}
