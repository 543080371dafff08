// A file a program writes: writes go through an stdio stream, and finishing
// it checks that every byte reached the file.
#pragma once

#include <cstdio>
#include <string>

class output_file {
 public:
  output_file() = default;
  output_file(const output_file&) = delete;
  output_file& operator=(const output_file&) = delete;
  ~output_file();  // closes without a check: only for paths that already failed

  // Creates (or truncates) the named file; false, without a message, on failure.
  bool create(const char* name);
  FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }

  // Flushes and closes the file. A write or the close that failed gives
  // "PROGRAM: NAME: reason", sets exit_status to 1 and returns false.
  bool finish();

 private:
  FILE* file_ = nullptr;
  std::string name_;
};
