#include "record_message.h"

#include <cstdarg>
#include <cstdio>

#include "probe_state.h"

void record_message(const char* url, const char* format, ...) {
  fflush(stdout);
  if (url && *url)
    fprintf(stderr, "%s: %s: ", program_name, url);
  else if (record_index >= 0)
    fprintf(stderr, "%s: %s record %d: ", program_name, database_name, record_index);
  else
    fprintf(stderr, "%s: %s: ", program_name, database_name);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
}
