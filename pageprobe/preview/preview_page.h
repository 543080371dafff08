// The pieces every file of a preview shares (head, style) and the markup of
// one page record, decoded by its compression type and made safe to show.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "byte_view.h"
#include "markup/markup_filter.h"

// "<!DOCTYPE html>" through "<body>": character set, a policy that lets no
// script, outside resource or form submission in, the title (already
// escaped) and the style block.
std::string preview_head(const std::string& title_html);

// How a page record came out.
struct page_markup {
  filtered_page page;
  bool complete = false;  // decoded to its end
  std::string note;       // when not complete: why, for the reader of the page
};

// Decodes a page record's data: compression type 0 byte-coded, 1 bit-coded;
// others are not decoded. target(image, index) names the preview file of the
// record that an index refers to (see filter_markup). label names the page in
// messages.
page_markup preview_page_markup(byte_view data, unsigned compression, const char* label,
                                const std::set<std::string>& files,
                                const std::function<std::string(bool image, unsigned index)>&
                                    target);
