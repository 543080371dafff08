// pageprobe [-v] [-s] [-p DIR] file: lists a PQA database and writes its
// pages, images and icons into the working directory. --help and --version
// answer as GNU programs do.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>

#include "listing.h"
#include "message.h"
#include "preview/preview.h"
#include "probe_state.h"
#include "record_dump.h"
#include "site/extracted_files.h"
#include "site/rebuild_plan.h"
#include "standard_streams.h"
#include "version.h"

[[noreturn]] static void usage() {
  plain_message("usage: %s [-v] file\n", progname);
  exit(1);
}

static int print_help() {
  printf("Usage: %s [-v] [-s] [-p DIR] <database>\n", progname);
  fputs("Lists the PQA database <database> and writes its pages, images and icons into\n"
        "the working directory (run it in an empty one).\n"
        "\n"
        "  -v         also print the header, hex dumps, bitmaps and page texts\n"
        "  -s         write a site that pagepack builds into the same database again\n"
        "  -p DIR     also write a preview for a web browser into the new folder DIR\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "\n"
        "The manual: man pageprobe\n",
        stdout);
  return finish_standard_output() ? 0 : 1;
}

// Long-only options, valued above any character.
enum { kHelp = 256, kVersion };
static const struct option kLongOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

int main(int argc, char** argv) {
  open_standard_descriptors();
  progname = argv[0] ? argv[0] : "pageprobe";
  opterr = 0;  // the usage line is the whole message
  int c;
  while ((c = getopt_long(argc, argv, "vsp:", kLongOptions, nullptr)) != -1) {
    if (c == kHelp) return print_help();
    if (c == kVersion) {
      printf("%s %s\n", program_name, PQA_TOOLS_VERSION);
      return finish_standard_output() ? 0 : 1;
    }
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
  if (sflag) plan_work_folder(pf);  // the icons go there
  if (vflag) dump_header(pf, &info);
  dump_app_info(pf, &info);
  list_records(pf, &info);
  if (preview_fd >= 0) write_preview(pf, info, preview_dir, preview_fd);
  pi_file_close(pf);  // releases the record bytes; nothing is written back
  if (!finish_standard_output()) exit_status = 1;
  return exit_status;
}
