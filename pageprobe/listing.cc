#include "listing.h"

#include <cstdio>

#include "bitmap/site_png.h"
#include "hex_dump.h"
#include "message.h"
#include "probe_state.h"
#include "record_dump.h"
#include "record_message.h"
#include "site/link_rewrite.h"
#include "site/rebuild_plan.h"
#include "site/rebuild_script.h"

// Database attribute bits named in the header listing, in printing order.
static const struct {
  unsigned bit;
  const char* word;
} kFlagWords[] = {
    {0x0010, " NEWER"},     {0x0020, " RESET"},          {0x0001, " RESOURCE"},
    {0x0002, " READ_ONLY"}, {0x0004, " APP-INFO-DIRTY"}, {0x0008, " BACKUP"},
    {0x8000, " OPEN"},
};

void dump_header(pi_file_t* pf, DBInfo* ip) {
  (void)pf;
  char name[sizeof ip->name + 1];
  snprintf(name, sizeof name, "%.*s", static_cast<int>(sizeof ip->name), ip->name);
  printf("name: \"%s\"\n", escaped_controls(name).c_str());
  printf("flags: 0x%x", ip->flags);
  for (const auto& f : kFlagWords)
    if (ip->flags & f.bit) fputs(f.word, stdout);
  printf("\n");
  printf("version: %d\n", static_cast<int>(ip->version));
  printf("creation_time: %s\n", iso_time_str(ip->createDate));
  printf("modified_time: %s\n", iso_time_str(ip->modifyDate));
  printf("backup_time: %s\n", iso_time_str(ip->backupDate));
  printf("modification_number: %ld\n", static_cast<long>(ip->modnum));
  printf("type: '%s', ", escaped_controls(printlong(ip->type)).c_str());
  printf("creator: '%s'\n", escaped_controls(printlong(ip->creator)).c_str());
  printf("\n");
}

// -s stops at the first file of the site that could not be written (its
// message said which, and why): a site without it would not rebuild the
// database, so no rebuild.sh is written, nor anything after it.
bool stop_site() { return sflag && exit_status; }

void list_records(pi_file_t* pf, DBInfo* ip) {
  (void)ip;
  if (stop_site()) return;  // an icon
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  if (sflag) {
    plan_rebuild(pf, [](byte_view bitmap, bool compress, unsigned colour) {
      png_pixels png;
      return png_for_bitmap(bitmap, compress, colour, &png);
    });
    // The gap an image with an empty source shows is named before the
    // pages' form is chosen, which tries the names.
    plan_gap_names(pf);
    choose_page_form(pf);
  }
  printf("entries\n");
  printf("index\tsize\tattrs\tcat\tuid\n");
  for (int i = 0; i < entries; i++) {
    record_index = i;
    void* buf = nullptr;
    size_t size = 0;
    int attrs = 0, cat = 0;
    recordid_t uid = 0;
    const int read = pi_file_read_record(pf, i, &buf, &size, &attrs, &cat, &uid);
    if (read < 0 && read != PI_RECORD_TOO_LARGE) {
      printf("error reading %d\n\n", i);
      // A resource database's entries are resources, which no PQA reader
      // takes; under -s the site would lack this record and all after it.
      const bool resources = (ip->flags & dlpDBFlagResource) != 0;
      record_message(nullptr, "cannot be read%s%s",
                     resources ? ", a resource database holds no PQA records" : "",
                     sflag ? ": no rebuild.sh written" : ": the listing stops here");
      exit_status = 1;
      return;
    }
    if (vflag)
      printf("%d\t%d\t0x%x\t%d\t0x%lx\n", i, static_cast<int>(size), static_cast<unsigned>(attrs),
             cat, uid);
    if (read == PI_RECORD_TOO_LARGE) {
      // Refused alone, unread; the listing goes on with the next record.
      record_message(nullptr, "record of %zu bytes is too large to read: left out", size);
      printf("\n");
      continue;
    }
    dump_pqa(static_cast<const unsigned char*>(buf), buf ? size : 0);
    printf("\n");
    if (stop_site()) return;
  }
  record_index = -1;
  printf("\n");
  if (sflag) {
    write_no_room_page();
    write_rebuild_script(pf);
  }
  // The link rewrite serves the bit-coded reading of the pages: it edits the
  // pages this run wrote that way and no other file (under -s never the
  // source pages); -l wrote none.
  if (!lflag) rewrite_links(htmls, bit_coded_files, !sflag);
  printf("\n");
}
