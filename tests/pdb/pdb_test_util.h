// Helpers for the container-layer tests: DBInfo values, hand-built database
// files, and reading a database back through the layer as text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pi-file.h"

inline unsigned long four_cc(const char* s) {
  return (static_cast<unsigned long>(static_cast<unsigned char>(s[0])) << 24) |
         (static_cast<unsigned long>(static_cast<unsigned char>(s[1])) << 16) |
         (static_cast<unsigned long>(static_cast<unsigned char>(s[2])) << 8) |
         static_cast<unsigned long>(static_cast<unsigned char>(s[3]));
}

inline DBInfo make_info(const char* name) {
  DBInfo info;
  std::memset(&info, 0, sizeof info);
  std::strncpy(info.name, name, sizeof info.name - 1);
  info.flags = dlpDBFlagClipping | dlpDBFlagBackup;
  info.version = 1;
  info.type = four_cc("DATA");
  info.creator = four_cc("tstC");
  info.createDate = 1000000000;
  info.modifyDate = 1000000100;
  info.backupDate = 1700000000;
  return info;
}

inline std::string bytes_of(const std::vector<unsigned char>& v) {
  return std::string(v.begin(), v.end());
}

// A database file built field by field, for cases the writer never makes.
struct PdbImage {
  std::string bytes;

  void be16(size_t at, uint32_t v) {
    grow(at + 2);
    bytes[at] = static_cast<char>(v >> 8);
    bytes[at + 1] = static_cast<char>(v);
  }
  void be32(size_t at, uint32_t v) {
    grow(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * (3 - i)));
  }
  void put(size_t at, const std::string& s) {
    grow(at + s.size());
    bytes.replace(at, s.size(), s);
  }
  void grow(size_t n) {
    if (bytes.size() < n) bytes.resize(n, '\0');
  }
};

// A well-formed record database: header, `offsets.size()` record entries
// (attributes 0x40 | index, unique ID 0x10 + index), pad, then the blocks.
// Callers pass the offsets to test; the file is `total` bytes long.
inline PdbImage record_db(const std::vector<uint32_t>& offsets, uint32_t app_info,
                          size_t total) {
  PdbImage img;
  img.grow(total);
  img.put(0, "Made");
  img.be16(32, dlpDBFlagBackup);
  img.be32(52, app_info);
  img.put(60, "DATAtstC");
  img.be16(76, static_cast<uint32_t>(offsets.size()));
  for (size_t i = 0; i < offsets.size(); ++i) {
    img.be32(78 + 8 * i, offsets[i]);
    img.be32(78 + 8 * i + 4, (0x40u | static_cast<uint32_t>(i)) << 24 | (0x10 + i));
  }
  img.bytes.resize(total, '\0');
  return img;
}
