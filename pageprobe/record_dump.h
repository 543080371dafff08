// Shows the PQA content of an open database: the application-info block with
// its two launcher icons, and each record's header, page or image.
#pragma once

#include <cstddef>

#include "byte_view.h"
#include "pi-file.h"

// The longest URL that names a file (the url buffer holds it and its zero).
constexpr int kMaxUrl = 99;

// Prints version and title, writes LgIcon.pnm and SmIcon.pnm.
void dump_app_info(pi_file_t* pf, DBInfo* ip);
void dump_app_info_block(byte_view block);

// Prints one record's header lines and writes its page or image file.
// Returns 0, or -1 when the record was (partly) skipped for a bad bound.
int dump_pqa(const unsigned char* buf, size_t size);

// -s, before the first page is written: a gap that a byte-coded page's image
// shows gets the image's source as its name (plan_gap_name).
void plan_gap_names(pi_file_t* pf);

// Why a URL may not name a file of the working directory, or null when it
// may: an absolute path, a ".." component or an empty name.
const char* unsafe_file_name(const char* name);

// -s, after the rebuild is planned: writes the pages in the default reader's
// form, or, when some page cannot come back in it and fewer fail in the
// other, as standard HTML for pagepack -w (and rebuild.sh runs -w); never
// when URLs climb with "..", which pagepack -w does not read.
void choose_page_form(pi_file_t* pf);
