#include "command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/pqa_record.h"
#include "message.h"

pack_options options;

// One row per option: getopt_long's table, the short-option string and the
// lines of --help are made from it.
struct option_row {
  const char* long_name;
  int short_name;        // 0 for a long-only option
  int has_arg;           // no_argument, required_argument, optional_argument
  const char* arg_name;  // the value in --help ("URL"), for an option that takes one
  const char* help;      // what the option does, one short line for --help
};

// Values above any character stand for long-only options.
enum {
  kLongOnly = 256,
  kOptFit,
  kOptPage,
  kOptImage,
  kOptIcon,
  kOptSmallIcon,
  kOptGap,
  kOptBitmap,
  kHelp,
  kVersion
};

static const option_row kOptionRows[] = {
    {"web", 'w', no_argument, nullptr, "read pages as a web browser shows them (with --fit)"},
    {"dither", 'd', no_argument, nullptr, "dither images to the four greys (error diffusion)"},
    {"colour", 'c', required_argument, "DEPTH",
     "add a colour bitmap of DEPTH bits (8: system palette, 16: 5-6-5)"},
    {"color", 'c', required_argument, "DEPTH", nullptr},  // the same, spelt so; not in --help
    {"compress", 'z', no_argument, nullptr, "store every bitmap in its smallest compressed form"},
    {"fit", kOptFit, optional_argument, "WIDTH",
     "scale images wider than WIDTH pixels (153) down to it; 0: none"},
    {"page", kOptPage, required_argument, "NAME",
     "the input NAME is a page, whatever its name says"},
    {"image", kOptImage, required_argument, "NAME",
     "the input NAME is an image, whatever its name says"},
    {"gap", kOptGap, required_argument, "NAME",
     "the input NAME keeps its place and unique ID but makes no record"},
    {"output", 'o', required_argument, "FILE",
     "write the database to FILE (default: the application name)"},
    {"icon", kOptIcon, required_argument, "FILE", "the launcher's large icon (LgIcon.pnm)"},
    {"small-icon", kOptSmallIcon, required_argument, "FILE",
     "the launcher's small icon (SmIcon.pnm)"},
    {"quiet", 'q', no_argument, nullptr, "no progress lines; messages and the summary stay"},
    {"bitmap", kOptBitmap, required_argument, "NAME",
     "the input or icon file NAME holds a Palm bitmap, stored as it is"},
    {"help", kHelp, no_argument, nullptr, "print this help and exit"},
    {"version", kVersion, no_argument, nullptr, "print the version and exit"},
    {nullptr, 0, 0, nullptr, nullptr},
};

unsigned fit_width_in_force(const pack_options& o) {
  // A page read as a browser shows it has its images fitted to the screen too.
  if (o.fit_width < 0 && o.web) return kDefaultFitWidth;
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

// The left column of --help: "  -w, --web=URL", "      --fit".
static std::string help_names(const option_row& row) {
  std::string names = row.short_name && row.short_name < kLongOnly
                          ? std::string("  -") + static_cast<char>(row.short_name) + ", --"
                          : std::string("      --");
  names += row.long_name;
  const std::string value = row.arg_name ? row.arg_name : "VALUE";
  if (row.has_arg == required_argument) names += "=" + value;
  if (row.has_arg == optional_argument) names += "[=" + value + "]";
  return names;
}

void print_help(FILE* to, const char* prog) {
  fprintf(to, "Usage: %s [OPTION]... <appname> <version> <title> <input file> [<input file> ...]\n",
          prog);
  fputs("Compiles HTML pages and images, and every page and image they lead to, into\n"
        "the PQA database <appname>; the launcher icons are read from LgIcon.pnm and\n"
        "SmIcon.pnm in the working directory. Exit status 1 when an input was not\n"
        "packed or nothing was written.\n"
        "\n"
        "Options come before the application name; -- ends them.\n",
        to);
  size_t width = 0;
  for (const option_row* row = kOptionRows; row->long_name; ++row)
    width = std::max(width, help_names(*row).size());
  for (const option_row* row = kOptionRows; row->long_name; ++row)
    if (row->help)
      fprintf(to, "%-*s  %s\n", static_cast<int>(width), help_names(*row).c_str(), row->help);
  fputs("\nThe manual: man pagepack\n", to);
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
      case 'w':
        options.web = true;
        break;
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
      case 'q':
        options.quiet = true;
        break;
      case 'o':
        options.output = optarg;
        break;
      case kOptGap:
        options.gaps.insert(optarg);
        break;
      case kOptIcon:
      case kOptSmallIcon:
        (c == kOptIcon ? options.icon : options.small_icon) = optarg;
        options.icons_named = true;
        break;
      case kOptFit:
        options.fit_width = kDefaultFitWidth;
        if (optarg && !read_number(optarg, 0, 0xFFFF, &options.fit_width)) {
          message("bad fit width %s (pixels, 0 for none)", optarg);
          return command_action::bad_option;
        }
        break;
      case kOptPage:
      case kOptImage:
        options.input_kinds[optarg] = c == kOptPage ? kContentPage : kContentImage;
        break;
      case kOptBitmap:
        options.bitmap_inputs.insert(optarg);
        break;
      case kHelp:
        return command_action::help;
      case kVersion:
        return command_action::version;
      case ':':
        message("option %s needs a value", argv[optind - 1]);
        return command_action::bad_option;
      default: {
        // A long option is named as typed: "--web=yes" is the option -w given a value.
        const char* typed = argv[optind - 1];
        if (strncmp(typed, "--", 2) == 0 && strchr(typed, '='))
          message("unknown option %s (--%.*s takes no value)", typed,
                  static_cast<int>(strcspn(typed + 2, "=")), typed + 2);
        else if (strncmp(typed, "--", 2) == 0 || !optopt || optopt >= kLongOnly)
          message("unknown option %s", typed);
        else
          message("unknown option -%c", optopt);
        return command_action::bad_option;
      }
    }
  }
  if (argc - optind < 4) {
    message("too few arguments: %d of the four <appname> <version> <title> <input file>",
            argc - optind);
    return command_action::bad_option;
  }
  line->appname = argv[optind];
  line->version = argv[optind + 1];
  line->title = argv[optind + 2];
  line->inputs.assign(argv + optind + 3, argv + argc);
  auto no_input = [&](const std::string& name, const char* option) {
    auto same = [&](const char* input) { return name == input; };
    if (std::any_of(line->inputs.begin(), line->inputs.end(), same)) return false;
    message("--%s=%s: no input of that name", option, name.c_str());
    return true;
  };
  for (const auto& kind : options.input_kinds)
    if (no_input(kind.first, kind.second == kContentPage ? "page" : "image"))
      return command_action::bad_option;
  for (const std::string& gap : options.gaps)
    if (no_input(gap, "gap")) return command_action::bad_option;
  // --bitmap may also name the launcher's icon files (LgIcon.pnm and
  // SmIcon.pnm, or the files --icon and --small-icon give).
  for (const std::string& name : options.bitmap_inputs)
    if (name != options.icon && name != options.small_icon && no_input(name, "bitmap"))
      return command_action::bad_option;
  return command_action::run;
}
