#include "message.h"

#include <cstdarg>
#include <cstdio>

int exit_status = 0;

void message(const char* format, ...) {
  fflush(stdout);
  fprintf(stderr, "%s: ", program_name);
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
