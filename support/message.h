// A program's own messages on standard error: "PROGRAM: " and the text.
// Standard output is flushed first, so a message follows the output lines it
// is about.
#pragma once

#include <cstdarg>
#include <string>

// The name every message starts with ("pagepack", "pageprobe"); each program
// defines it once, so its library and its tests speak with its name.
extern const char program_name[];

// 0, or 1 once a failure was reported that makes the run fail (an output file
// or standard output that could not be written); main returns it.
extern int exit_status;

// One line: control characters of the text (names and texts from files may
// hold line feeds or escape sequences) are written escaped, so that no
// message can forge another line or drive the terminal.
void message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message whose words are fixed (a usage line, "can't open FILE", the FONT
// error): the text as given, after flushing standard output.
void plain_message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text with its control characters (below 0x20, and 0x7F) written as \n, \t,
// \r or \xHH; every other byte as it is.
std::string escaped_controls(const std::string& text);

// The text printf would write for format and args.
std::string formatted(const char* format, va_list args);
