// Reads the byte-coded markup of a page record (what pagepack writes) back
// into an HTML page that pagepack compiles to the same bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "byte_view.h"

// Turns the data of a byte-coded page record back into an HTML page that
// pagepack compiles to the same bytes. target(p) gives the URL written for a
// link or image to queue position p ("" when no record holds it). Problems go
// to message() naming label (none when label is null); false when the data could not be decoded to its
// end (html then holds what was decoded, as a whole page). With for_pagepack
// false (a page only to be viewed) images are always named by target, an end
// code with no open element writes nothing (rather than "</>"), and the page
// is not fitted to what pagepack reads. With web_file, the page is written
// for pagepack -w: standard HTML in Windows-1252, every text '&', '<' and '>'
// escaped, attribute values quoted, links relative to web_file (the page's
// own file, from the site's top); every byte the -w reader would not read
// back the same is a problem.
//
// names, when given, names each link and image instead of target: from its
// position and an image's source string (null for a link or an image without
// one) it sets the name and returns 0, or 1 when no record holds the position
// (a link then has the empty name, an image its source), or -1 for an image
// to leave out (it says why).
typedef std::function<int(unsigned position, const std::string* source, std::string* name)>
    position_namer;

// In the -w form, target(kNoTarget) names a page for a link that kept no
// target (pagepack's queue was full): one that pagepack -w, its queue full
// again, finds no room for either. "" when there is none.
constexpr unsigned kNoTarget = 0xFFFFFFFFu;
//
// marks, in the -w form, are places in the data where a text token begins
// that the -w reader must meet as the start of a text of its own: an empty
// comment ("<!---->") is written before it.
bool decode_byte_markup(byte_view data, const char* label,
                        const std::function<std::string(unsigned position)>& target,
                        std::string* html, bool for_pagepack = true,
                        const position_namer* names = nullptr, const char* web_file = nullptr,
                        const std::vector<size_t>* marks = nullptr);

// One token of a page's byte-coded markup: a run of text bytes, a line
// break, an end code, an element (open_element: one that an end code
// closes), or the end of the page with its pad byte.
struct markup_token {
  enum kind_t { text, line_break, end_code, element, open_element, page_end } kind;
  size_t begin, end;  // its bytes in the data
};

// The tokens after the title field; false when the data cannot be read to
// the end of the page.
bool byte_markup_tokens(byte_view data, std::vector<markup_token>* tokens);

// How many problems decode_byte_markup would tell of the page (none means
// pagepack reads it back to the same bytes), without telling them: in the
// -w form when web_file is not null.
size_t byte_markup_problems(byte_view data,
                            const std::function<std::string(unsigned position)>& target,
                            const char* web_file);
