// Builds PQA databases for pageprobe's program tests: record headers, the
// application-info block, Palm bitmaps, and the file through the container.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pi-file.h"

inline std::string be16(unsigned v) {
  return std::string{static_cast<char>(v >> 8), static_cast<char>(v)};
}
inline std::string be32(uint32_t v) { return be16(v >> 16) + be16(v & 0xFFFF); }
inline std::string bytes(const std::vector<unsigned char>& v) {
  return std::string(v.begin(), v.end());
}

// A record: the 20-byte header, the URL field and the data, laid out as
// pagepack lays them out (URL at 20, data right behind it).
inline std::string pqa_record(unsigned content, const std::string& url_field,
                              const std::string& data, unsigned compression = 0,
                              unsigned flags = 0) {
  uint32_t data_offset = 20 + static_cast<uint32_t>(url_field.size());
  std::string r = be32(20) + be16(static_cast<unsigned>(url_field.size())) + be32(data_offset) +
                  be16(static_cast<unsigned>(data.size()));
  r += static_cast<char>(content);
  r += static_cast<char>(compression);
  r += be32(static_cast<uint32_t>(data.size()));
  r += static_cast<char>(flags);
  r += '\0';
  return r + url_field + data;
}

// A string field of the application-info block: word count, text, padding.
inline std::string app_string(const std::string& s) {
  std::string field = s + '\0';
  if (field.size() % 2) field += '\0';
  return be16(static_cast<unsigned>(field.size() / 2)) + field;
}

inline std::string app_info(const std::string& version, const std::string& title,
                            const std::string& large_icon = std::string(2, '\0'),
                            const std::string& small_icon = std::string(2, '\0')) {
  return std::string("lnch\x00\x03\x80\x01", 8) + app_string(version) + app_string(title) +
         large_icon + small_icon;
}

// A bitmap: the 16-byte header and the pixel bytes as given.
inline std::string bitmap(unsigned width, unsigned height, unsigned row_bytes, unsigned flags,
                          unsigned pixel_size, const std::string& pixels, unsigned version = 1) {
  std::string b = be16(width) + be16(height) + be16(row_bytes) + be16(flags);
  b += static_cast<char>(pixel_size);
  b += static_cast<char>(version);
  b += std::string(6, '\0');
  return b + pixels;
}

inline std::string icon_entry(const std::string& bmp) {
  return be16(static_cast<unsigned>(bmp.size() / 2)) + bmp;
}

// The P6 file pageprobe writes for the given samples (one byte a pixel).
inline std::string ppm(unsigned width, unsigned height, const std::string& samples) {
  std::string p = "P6\n#Created by Velkin decompile\n" + std::to_string(width) + " " +
                  std::to_string(height) + "\n255\n";
  for (char c : samples) p += std::string(3, c);
  return p;
}

// Writes a record database through the container layer; records get unique
// IDs 1, 2, 3 ..., or those given. Dates are fixed so that header listings
// can be compared.
inline bool write_pqa_db(const std::string& path, const std::string& app,
                         const std::vector<std::string>& records, unsigned flags = 0x208,
                         const std::vector<recordid_t>& uids = {}, const char* name = "Demo",
                         const std::vector<int>& attrs = {}) {  // attributes | category
  DBInfo info{};
  snprintf(info.name, sizeof info.name, "%s", name);
  info.flags = flags;
  info.type = 0x70716120UL;
  info.creator = 0x636c7072UL;
  info.createDate = 1000000000;
  info.modifyDate = 1000000060;
  info.backupDate = 1000003600;
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  if (!pf) return false;
  std::string block = app;
  if (!block.empty() && pi_file_set_app_info(pf, &block[0], block.size()) < 0) return false;
  for (size_t i = 0; i < records.size(); i++) {
    std::string r = records[i];
    const recordid_t uid = i < uids.size() ? uids[i] : static_cast<recordid_t>(i + 1);
    const int a = i < attrs.size() ? attrs[i] : 0;
    if (pi_file_append_record(pf, r.empty() ? nullptr : &r[0], r.size(), a & 0xF0, a & 0x0F, uid) <
        0)
      return false;
  }
  return pi_file_close(pf) == 0;
}
