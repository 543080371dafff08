// pageprobe [-v] [-s] [-p DIR] file: lists a PQA database and writes its pages, images and
// icons into the working directory.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "extracted_files.h"
#include "listing.h"
#include "message.h"
#include "preview.h"
#include "probe_state.h"
#include "record_dump.h"
#include "standard_streams.h"

[[noreturn]] static void usage() {
  plain_message("usage: %s [-v] file\n", progname);
  exit(1);
}

int main(int argc, char** argv) {
  open_standard_descriptors();
  progname = argv[0] ? argv[0] : "pageprobe";
  opterr = 0;  // the usage line is the whole message
  int c;
  while ((c = getopt(argc, argv, "vsp:")) != -1) {
    if (c == 'v')
      vflag = 1;
    else if (c == 's')
      sflag = 1;
    else if (c == 'p')
      preview_dir = optarg;
    else
      usage();
  }
  if (optind != argc - 1) usage();
  const char* file = argv[optind];
  database_name = file;

  pi_file_t* pf = pi_file_open(file);
  if (!pf) {
    plain_message("can't open %s\n", file);
    return 1;
  }
  // The preview folder is checked before anything is written, so that a
  // refused one leaves no trace; the listing's files stay out of it.
  const int preview_fd = preview_dir ? open_preview_dir(preview_dir) : -1;
  if (preview_dir && preview_fd < 0) {
    pi_file_close(pf);
    return 1;
  }
  folder_identity preview;
  if (preview_fd >= 0 && identify_folder(preview_fd, &preview))
    keep_extracted_files_out_of(preview, "inside the preview folder, not written");
  if (sflag) make_folders_for_extracted_files();  // the folders of the site's URLs
  DBInfo info{};
  pi_file_get_info(pf, &info);
  if (vflag) dump_header(pf, &info);
  dump_app_info(pf, &info);
  list_records(pf, &info);
  if (preview_fd >= 0) write_preview(pf, info, preview_dir, preview_fd);
  pi_file_close(pf);  // releases the record bytes; nothing is written back
  if (!finish_standard_output()) exit_status = 1;
  return exit_status;
}
