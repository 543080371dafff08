// compile_tag: one tag of a page body in byte-coded markup (01, tag code,
// fields), or the end code 00 for a closing tag.
#pragma once

#include "markup/attributes.h"
#include "record_writer.h"

// Both page readers hand the encoder elements as a name and name/value pairs:
// the compiler's own reader cuts them out of the tag text (compile_tag), the
// browser-faithful one takes them from the HTML parser.

// Encodes the start of element `name` with the attributes `attrs` (null when
// there are none; values may be cut in place). Returns 0 when the element was
// handled (possibly with no bytes), -1 when nothing was written: an unknown
// element (after a message), an input of an unsupported type, an image without
// a source, or an element that no longer fits the record (the writer is then
// full). A page or image it refers to is queued only when it was written whole.
int encode_element(record_writer* out, const char* name, attribute* attrs);

// While false, encode_element writes the positions of the records an element
// refers to but queues none of them: for an element encoded aside, to see
// whether it fits.
extern bool queue_references;

// The end of any element: the end code. -1 when the record is full.
int encode_end(record_writer* out);

// Encodes the tag text `tag` (what stood between '<' and '>', modified in
// place): a closing tag is the end code; otherwise the name runs to the first
// space or TAB and getattrs makes the pairs of the rest. Results as above.
int compile_tag(record_writer* out, char* tag);
