// Program-wide state of pageprobe that the listing steps share.
#pragma once

#include <string>
#include <vector>

extern const char* progname;  // argv[0], for the usage message
extern int vflag;             // -v: header, hex dumps, renderings
extern int lflag;             // -l: list only, write no file
extern int fflag;             // -f: replace regular files in the way
extern int sflag;             // -s: write a source site that pagepack builds again
extern const char* preview_dir;  // -p DIR: also write a browser preview there, or null
extern const char* database_name;  // the database given, for messages
extern int record_index;  // the record being listed, from 0; -1 before the first

// One entry per page record met, in record order: the file the page was
// written to, or an empty name when the record was refused a file (so later
// pages keep their positions). The link rewrite uses position k for the
// anchors whose index is k.
extern std::vector<std::string> htmls;

// The files of the pages this run wrote as bit-coded markup, the only files
// the link rewrite edits (under -s the source pages are never rewritten).
extern std::vector<std::string> bit_coded_files;
