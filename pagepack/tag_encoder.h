// compile_tag: one tag of a page body in byte-coded markup (01, tag code,
// fields), or the end code 00 for a closing tag.
#pragma once

#include "record_writer.h"

// Encodes the tag text `tag` (what stood between '<' and '>', modified in
// place) at the writer. Returns 0 when the tag was handled (possibly with no
// bytes), -1 when nothing was written: an unknown element (after a message), an
// input of an unsupported type, an image without a source, or an element that
// no longer fits the record (the writer is then full).
int compile_tag(record_writer* out, char* tag);
