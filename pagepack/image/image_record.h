// compile_image: one queued image file as an image record (header, URL, and
// a Palm bitmap with 2 bits per pixel, or the family the image options ask for).
#pragma once

#include "pi-file.h"
#include "record_queue.h"

// Builds the image record of `rec` in RecordBuffer and returns its total size,
// or kRecordNameTooLong when the name is too long for a URL. An image that cannot be encoded
// (too large, too wide, no size line) is reported and stored as the two zero
// bytes that stand for an unreadable file.
int build_image_record(const needed_record* rec);

// Builds the record and appends it to `pf` with unique ID `uid`, printing its
// size and the container's answer. Returns 0 (-1 only for a name too long).
int compile_image(pi_file_t* pf, const needed_record* rec, int uid);
