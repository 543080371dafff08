// Helpers for the program-level tests: running the built pagepack in a
// scratch directory and reading the database back with the container layer.
#pragma once

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "pi-file.h"
#include "support/pagepack_messages.h"
#include "support/run_program.h"

struct ReadRecord {
  std::string bytes;
  int attrs;
  int category;
  unsigned long uid;
};

struct ReadDatabase {
  bool ok = false;
  DBInfo info{};
  std::string app_info;
  std::vector<ReadRecord> records;
};

inline ReadDatabase read_database(const std::string& path) {
  ReadDatabase db;
  pi_file_t* pf = pi_file_open(path.c_str());
  if (!pf) return db;
  db.ok = true;
  pi_file_get_info(pf, &db.info);
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  if (data) db.app_info.assign(static_cast<const char*>(data), size);
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  for (int i = 0; i < entries; ++i) {
    ReadRecord r{};
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &data, &size, &r.attrs, &r.category, &uid) < 0) continue;
    r.bytes.assign(static_cast<const char*>(data), size);
    r.uid = uid;
    db.records.push_back(r);
  }
  pi_file_close(pf);
  return db;
}

// Big-endian fields of a record header.
inline unsigned be16_at(const std::string& s, size_t at) {
  return (static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]);
}

// The URL of a record, without the pad NUL.
inline std::string record_url(const std::string& rec) {
  std::string url = rec.substr(20, be16_at(rec, 4));
  if (!url.empty() && url.back() == '\0') url.pop_back();
  return url;
}

inline std::string record_data(const std::string& rec) {
  return rec.substr(20 + be16_at(rec, 4), be16_at(rec, 10));
}

class PagepackRun : public ::testing::Test {
 protected:
  RunResult pagepack(const std::vector<std::string>& args) {
    return run_program(PAGEPACK_BIN, args, dir_.path());
  }
  void write(const std::string& name, const std::string& bytes) {
    write_file(dir_.file(name), bytes);
  }
  ReadDatabase database(const std::string& name = "Demo") { return read_database(dir_.file(name)); }

  TempDir dir_;
};
