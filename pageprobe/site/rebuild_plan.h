// pageprobe -s: the pagepack command that builds the database again, planned
// before the first file is written. It gives pagepack one input for every
// queue position, in order, so that every record keeps its unique ID
// (position + 1): the record's file, or, for a position that holds no record,
// a placeholder that names no file, which pagepack queues as a page, finds
// missing and skips, as it did the original's missing target.
#pragma once

#include <string>
#include <vector>

#include "pi-file.h"

// Reads the database's records and plans each one's queue position and file:
// its URL, or a distinct name when the URL cannot name a file of its own (it
// leaves the working directory, or names the file of an icon, of the rebuild
// command, or of an earlier record whose data differ). Says on standard error
// why a record, or the application-info block, cannot come back as it is.
void plan_rebuild(pi_file_t* pf);

// The file the record `index` is written to, in *file, and in *write whether
// this record writes it (false when an earlier record with the same data
// wrote it). False when no plan holds the record (the listing without -s).
bool planned_file(int index, std::string* file, bool* write);

// The name a link or image of the page `page` gives for queue position p: the
// file of the record with unique ID p + 1, or a placeholder when no record
// holds it; "" when the rebuild cannot give p a name.
std::string planned_target(unsigned p, const char* page);

// The name a link or image of the page `page` gives for queue position p,
// with an image's source string `source` (null: a link, or none): 0 with the
// name of the position; 1 when no name is found for p, with the source (or
// the empty name); -1 when the source may not be given (page_name_allowed).
int planned_image(unsigned p, const std::string* source, const char* page, std::string* name);

// Gives the gap at queue position p the empty name, which pagepack queued
// there (a link "#name" queues it as a page, missing), when an image shows
// it with an empty source; only one position can have it. Called for every
// such image before the first page is written.
void plan_empty_name(unsigned p);

// Whether a page written for pagepack may give `name` as a link target
// (link) or an image source: pagepack reads a name as a file, so only one
// that stays in this folder (no leading '/', no ".." component) or a remote
// link. A refused name waits for tell_refused_names.
bool page_name_allowed(const std::string& name, bool link);

// One message naming the names refused in the page `page`, if any.
void tell_refused_names(const char* page);

// One input of the rebuild command, and whether pagepack is to queue it as a page.
struct rebuild_input {
  std::string name;
  bool page;
  bool gap = false;  // a placeholder that keeps a position: pagepack --gap=NAME
};

// The rebuild command's inputs, one per queue position.
std::vector<rebuild_input> planned_inputs();

// The database name the rebuild gives pagepack (also the file it writes):
// the original's, or a distinct one when that cannot name a file here (said).
std::string planned_database_name(const DBInfo& info);

// Drops the plan.
void forget_rebuild_plan();
