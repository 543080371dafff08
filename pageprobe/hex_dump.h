// Hex dumps of database bytes and the date format of the header listing.
#pragma once

#include <ctime>

// Rows of 16 bytes to standard output: offset, hex bytes, printable text.
void dump(const unsigned char* p, int n);

// Local time of t as "YYYY-MM-DD hh:mm:ss", in a static buffer that the next
// call overwrites.
char* iso_time_str(time_t t);
