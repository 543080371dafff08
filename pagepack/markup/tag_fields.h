// Field encodings shared by the element encoders: numbers, alignment letters,
// and the encoders of links, forms, tables and images.
#pragma once

#include <cstdint>

#include "markup/attributes.h"
#include "record_writer.h"

// The two bytes that begin every element: 01, then its tag code.
void start_code(record_writer* w, uint8_t code);

// The value read as C's atoi would (blanks, sign, digits), modulo 65536.
uint16_t number_value(const char* v);

// Alignment bytes from the first letter of a value, lower case only; -1 when
// the value is missing or its letter is not in the mapping.
int align_lcr(const char* v);     // l c r -> 0 1 2
int valign_tcb(const char* v);    // t c b -> 0 1 2
int image_align(const char* v);   // l r t m b -> 0 1 2 3 4

// The queue position of the page or image `filename` that the element being
// encoded refers to. encode_element queues the name only when the element is
// written whole, so a dropped or cut element adds no record. -1 when the
// queue is full. One reference per element.
int refer_to_record(const char* filename, uint8_t type);

// Element encoders: write the element at `w` and return 0, or -1 when the
// element is not encoded. encode_element rolls back whatever a refused or cut
// element wrote.
int encode_link(record_writer* w, attribute* attrs);
int encode_form(record_writer* w, attribute* attrs);
int encode_input(record_writer* w, attribute* attrs);
int encode_select(record_writer* w, attribute* attrs);
int encode_option(record_writer* w, attribute* attrs);
int encode_table(record_writer* w, attribute* attrs);
int encode_table_row(record_writer* w, attribute* attrs);
int encode_table_cell(record_writer* w, const char* name, attribute* attrs);  // TD or TH
int encode_table_caption(record_writer* w, attribute* attrs);
int encode_image(record_writer* w, attribute* attrs);
