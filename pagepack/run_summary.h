// What a run tells its user besides the messages of each file: the progress
// lines of each record on standard output (left out under -q), the files that
// links and images name but that are not there, and one closing line on
// standard error with what was made.
#pragma once

#include <cstddef>
#include <string>

// printf to standard output, unless -q asked for quiet.
void progress_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The two progress lines of a record handed to the container, "record size =
// N" and "pi_file_append_record = R"; an appended record is counted as a page
// or an image by its content type.
void record_appended(const unsigned char* record, size_t size, int result);

struct records_made {
  size_t pages = 0;
  size_t images = 0;
};
records_made made_so_far();

// A link or image target of the page at queue position `named_in` (-1: none)
// that names no file; told once, at the end.
void note_missing_target(const std::string& target, int named_in);
size_t missing_targets();
void tell_missing_targets();

// The closing line: "PATH: N records (P pages, I images), S bytes", with a
// comparison when the database is larger than a handheld of the time holds
// comfortably.
std::string summary_text(const char* path, records_made made, unsigned long long bytes);

// A handheld of the late 1990s had 2 to 8 MB for everything; a database above
// this size crowds it.
constexpr unsigned long long kComfortableBytes = 1ull << 20;
