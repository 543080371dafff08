#include "command_line.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "message.h"

pack_options options;

// One row per option: getopt_long's table and the short-option string are
// made from it.
struct option_row {
  const char* long_name;
  int short_name;  // 0 for a long-only option
  int has_arg;     // no_argument, required_argument, optional_argument
};

// Values above any character stand for long-only options.
enum { kLongOnly = 256, kOptFit };

static const option_row kOptionRows[] = {
    {"dither", 'd', no_argument},
    {"colour", 'c', required_argument},
    {"compress", 'z', no_argument},
    {"fit", kOptFit, optional_argument},
    {nullptr, 0, 0},
};

unsigned fit_width_in_force(const pack_options& o) {
  return o.fit_width > 0 ? static_cast<unsigned>(o.fit_width) : 0;
}

// A whole decimal number from `min` to `max`; false for anything else.
static bool read_number(const char* text, long min, long max, int* value) {
  if (!isdigit(static_cast<unsigned char>(*text))) return false;  // no sign, no blank
  char* end;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (*end || errno || v < min || v > max) return false;
  *value = static_cast<int>(v);
  return true;
}

void print_usage(FILE* to, const char* prog) {
  fprintf(to, "%s <appname> <version> <title> <input file>\n", prog);
}

command_action parse_command_line(int argc, char** argv, command_line* line) {
  std::string shorts = "+:";  // stop at the first operand; report a missing value
  std::vector<struct option> longs;
  for (const option_row& row : kOptionRows) {
    if (!row.long_name) break;
    longs.push_back({row.long_name, row.has_arg, nullptr, row.short_name});
    if (row.short_name && row.short_name < kLongOnly) {
      shorts += static_cast<char>(row.short_name);
      if (row.has_arg == required_argument) shorts += ':';
      if (row.has_arg == optional_argument) shorts += "::";
    }
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  opterr = 0;  // the messages are ours
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, shorts.c_str(), longs.data(), nullptr)) != -1) {
    switch (c) {
      case 'd':
        options.dither = true;
        break;
      case 'c': {
        int depth = 0;
        if (!read_number(optarg, 8, 16, &depth) || (depth != 8 && depth != 16)) {
          message("bad colour depth %s (8 or 16)", optarg);
          return command_action::bad_option;
        }
        options.colour_depth = static_cast<unsigned>(depth);
        break;
      }
      case 'z':
        options.compress = true;
        break;
      case kOptFit:
        options.fit_width = kDefaultFitWidth;
        if (optarg && !read_number(optarg, 0, 0xFFFF, &options.fit_width)) {
          message("bad fit width %s (pixels, 0 for none)", optarg);
          return command_action::bad_option;
        }
        break;
      case ':':
        message("option %s needs a value", argv[optind - 1]);
        return command_action::bad_option;
      default:
        if (optopt && optopt < kLongOnly)
          message("unknown option -%c", optopt);
        else
          message("unknown option %s", argv[optind - 1]);
        return command_action::bad_option;
    }
  }
  if (argc - optind < 4) return command_action::short_line;
  line->appname = argv[optind];
  line->version = argv[optind + 1];
  line->title = argv[optind + 2];
  line->inputs.assign(argv + optind + 3, argv + argc);
  return command_action::run;
}
