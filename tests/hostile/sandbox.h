// A working directory inside a watched parent: tests run a program in work/
// and then check that the parent holds nothing but work/ and its sentinel.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "support/pagepack_messages.h"
#include "support/run_program.h"

class Sandbox : public ::testing::Test {
 protected:
  Sandbox() : work_(root_.file("work")) {
    mkdir(work_.c_str(), 0755);
    write_file(root_.file("sentinel"), kSentinel);
  }

  std::string file(const std::string& name) const { return work_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) { write_file(file(name), bytes); }
  RunResult run(const char* program, const std::vector<std::string>& args) {
    return run_program(program, args, work_);
  }

  // Nothing appeared, vanished or changed beside the working directory.
  void expect_outside_untouched() {
    EXPECT_EQ((std::vector<std::string>{"sentinel", "work"}), list_dir(root_.path()));
    EXPECT_EQ(kSentinel, read_file(root_.file("sentinel")));
  }

  // Runs program and returns its result; *seconds is the time it took.
  RunResult timed_run(const char* program, const std::vector<std::string>& args, double* seconds,
                      const std::string& cwd = std::string()) {
    const auto start = std::chrono::steady_clock::now();
    RunResult r = run_program(program, args, cwd.empty() ? work_ : cwd);
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  }

  // The most memory any program run by this test took, in MB.
  static long children_max_rss_mb() {
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
  }

  static constexpr const char* kSentinel = "left alone\n";
  TempDir root_;
  std::string work_;
};

// Whether Palm::PDB, an independent reader, loads the database.
inline bool palm_pdb_loads(const std::string& path) {
  return run_shell("perl " + shell_quote(PDB_DUMP_PL) + " " + shell_quote(path) + " >/dev/null",
                   "/").status == 0;
}
