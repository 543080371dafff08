// pagepack: compiles HTML pages and netpbm images into one PQA database.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app_info.h"
#include "command_line.h"
#include "common/pqa_record.h"
#include "image/image_record.h"
#include "markup/html_page.h"
#include "markup/web_hint.h"
#include "message.h"
#include "pi-file.h"
#include "record_queue.h"
#include "standard_streams.h"
#include "version.h"
#include "web/web_page.h"

static_assert(kPqaDbFlags == (dlpDBFlagClipping | dlpDBFlagBackup), "launchable data, backup");

// The database name field holds 31 characters and a NUL.
constexpr size_t kMaxDatabaseName = 31;

// Compiles every queued entry not yet compiled, including those that pages
// queue while this runs; the entry at position p gets unique ID p + 1.
static int compile_records(pi_file_t* pf) {
  static int record_csm = 0;
  while (record_csm < next_record) {
    needed_record* rec = &record_stack[record_csm];
    int uid = record_csm + 1;
    if (rec->type != kContentPage)
      compile_image(pf, rec, uid);
    else if (options.web)
      compile_web_record(pf, rec, uid);
    else
      compile_html(pf, rec, uid);
    ++record_csm;
  }
  return 0;
}

// The kind --page or --image gives the name, else a page unless the letter
// after the first '.' anywhere in the name says otherwise.
static uint8_t input_kind(const char* name) {
  if (options.bitmap_inputs.count(name)) return kContentImage;
  auto given = options.input_kinds.find(name);
  if (given != options.input_kinds.end()) return given->second;
  const char* dot = strchr(name, '.');
  if (!dot || dot[1] == 'h' || dot[1] == 'H') return kContentPage;
  return kContentImage;
}

int main(int argc, char** argv) {
  open_standard_descriptors();
  const char* prog = argv[0] ? argv[0] : "pagepack";
  command_line line;
  switch (parse_command_line(argc, argv, &line)) {
    case command_action::short_line:
      print_usage(stdout, prog);
      return finish_standard_output() ? 0 : 1;
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

  DBInfo info;
  memset(&info, 0, sizeof info);
  strcpy(info.name, appname);
  info.flags = kPqaDbFlags;
  info.type = kPqaType;
  info.creator = kPqaCreator;
  info.createDate = time(nullptr);
  info.modifyDate = time(nullptr);
  info.backupDate = time(nullptr);

  pi_file_t* pf = pi_file_create(appname, &info);
  if (!pf) {
    message("%s: cannot create database", appname);
    return 1;
  }

  static unsigned char app_info[kAppInfoMax];
  int app_info_size = build_app_info(app_info, line.version, line.title);
  if (pi_file_set_app_info(pf, app_info, static_cast<size_t>(app_info_size)) < 0) {
    message("%s: cannot store the application info", appname);
    return 1;  // nothing written: the database is written only by pi_file_close
  }

  count_left_out = options.web;
  for (const char* input : line.inputs) {
    if (options.web)
      queue_web_input(input);
    else
      queue_record(input, input_kind(input));
  }
  compile_records(pf);
  if (!options.web) tell_web_reading();
  if (size_t n = records_left_out())
    message("database full (%d records): %zu pages and images left out", kMaxRecords, n);

  errno = 0;
  if (pi_file_close(pf) < 0) {
    if (errno)
      message("%s: cannot write database: %s", appname, strerror(errno));
    else
      message("%s: cannot write database", appname);
    return 1;
  }
  return finish_standard_output() ? 0 : 1;
}
