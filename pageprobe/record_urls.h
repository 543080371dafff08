// The URLs of a database's records by unique ID: -s writes a link or image to
// queue position p with the URL of the record whose unique ID is p + 1.
#pragma once

#include <string>

#include "pi-file.h"

// Reads every record's URL (up to its first zero byte); records that cannot be
// read or hold no URL inside them are left out.
void collect_record_urls(pi_file_t* pf);

// The URL of the record with unique ID uid, or "" when there is none.
std::string record_url(unsigned long uid);
