// pageprobe -s: the pagepack command that builds the database again, planned
// before the first file is written. It gives pagepack one input for every
// queue position, in order, so that every record keeps its unique ID
// (position + 1): the record's file, or, for a position that holds no record,
// a placeholder that names no file, which pagepack queues as a page, finds
// missing and skips, as it did the original's missing target.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "byte_view.h"
#include "pi-file.h"

// Lays out the rebuild's folders before anything is written: when URLs climb
// with leading ".." components, pagepack runs as many folders deep as the
// deepest climb needs, in up-N/.../up-1/site (up-K is the folder K levels of
// ".." reach), so that every such URL names a file inside the folder -s runs
// in; rebuild.sh stays at the top. Otherwise pagepack runs at the top.
void plan_work_folder(pi_file_t* pf);

// The folder pagepack runs in, from the folder -s runs in: "" or ending in '/'.
const std::string& planned_work_folder();

// Reads the database's records and plans each one's queue position and file:
// its URL, or a distinct name when the URL cannot name a file of its own (it
// leaves the working directory, or names the file of an icon, of the rebuild
// command, or of an earlier record whose data differ). Says on standard error
// why a record, or the application-info block, cannot come back as it is.
// `from_png` says whether an image's bitmap comes back from the PNG that -s
// writes for it, under -z (`compress`) and --colour=`colour` (0: none).
typedef std::function<bool(byte_view bitmap, bool compress, unsigned colour)> png_check;
void plan_rebuild(pi_file_t* pf, const png_check& from_png);

// The file of the record `index`: its name in rebuild.sh and the pages in
// *file, where it is written (from the folder -s runs in) in *path, and in
// *write whether this record writes it (false when an earlier record with the
// same data wrote it). False when no plan holds the record (the listing
// without -s).
bool planned_file(int index, std::string* file, std::string* path, bool* write);

// Whether the image record `index` comes back through its Palm bitmap: one
// that pagepack would not make again from a PNG under the options of
// rebuild.sh (see from_png), or an empty one under -z or -c.
bool planned_bitmap(int index);

// The image options of rebuild.sh: -z, and --colour=DEPTH (0: none).
void planned_image_options(bool* compress, unsigned* colour);

// Whether the large (k = 0) or small (1) icon comes back through its bitmap.
bool planned_icon_bitmap(int k);

// The options the rebuild gives pagepack: -z and --colour=DEPTH when the
// database holds such bitmaps, --bitmap for the icons given as bitmaps.
std::vector<std::string> planned_options();

// The name a link or image of the page `page` gives for queue position p: the
// file of the record with unique ID p + 1, or a placeholder when no record
// holds it; "" when the rebuild cannot give p a name.
// With `tell` false, says nothing (a trial of the page's forms).
std::string planned_target(unsigned p, const char* page, bool tell = true);

// The page that a link without a target names in a page written for
// pagepack -w (pagepack's queue was full when it wrote the link): a name of
// its own, which no record has. Once `use`d, the rebuild gives every queue
// position an input, so that pagepack -w finds its queue full again and the
// link keeps no target, and write_no_room_page writes it.
std::string planned_no_room_page(bool use);

// The page of planned_no_room_page, once used: "" when none is.
std::string used_no_room_page();

// Whether the rebuild reads the pages as pagepack -w does: then rebuild.sh
// gives -w, and --fit=0 so that images stay as they are.
void plan_web_rebuild(bool web);

// The name a link or image of the page `page` gives for queue position p,
// with an image's source string `source` (null: a link, or none): 0 with the
// name of the position; 1 when no name is found for p, with the source (or
// the empty name); -1 when the source may not be given (page_name_allowed).
int planned_image(unsigned p, const std::string* source, const char* page, std::string* name);

// Gives the gap at queue position p the source name of an image that shows
// it, which pagepack queued there: the image keeps its source. pagepack
// reads nothing for a placeholder, so the name may climb with ".." or be
// absolute. The empty name (a link "#name" queues it as a page, missing)
// goes to one gap only; another name only when no record, file or
// placeholder has it. Called for every such image before the first page is
// written; the first name of a gap holds.
void plan_gap_name(unsigned p, const std::string& source);

// Whether a page written for pagepack may give `name` as a link target
// (link) or an image source: pagepack reads a name as a file, so only one
// that stays in the folder -s writes (no leading '/', no ".." component
// but leading ones that the rebuild's folders make room for, see
// plan_work_folder) or a remote link. A refused name waits for tell_refused_names.
bool page_name_allowed(const std::string& name, bool link);

// One message naming the names refused in the page `page`, if any.
void tell_refused_names(const char* page);

// Whether the records of `chain` (a page that -w split, then its later
// parts, by record index) can come back as the one page: the page rebuilt
// under its URL, each part after it in the queue and named as pagepack -w
// names it in the rebuild. "" when they can, else why not.
std::string check_parts(const std::vector<int>& chain);

// Plans the later parts of `chain` to come back from the page: no file of
// their own, each position kept by a placeholder of the part's name
// (pagepack --gap=NAME), which pagepack -w gives the part.
void plan_parts(const std::vector<int>& chain);

// One input of the rebuild command, and whether pagepack is to queue it as a page.
struct rebuild_input {
  std::string name;
  bool page;
  bool bitmap = false;  // an image given as its Palm bitmap (--bitmap=NAME)
  bool gap = false;     // a placeholder that keeps a position: pagepack --gap=NAME
                        // (or, under -w, the place of a part of that name)
};

// The rebuild command's inputs, one per queue position.
std::vector<rebuild_input> planned_inputs();

// The database name the rebuild gives pagepack (also the file it writes):
// the original's, or a distinct one when that cannot name a file here (said).
std::string planned_database_name(const DBInfo& info);

// Drops the plan.
void forget_rebuild_plan();
