// pagepack -w: pages read as a web browser shows them. The page is parsed
// with libxml2's HTML parser; what a browser shows (text with its white space
// collapsed, characters in Windows-1252, the elements mapped onto the record
// vocabulary) goes to the same element encoder as the compiler's own reader,
// and a page too long for one record continues in the next ones.
#pragma once

#include <string>
#include <vector>

#include "pi-file.h"
#include "record_queue.h"

// The records of the page of `rec` (whose filename is its record URL): one
// record for a page that fits, else its parts. The parts after the first are
// queued as "URL~2", "URL~3" ..., and each part but the last ends with a link
// "More »" to the next. Empty when the page cannot be read (after a message
// unless it is missing). Messages name the page for what was dropped.
std::vector<std::string> build_web_records(const needed_record* rec);

// pagepack -w's step for one queued page at `uid` - 1: its first record (the
// later parts wait for their own entries), or a part made earlier. Prints the
// record lines as compile_html does. Images are the driver's to hand on.
int compile_web_record(pi_file_t* pf, const needed_record* rec, int uid);

// Whether a part of a page read earlier waits for the queue position: one
// that a placeholder (--gap=NAME) of the part's name kept.
bool part_waiting(int position);

// How a command-line input of -w is queued: by its record URL (normalised,
// relative to the working directory) as a page or, by its content, an image;
// --page=NAME and --image=NAME give the kind of the input NAME.
// -1 after a message when it lies outside the working directory.
int queue_web_input(const char* arg);
