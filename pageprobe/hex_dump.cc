#include "hex_dump.h"

#include <cstdio>

void dump(const unsigned char* p, int n) {
  if (!p) return;
  for (int i = 0; i < n; i += 16) {
    printf("%04x: ", i);
    for (int j = 0; j < 16; j++) {
      if (i + j < n)
        printf("%02x ", p[i + j]);
      else
        fputs("   ", stdout);
    }
    fputs("  ", stdout);
    for (int j = 0; j < 16 && i + j < n; j++) {
      int c = p[i + j] & 0x7f;
      putchar(c < 32 || c > 126 ? '.' : c);
    }
    putchar('\n');
  }
}

char* iso_time_str(time_t t) {
  static char buf[50];
  struct tm* tm = localtime(&t);
  if (!tm) {
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", 0, 0, 0, 0, 0, 0);
    return buf;
  }
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm->tm_year + 1900, tm->tm_mon + 1,
           tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec);
  return buf;
}
