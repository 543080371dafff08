#include "message.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "probe_state.h"

void message(const char* format, ...) {
  fflush(stdout);
  fputs("pageprobe: ", stderr);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
}

void record_message(const char* url, const char* format, ...) {
  fflush(stdout);
  if (url && *url)
    fprintf(stderr, "pageprobe: %s: ", url);
  else if (record_index >= 0)
    fprintf(stderr, "pageprobe: %s record %d: ", database_name, record_index);
  else
    fprintf(stderr, "pageprobe: %s: ", database_name);
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
