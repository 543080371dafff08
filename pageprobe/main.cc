// pageprobe [-v] [-l] [-s] [-f] [-C DIR] [-p DIR] file: lists a PQA database
// and writes its pages, images and icons into the working directory (or DIR
// of -C). --help and --version answer as GNU programs do.
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/pqa_record.h"
#include "listing.h"
#include "message.h"
#include "preview/preview.h"
#include "probe_state.h"
#include "record_dump.h"
#include "safe_files.h"
#include "site/extracted_files.h"
#include "site/rebuild_plan.h"
#include "standard_streams.h"
#include "version.h"

// Says what is wrong, then the usage line that names every option.
[[noreturn]] static void usage(const std::string& problem) {
  message("%s", problem.c_str());
  plain_message("usage: %s [-v] [-l] [-s] [-f] [-C DIR] [-p DIR] file\n", progname);
  plain_message("Try '%s --help' for more information.\n", progname);
  exit(1);
}

static int print_help() {
  printf("Usage: %s [-v] [-l] [-s] [-f] [-C DIR] [-p DIR] <database>\n", progname);
  fputs("Lists the PQA database <database> and writes its pages, images and icons into\n"
        "the working directory (best an empty one), in the folders their URLs name.\n"
        "\n"
        "  -v, --verbose        also print the header, hex dumps, bitmaps and page texts\n"
        "  -l, --list           only list (with -v all that -v prints): write no file\n"
        "  -s                   write a site that pagepack builds into the same database\n"
        "  -C, --directory=DIR  write into the folder DIR (made when missing)\n"
        "  -f, --force          replace regular files that are in the way\n"
        "  -p DIR               also write a preview for a web browser into DIR (new)\n"
        "      --help           print this help and exit\n"
        "      --version        print the version and exit\n"
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
    {"verbose", no_argument, nullptr, 'v'},
    {"list", no_argument, nullptr, 'l'},
    {"force", no_argument, nullptr, 'f'},
    {"directory", required_argument, nullptr, 'C'},
    {nullptr, 0, nullptr, 0},
};

// The option getopt refused: an unknown letter, or the long option's word
// (a known letter comes back only from a long option given a value it does
// not take, or from a missing folder).
static std::string bad_option(const char* word) {
  const bool letter = optopt > 0 && optopt < 128;
  if (letter && (!strchr("vlsfCp", optopt) || strncmp(word, "--", 2) != 0))
    return std::string("-") + static_cast<char>(optopt);
  std::string w = word;
  return w.substr(0, w.find('='));
}

// Why pi_file_open refused `file`, for a user: it is missing, no regular
// file, or not laid out as a Palm database.
static std::string open_problem(const char* file) {
  struct stat st;
  const int fd = open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? "no such file" : strerror(errno);
  const bool known = fstat(fd, &st) == 0;
  close(fd);
  if (!known) return strerror(errno);
  if (S_ISDIR(st.st_mode)) return "a folder, not a database";
  if (!S_ISREG(st.st_mode)) return "not a regular file, not a database";
  constexpr off_t kHeader = 78;  // a Palm database's header up to its record count
  if (st.st_size < kHeader)
    return "not a Palm database: " + std::to_string(st.st_size) +
           " bytes are too short for its header of 78";
  return "not a Palm database: its header does not describe this file";
}

// -C: makes the folder when it is missing and makes it the working
// directory (a symbolic link the user names is followed: it is the user's).
static bool enter_directory(const char* dir) {
  if (mkdir(dir, 0777) != 0 && errno != EEXIST) {
    message("%s: %s", dir, strerror(errno));
    return false;
  }
  if (chdir(dir) != 0) {
    message("%s: %s", dir, errno == ENOTDIR ? "exists and is not a folder" : strerror(errno));
    return false;
  }
  return true;
}

// The four characters of a type or creator code, control characters
// (zero bytes too) escaped.
static std::string code_text(unsigned long code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((code >> shift) & 0xFF);
  return escaped_controls(text);
}

int main(int argc, char** argv) {
  open_standard_descriptors();
  // A file-size limit (ulimit -f) fails a write with EFBIG, told as any failed
  // write is, instead of killing the run.
  signal(SIGXFSZ, SIG_IGN);
  progname = argv[0] ? argv[0] : "pageprobe";
  opterr = 0;  // the messages are pageprobe's own
  const char* directory = nullptr;
  int c;
  while ((c = getopt_long(argc, argv, ":vlsfC:p:", kLongOptions, nullptr)) != -1) {
    if (c == kHelp) return print_help();
    if (c == kVersion) {
      printf("%s %s\n", program_name, PQA_TOOLS_VERSION);
      return finish_standard_output() ? 0 : 1;
    }
    switch (c) {
      case 'v': vflag = 1; break;
      case 'l': lflag = 1; break;
      case 's': sflag = 1; break;
      case 'f': fflag = 1; break;
      case 'C': directory = optarg; break;
      case 'p': preview_dir = optarg; break;
      case ':':
        usage("option '" + bad_option(argv[optind - 1]) + "' needs a folder");
      default:
        usage("unknown option '" + bad_option(argv[optind - 1]) + "'");
    }
  }
  if (optind == argc) usage("no database given");
  if (optind < argc - 1)
    usage(std::string("one database at a time: '") + argv[optind + 1] + "' is one too many");
  if (lflag && (sflag || preview_dir)) usage("-l writes no file: it goes with neither -s nor -p");
  const char* file = argv[optind];
  database_name = file;

  pi_file_t* pf = pi_file_open(file);
  if (!pf) {
    message("%s: can't open: %s", file, open_problem(file).c_str());
    return 1;
  }
  DBInfo info{};
  pi_file_get_info(pf, &info);
  // Other databases are listed all the same, so that they can be looked into.
  if (info.type != kPqaType || info.creator != kPqaCreator)
    message("%s: a '%s'/'%s' database, not a PQA", file, code_text(info.type).c_str(),
            code_text(info.creator).c_str());
  struct stat db;
  if (stat(file, &db) == 0) keep_database(db.st_dev, db.st_ino);
  // The preview's folder is named from where pageprobe was started.
  const int start = preview_dir ? open_folder(".") : -1;
  if (directory && !lflag && !enter_directory(directory)) {
    pi_file_close(pf);
    return 1;
  }
  // The preview folder is checked before anything is written, so that a
  // refused one leaves no trace; the listing's files stay out of it.
  const int preview_fd = preview_dir ? open_preview_dir(start, preview_dir) : -1;
  if (start >= 0) close(start);
  if (preview_dir && preview_fd < 0) {
    pi_file_close(pf);
    return 1;
  }
  folder_identity preview;
  if (preview_fd >= 0 && identify_folder(preview_fd, &preview))
    keep_extracted_files_out_of(preview, "inside the preview folder, not written");
  make_folders_for_extracted_files();  // the folders of the URLs
  if (fflag) replace_existing_files();
  if (lflag) write_no_files();
  if (sflag) plan_work_folder(pf);  // the icons go there
  if (vflag) dump_header(pf, &info);
  dump_app_info(pf, &info);
  list_records(pf, &info);
  if (preview_fd >= 0 && !stop_site()) write_preview(pf, info, preview_dir, preview_fd);
  pi_file_close(pf);  // releases the record bytes; nothing is written back
  if (!finish_standard_output()) exit_status = 1;
  return exit_status;
}
