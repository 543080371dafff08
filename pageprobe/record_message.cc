#include "record_message.h"

#include <cstdarg>
#include <string>

#include "probe_state.h"

void record_message(const char* url, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatted(format, args);
  va_end(args);
  if (url && *url)
    message("%s: %s", url, text.c_str());
  else if (record_index >= 0)
    message("%s record %d: %s", database_name, record_index, text.c_str());
  else
    message("%s: %s", database_name, text.c_str());
}
