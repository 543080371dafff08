// pagepack: compiles HTML pages and netpbm images into one PQA database.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "app_info.h"
#include "command_line.h"
#include "common/pqa_record.h"
#include "image/image_record.h"
#include "input_check.h"
#include "input_file.h"
#include "markup/html_page.h"
#include "markup/web_hint.h"
#include "message.h"
#include "pi-file.h"
#include "record_queue.h"
#include "run_summary.h"
#include "standard_streams.h"
#include "version.h"
#include "web/site_paths.h"
#include "web/web_page.h"

static_assert(kPqaDbFlags == (dlpDBFlagClipping | dlpDBFlagBackup), "launchable data, backup");

// The database name field holds 31 characters and a NUL.
constexpr size_t kMaxDatabaseName = 31;

// Queue positions of command-line inputs that cannot be packed: each keeps
// its place, and so its unique ID, but makes no record.
static std::vector<bool> not_packed(kMaxRecords);

// Whether a default-mode entry names no file: a link or image to a missing
// file is told at the end, not compiled (no empty record stands in for it).
static bool names_no_file(const needed_record* rec) {
  struct stat st;
  return stat(rec->filename, &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Compiles every queued entry not yet compiled, including those that pages
// queue while this runs; the entry at position p gets unique ID p + 1.
static int compile_records(pi_file_t* pf) {
  static int record_csm = 0;
  while (record_csm < next_record) {
    needed_record* rec = &record_stack[record_csm];
    int uid = record_csm + 1;
    compiling_position = record_csm;
    if (options.web && part_waiting(record_csm)) {
      // a part of a page read earlier, whatever kind its placeholder's name says
      compile_web_record(pf, rec, uid);
    } else if (not_packed[record_csm]) {
      // told when the inputs were checked
    } else if (!options.web && names_no_file(rec)) {
      note_missing_target(rec->filename, queued_by(record_csm));
    } else if (rec->type != kContentPage) {
      compile_image(pf, rec, uid);
    } else if (options.web) {
      compile_web_record(pf, rec, uid);
    } else {
      compile_html(pf, rec, uid);
    }
    ++record_csm;
  }
  compiling_position = -1;
  return 0;
}

// Queues the command-line inputs, each after a look at it: one that cannot be
// packed is named with what to do. False when any was not packed.
static bool queue_inputs(const command_line& line) {
  bool all = true;
  for (const char* input : line.inputs) {
    // --bitmap makes the input an image, as --image does.
    auto given = options.input_kinds.find(input);
    const bool bitmap = options.bitmap_inputs.count(input) != 0;
    const bool kind_given = bitmap || given != options.input_kinds.end();
    uint8_t kind = given != options.input_kinds.end() ? given->second : kind_by_name(input);
    if (bitmap) kind = kContentImage;
    if (options.gaps.count(input)) {
      int at = queue_record(input, kind);
      if (at >= 0) {
        not_packed[static_cast<size_t>(at)] = true;
        record_stack[at].placeholder = true;
      }
      continue;
    }
    // -w reads the site from the working directory: an input that lies
    // outside it, by its name or through a symbolic link, gets the hint.
    std::string problem;
    if (options.web && (input_url(input).empty() || leads_outside(input)))
      problem = "outside the working directory, left out: -w reads the site from the working "
                "directory: cd into it";
    if (problem.empty()) problem = input_problem(input, kind, kind_given || options.web);
    if (problem.empty() && options.web) {
      std::string url = input_url(input);
      if (!kind_given && local_file_kind(url) == target_kind::none)
        problem = std::string("neither a page nor an image, left out: --page=") + input +
                  " or --image=" + input + " says which";
    }
    if (!problem.empty()) {
      message("%s: %s", input, problem.c_str());
      all = false;
      if (options.web) continue;  // -w queues by URL: no place to keep
      int at = queue_record(input, kind);
      if (at >= 0) not_packed[static_cast<size_t>(at)] = true;
      continue;
    }
    if (options.web)
      queue_web_input(input);
    else
      queue_record(input, kind);
  }
  return all;
}

// Every file the run read or looked for: the queue's names and the icons.
static std::vector<const char*> files_read() {
  std::vector<const char*> reads = {options.icon, options.small_icon};
  for (int p = 0; p < next_record; p++) reads.push_back(record_stack[p].filename);
  return reads;
}

static int pack(int argc, char** argv) {
  open_standard_descriptors();
  // A file-size limit (ulimit -f) fails the write with EFBIG, told like any
  // failed write, instead of killing the run and leaving its temporary file.
  signal(SIGXFSZ, SIG_IGN);
  const char* prog = argv[0] ? argv[0] : "pagepack";
  command_line line;
  switch (parse_command_line(argc, argv, &line)) {
    case command_action::bad_option:
      print_usage(stderr, prog);
      return 1;
    case command_action::help:
      print_help(stdout, prog);
      return finish_standard_output() ? 0 : 1;
    case command_action::version:
      printf("%s %s\n", program_name, PQA_TOOLS_VERSION);
      return finish_standard_output() ? 0 : 1;
    case command_action::run:
      break;
  }
  const char* appname = line.appname;
  if (strlen(appname) > kMaxDatabaseName) {
    message("%s: database name longer than %zu characters", appname, kMaxDatabaseName);
    return 1;
  }
  const char* path = options.output ? options.output : appname;
  std::vector<const char*> named = line.inputs;
  named.push_back(options.icon);
  named.push_back(options.small_icon);
  std::string refused = output_problem(path, named);
  if (!refused.empty()) {
    message("%s: %s", path, refused.c_str());
    return 1;
  }

  DBInfo info;
  memset(&info, 0, sizeof info);
  strcpy(info.name, appname);
  info.flags = kPqaDbFlags;
  info.type = kPqaType;
  info.creator = kPqaCreator;
  info.createDate = time(nullptr);
  info.modifyDate = time(nullptr);
  info.backupDate = time(nullptr);

  errno = 0;
  pi_file_t* pf = pi_file_create(path, &info);
  if (!pf) {
    message("%s: cannot create database: %s; name a file in a folder you can write to", path,
            strerror(errno ? errno : EINVAL));
    return 1;
  }

  // The default mode reads the inputs and icons the user names wherever they
  // lie; -w reads nothing outside the working directory.
  if (!options.web) {
    for (const char* input : line.inputs) trust_input(input);
    trust_input(options.icon);
    trust_input(options.small_icon);
  }

  static unsigned char app_info[kAppInfoMax];
  int app_info_size = build_app_info(app_info, line.version, line.title);
  if (pi_file_set_app_info(pf, app_info, static_cast<size_t>(app_info_size)) < 0) {
    message("%s: cannot store the application info", path);
    pi_file_discard(pf);
    return 1;  // nothing written: the database is written only by pi_file_close
  }
  bool all_packed = queue_inputs(line) && !(options.icons_named && icons_left_out());
  compile_records(pf);
  if (!options.web) tell_web_reading();
  if (size_t n = records_left_out()) {
    std::string names;
    for (const std::string& name : first_left_out()) names += (names.empty() ? "" : ", ") + name;
    message("database full (%d records): %zu pages and images left out: %s%s", kMaxRecords, n,
            names.c_str(), n > first_left_out().size() ? ", ..." : "");
  }
  tell_missing_targets();

  const records_made made = made_so_far();
  // Placeholders alone make an empty database on purpose (pageprobe -s of one).
  const std::set<std::string> distinct(line.inputs.begin(), line.inputs.end());
  const bool only_gaps = options.gaps.size() == distinct.size();
  if (made.pages + made.images == 0 && !only_gaps) {
    struct stat st;
    message("%s: no record made, no database written%s", path,
            stat(path, &st) == 0 ? " (the one there is kept)" : "");
    pi_file_discard(pf);
    return 1;
  }
  if (const char* source = output_names_a_source(path, files_read())) {
    message("%s: the run reads it as %s: not replaced, no database written (give -o FILE)", path,
            source);
    pi_file_discard(pf);
    return 1;
  }

  errno = 0;
  if (pi_file_close(pf) < 0) {
    if (errno)
      message("%s: cannot write database: %s", path, strerror(errno));
    else
      message("%s: cannot write database", path);
    return 1;
  }
  struct stat written;
  unsigned long long bytes =
      stat(path, &written) == 0 ? static_cast<unsigned long long>(written.st_size) : 0;
  bool out_ok = finish_standard_output();
  message("%s", summary_text(path, made, bytes).c_str());
  return out_ok && all_packed && exit_status == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  try {
    return pack(argc, argv);
  } catch (const std::bad_alloc&) {
    // Every reader bounds what it holds; this is the last resort.
    message("out of memory");
    return 1;
  }
}
