// The listing of an open database: its header (-v) and its records, followed
// by the link rewrite of the pages written.
#pragma once

#include "pi-file.h"

void dump_header(pi_file_t* pf, DBInfo* ip);
void list_records(pi_file_t* pf, DBInfo* ip);

// Whether -s stopped at a file of the site that could not be written.
bool stop_site();
