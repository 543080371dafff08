// A file a program writes: created new inside a folder held open (see
// safe_files.h), written through an stdio stream, and finished with a check
// that every byte reached the file.
#pragma once

#include <cstdio>
#include <string>

class output_file {
 public:
  output_file() = default;
  output_file(const output_file&) = delete;
  output_file& operator=(const output_file&) = delete;
  ~output_file();  // closes without a check: only for paths that already failed

  // Creates the new file `name` in the folder dir (create_new_file: an
  // existing name is never opened); label names it in messages. False, with
  // errno set and without a message, on failure.
  bool create(int dir, const char* name, const std::string& label);
  FILE* get() const { return file_; }
  int descriptor() const { return file_ ? sink_.fd : -1; }
  explicit operator bool() const { return file_ != nullptr; }

  // Flushes and closes the file. A write or the close that failed gives
  // "PROGRAM: LABEL: reason" (the reason of the first failure), sets
  // exit_status to 1 and returns false.
  bool finish();

 public:
  // The descriptor under the stream, and the errno of its first failed write
  // or close, which the stream itself does not keep.
  struct sink {
    int fd = -1;
    int error = 0;
  };

 private:
  FILE* file_ = nullptr;
  std::string name_;
  sink sink_;
};
