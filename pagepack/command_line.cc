#include "command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/pqa_record.h"
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
enum { kLongOnly = 256 };

static const option_row kOptionRows[] = {
    {"page", kLongOnly + 'p', required_argument},
    {"image", kLongOnly + 'i', required_argument},
    {nullptr, 0, 0},
};

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
      case kLongOnly + 'p':
      case kLongOnly + 'i':
        options.input_kinds[optarg] = c == kLongOnly + 'p' ? kContentPage : kContentImage;
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
  for (const auto& kind : options.input_kinds) {
    auto same = [&](const char* input) { return kind.first == input; };
    if (std::none_of(line->inputs.begin(), line->inputs.end(), same)) {
      message("--%s=%s: no input of that name", kind.second == kContentPage ? "page" : "image",
              kind.first.c_str());
      return command_action::bad_option;
    }
  }
  return command_action::run;
}
