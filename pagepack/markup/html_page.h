// compile_html: one HTML file into one page record (title, body text and tag
// codes in byte-coded markup), and UpCase, which prepares the text for it.
#pragma once

#include <cstddef>

#include "common/byte_markup.h"
#include "pi-file.h"
#include "record_queue.h"


// Upper-cases tag and attribute names in place; values and text keep their case.
void UpCase(char* buffer, size_t length);

// Builds the page record of `rec` in RecordBuffer. Returns its total size, or
// kRecordUnreadable when the file cannot be read (after a message unless it
// is missing) and kRecordNameTooLong when its name is too long for a URL.
int build_page_record(const needed_record* rec);

// Builds the record and appends it to `pf` with unique ID `uid`, printing its
// size and the container's answer. 0 when a record was handed on, else -1.
int compile_html(pi_file_t* pf, const needed_record* rec, int uid);
