// pagepack's command line: options first, then the application name, version,
// title and inputs. "--" ends the options.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

// What the options ask for; every option off gives the databases of old.
struct pack_options {
  bool web = false;           // -w: pages read as a web browser shows them
  bool dither = false;        // -d: images dithered to the four greys
  unsigned colour_depth = 0;  // -c 8 or 16: a colour rendition in every image record
  bool compress = false;      // -z: every bitmap in its smallest form
  int fit_width = -1;         // --fit[=WIDTH]: -1 not given, 0 off, else the widest image kept
  // --page=NAME, --image=NAME: the kind of the inputs given as NAME, in place
  // of the one the first-dot rule gives (kContentPage or kContentImage).
  std::map<std::string, uint8_t> input_kinds;
  // --gap=NAME: the inputs given as NAME are placeholders that keep their
  // place and unique ID but make no record (pageprobe -s's rebuild.sh).
  std::set<std::string> gaps;
  bool quiet = false;                   // -q: no per-record progress lines nor per-tag notes
  const char* output = nullptr;         // -o FILE: the database's path, else the application name
  const char* icon = "LgIcon.pnm";      // --icon=FILE
  const char* small_icon = "SmIcon.pnm";  // --small-icon=FILE
  bool icons_named = false;             // --icon or --small-icon given: a missing one fails the run
  // --bitmap=NAME: the inputs (or launcher icon files) given as NAME hold a
  // Palm bitmap, stored as it is.
  std::set<std::string> bitmap_inputs;
};

// The width images are scaled down to (0: none) under the options given.
unsigned fit_width_in_force(const pack_options& o);

// The default of --fit: the width of a clipping page on a 160-pixel screen.
constexpr int kDefaultFitWidth = 153;

// The options of this run, set by parse_command_line and read by the steps
// that they change.
extern pack_options options;

struct command_line {
  const char* appname = nullptr;
  const char* version = nullptr;
  const char* title = nullptr;
  std::vector<const char*> inputs;  // argv strings, in order
};

enum class command_action {
  run,         // pack `appname` from `inputs`
  bad_option,  // too few operands, an unknown option or a bad value: a message and the usage
               // on standard error, status 1
  help,        // --help: every option on standard output, status 0
  version,     // --version: the program's version on standard output, status 0
};

// Reads argv into `options` and `line`.
command_action parse_command_line(int argc, char** argv, command_line* line);

// The usage line, "PROG <appname> <version> <title> <input file>\n".
void print_usage(FILE* to, const char* prog);

// --help: the usage with the options and a line for each, from the option table.
void print_help(FILE* to, const char* prog);
