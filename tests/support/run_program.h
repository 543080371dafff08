// Test helpers for running the built programs: a scratch directory, files in
// it, and a run that captures standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

// Bounds that guard against hangs and blow-ups are stretched in a sanitizer
// build, whose programs run several times slower in more memory (and reserve
// a shadow space that no `ulimit -v` admits).
#ifdef PQA_SANITIZED
constexpr long kBoundScale = 10;
#else
constexpr long kBoundScale = 1;
#endif
// "ulimit -t SECONDS && ", stretched as above.
inline std::string cpu_limit(long seconds) {
  return "ulimit -t " + std::to_string(seconds * kBoundScale) + " && ";
}

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it
// when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` with `args` in directory `cwd`, standard input from /dev/null.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd);

// Runs a shell command line in `cwd` (for the independent tools).
RunResult run_shell(const std::string& command, const std::string& cwd);

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);  // empty when missing
bool file_exists(const std::string& path);
std::vector<std::string> list_dir(const std::string& dir);  // sorted, without . and ..

// Quotes a word for the shell.
std::string shell_quote(const std::string& word);
