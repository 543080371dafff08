// The default mode's hint at -w: pages that a web browser shows otherwise
// than the compiler's own rules read them are counted, and one line at the
// end of the run says how many.
#pragma once

#include <cstddef>

// Looks at the page text of `filename` (tag names upper-cased, as UpCase left
// it) and counts the page when a browser would read it otherwise: a <BODY>
// with attributes, an entity other than &gt; and &lt; or a line break between
// two words in its text, a <SCRIPT> in its body, or a relative link from a
// page in a subfolder.
void note_web_reading(const char* filename, const char* text, size_t n);

// The pages counted so far.
int pages_read_otherwise();

// Prints the hint when pages were counted.
void tell_web_reading();
