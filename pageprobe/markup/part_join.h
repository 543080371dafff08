// A page that pagepack -w split into parts, joined back into the one page
// whose reading by pagepack -w gives those parts again. Each part but the
// last ends with a line break and the link "More »" to the next; the next
// opens again the elements open where the part ended.
#pragma once

#include <string>
#include <vector>

#include "byte_view.h"

// The queue position that the link "More »" ending the part's data names,
// or -1 when the data do not end so.
int more_link_position(byte_view data);

struct page_part {
  byte_view data;    // the record's data: title field and markup
  size_t url_field;  // the bytes of the record's URL field
};

struct joined_page {
  std::string data;           // title field and markup of the one page
  std::vector<size_t> marks;  // where a text that a part began with starts
};

// Joins the parts, checking at every place where one ends that the -w reader,
// reading the joined page, ends the part there again. "" when they join, else
// why they do not.
std::string join_parts(const std::vector<page_part>& parts, joined_page* page);
