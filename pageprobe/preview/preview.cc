#include "preview/preview.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app_info_block.h"
#include "bitmap/palm_bitmap_reader.h"
#include "bitmap/png_writer.h"
#include "common/pqa_record.h"
#include "hex_dump.h"
#include "markup/markup_filter.h"
#include "message.h"
#include "output_file.h"
#include "preview/preview_page.h"
#include "probe_state.h"
#include "record_fields.h"
#include "safe_files.h"

int open_preview_dir(int base, const char* dir) {
  // A folder made here is opened without following a link that may have
  // taken its place since; one that was there is the user's, as named.
  if (base < 0) base = AT_FDCWD;
  const bool made = mkdirat(base, dir, 0777) == 0;
  if (!made && errno != EEXIST) {
    message("%s: %s", dir, strerror(errno));
    return -1;
  }
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (made ? O_NOFOLLOW : 0);
  const int fd = openat(base, dir, flags);
  if (fd < 0) {
    if (errno == ENOTDIR)
      message("%s: exists and is not a folder; the preview needs a new or empty folder", dir);
    else
      message("%s: %s", dir, strerror(errno));
    return -1;
  }
  folder_identity preview, working;
  const int here = open_folder(".");
  const bool same = identify_folder(fd, &preview) && here >= 0 &&
                    identify_folder(here, &working) && preview == working;
  if (here >= 0) close(here);
  if (same) {
    message("%s: is the working directory, where the extracted files go; "
            "the preview needs a folder of its own", dir);
    close(fd);
    return -1;
  }
  // The folder's entries are read through the descriptor that the preview
  // files are made in.
  bool empty = true;
  if (!made) {
    const int listing = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* d = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!d) {
      message("%s: %s", dir, strerror(errno));
      if (listing >= 0) close(listing);
      close(fd);
      return -1;
    }
    while (struct dirent* e = readdir(d))
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) empty = false;
    closedir(d);
  }
  if (!empty) {
    message("%s: folder is not empty; the preview needs a new or empty folder", dir);
    close(fd);
    return -1;
  }
  return fd;
}

namespace {

// One record as the preview sees it.
struct record_entry {
  bool read = false;       // the container handed it out
  unsigned long uid = 0;
  size_t size = 0;
  bool header = false;     // long enough for a record header
  unsigned content = 0, compression = 0;
  std::string url;         // up to its first zero byte
  bool has_data = false;   // data range inside the record
  byte_view data;
  std::string file;        // preview file, or empty
  std::string problem;     // why there is none
  std::string bitmap;      // an image's renditions: depth and compression of each
  // A page that -w split: the records of its later parts, in order, on its
  // first part; on each later part, the first part's record.
  std::vector<size_t> parts;
  size_t part_of = SIZE_MAX;
};

// What a bitmap's renditions hold: "2-bit scan-line; 8-bit uncompressed".
std::string describe_bitmap(byte_view data, const char* label) {
  std::string text;
  for (const bitmap_header& h : read_bitmap_family(data, label)) {
    if (!text.empty()) text += "; ";
    text += std::to_string(bitmap_depth(h)) + "-bit ";
    if (!(h.flags & kBmpFlagCompressed) || (h.version >= 2 && h.compression == kBmpNoCompression))
      text += "uncompressed";
    else if (h.version < 2 || h.compression == kBmpScanLine)
      text += "scan-line";
    else if (h.compression == kBmpRle)
      text += "RLE";
    else if (h.compression == kBmpPackBits)
      text += "PackBits";
    else
      text += "compression " + std::to_string(h.compression);
  }
  return text;
}

// The first part's URL and the part number of a later part's URL, "URL~N"
// with N from 2 (how pagepack -w names the parts of a page it splits).
bool later_part(const std::string& url, std::string* first, unsigned long* n) {
  const size_t tilde = url.rfind('~');
  if (tilde == std::string::npos || tilde + 1 >= url.size() || url.size() - tilde > 6 ||
      url.find_first_not_of("0123456789", tilde + 1) != std::string::npos || url[tilde + 1] == '0')
    return false;
  *n = strtoul(url.c_str() + tilde + 1, nullptr, 10);
  *first = url.substr(0, tilde);
  return *n >= 2;
}

std::string numbered(const char* format, size_t n) {
  char name[32];
  snprintf(name, sizeof name, format, n);
  return name;
}

record_entry read_entry(pi_file_t* pf, int index) {
  record_entry r;
  void* buf = nullptr;
  int attrs = 0, cat = 0;
  recordid_t uid = 0;
  const int read = pi_file_read_record(pf, index, &buf, &r.size, &attrs, &cat, &uid);
  if (read < 0) {
    r.problem = read == PI_RECORD_TOO_LARGE ? "too large to read" : "unreadable record";
    return r;
  }
  r.read = true;
  r.uid = uid;
  byte_view rec = make_view(buf, r.size);
  if (rec.length < kPqaHeaderSize) {
    r.problem = "shorter than its header";
    return r;
  }
  r.header = true;
  r.content = rec.data[kContentType];
  r.compression = rec.data[kCompressionType];
  if (!record_url_text(rec, &r.url)) r.problem = "URL outside the record";
  r.has_data = record_data_view(rec, &r.data);
  if (!r.has_data) r.problem = "data outside the record";
  return r;
}

class preview_writer {
 public:
  preview_writer(pi_file_t* pf, const DBInfo& info, const char* dir, int dir_fd)
      : pf_(pf), info_(info), dir_(dir), dir_fd_(dir_fd) {}
  void run();

 private:
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  bool write_text(const std::string& name, const std::string& text);
  const char* write_bitmap(byte_view bitmap, const std::string& name, std::string* note);
  bool write_image_file(const record_entry& r);
  void write_icons();
  void write_page(size_t i);
  std::string target(bool image, unsigned index) const;
  std::string part_links(const record_entry& r) const;
  std::string record_row(size_t i) const;
  void join_parts();
  void write_index();

  pi_file_t* pf_;
  const DBInfo& info_;
  std::string dir_;
  int dir_fd_;  // the preview folder, where every file is made new
  std::vector<record_entry> records_;
  std::map<unsigned long, size_t> by_uid_;
  std::vector<size_t> pages_;  // the page records, in the order the listing counts them
  std::set<std::string> files_;
  std::string version_, title_, icons_;
};

bool preview_writer::write_text(const std::string& name, const std::string& text) {
  output_file file;
  if (!file.create(dir_fd_, name.c_str(), path(name))) {
    message("%s: %s", path(name).c_str(), strerror(errno));
    exit_status = 1;
    return false;
  }
  fwrite(text.data(), 1, text.size(), file.get());
  return file.finish();
}

// Writes the PNG file of a bitmap. Null when it was written, else what the
// preview shows instead: a bitmap of no pixels is a note, not a failure (PNG
// has no empty image).
const char* preview_writer::write_bitmap(byte_view bitmap, const std::string& name,
                                         std::string* note) {
  palm_image image;
  if (!read_palm_bitmap(bitmap, path(name).c_str(), &image)) return "bitmap not shown";
  if (image.width == 0 || image.height == 0) {
    *note = "empty image, " + std::to_string(image.width) + " &#215; " +
            std::to_string(image.height) + " pixels";
    return note->c_str();
  }
  if (!write_png(dir_fd_, name, path(name), image.width, image.height, image.rgb))
    return "bitmap not shown";
  files_.insert(name);
  return nullptr;
}

// A GIF or JPEG record holds the image file itself, which browsers show: its
// bytes are written once their signature says they are what the record's
// kind says.
bool preview_writer::write_image_file(const record_entry& r) {
  const bool gif = r.content == kContentGif;
  const byte_view& d = r.data;
  const bool signed_as_kind =
      gif ? d.length >= 6 && (!memcmp(d.data, "GIF87a", 6) || !memcmp(d.data, "GIF89a", 6))
          : d.length >= 3 && d.data[0] == 0xFF && d.data[1] == 0xD8 && d.data[2] == 0xFF;
  if (!signed_as_kind) {
    message("%s: no %s signature, not shown", path(r.file).c_str(), gif ? "GIF" : "JPEG");
    return false;
  }
  if (!write_text(r.file, std::string(reinterpret_cast<const char*>(d.data), d.length)))
    return false;
  files_.insert(r.file);
  return true;
}

void preview_writer::write_icons() {
  const app_info_fields f = read_app_info(app_info_view(pf_));
  if (f.fields < kAppTitle) return;
  version_ = f.version;
  title_ = f.title;
  static const struct {
    int field;
    const char* file;
    const char* alt;
  } kIcons[] = {{kAppLargeIcon, "icon-large.png", "large icon"},
                {kAppSmallIcon, "icon-small.png", "small icon"}};
  for (const auto& icon : kIcons) {
    if (f.fields < icon.field) {
      message("%s: icon entry runs past the end of the application-info block",
              path(icon.file).c_str());
      return;
    }
    const byte_view& bitmap = icon.field == kAppLargeIcon ? f.large_icon : f.small_icon;
    std::string note;
    if (bitmap.length && !write_bitmap(bitmap, icon.file, &note))
      icons_ += std::string("<img class=\"icon\" src=\"") + icon.file + "\" alt=\"" + icon.alt +
                "\" title=\"" + icon.alt + "\">";
  }
}

// The preview file of the record an index names: the record whose unique ID
// is index + 1 (how pagepack numbers them), else the record at that position.
std::string preview_writer::target(bool image, unsigned index) const {
  auto it = by_uid_.find(static_cast<unsigned long>(index) + 1);
  size_t i = it != by_uid_.end() ? it->second : index;
  if (i >= records_.size()) return std::string();
  const record_entry& r = records_[i];
  const bool shown_image = r.content == kContentImage || r.content == kContentGif ||
                          r.content == kContentJpeg;
  if (image ? !shown_image : r.content != kContentPage) return std::string();
  return r.file;
}

void preview_writer::write_page(size_t i) {
  const record_entry& r = records_[i];
  // A bit-coded page's anchor index is read as the listing's link rewrite
  // reads it: the page at that position among the page records.
  const bool bit_coded = r.compression == kCompressionBitCoded;
  page_markup markup = preview_page_markup(
      r.data, r.compression, path(r.file).c_str(), files_,
      [this, bit_coded](bool image, unsigned index) {
        if (image || !bit_coded) return target(image, index);
        return index < pages_.size() ? records_[pages_[index]].file : std::string();
      });
  std::string title = markup.page.title.empty() ? html_escape(r.url) : markup.page.title;
  std::string html = preview_head(title);
  html += "<div class=\"bar\"><a href=\"index.html\">&#8592; " + html_escape(title_) +
          "</a>record " + std::to_string(i) + ": " + html_escape(r.url) + "</div>\n";
  if (!markup.complete) html += "<p class=\"note\">" + html_escape(markup.note) + "</p>\n";
  html += "<div class=\"screen\"><b>" + title + "</b><br>\n" + markup.page.body +
          "\n</div>\n</body></html>\n";
  write_text(r.file, html);
}

// A split page's part links, each part named by its number.
std::string preview_writer::part_links(const record_entry& r) const {
  if (r.parts.empty()) return std::string();
  std::string links = " in " + std::to_string(r.parts.size() + 1) + " parts: <a href=\"" +
                      r.file + "\">1</a>";
  for (size_t k = 0; k < r.parts.size(); k++)
    links += " <a href=\"" + records_[r.parts[k]].file + "\" title=\"record " +
             std::to_string(r.parts[k]) + "\">" + std::to_string(k + 2) + "</a>";
  return links;
}

std::string preview_writer::record_row(size_t i) const {
  const record_entry& r = records_[i];
  std::string row = "<tr><td>" + std::to_string(i) + "</td>";
  if (!r.read) return row + "<td colspan=\"6\">" + r.problem + "</td></tr>\n";
  row += "<td>" + std::to_string(r.uid) + "</td>";
  if (!r.header) return row + "<td colspan=\"5\">" + r.problem + "</td></tr>\n";
  std::string kind = r.content == kContentPage    ? "page"
                     : r.content == kContentImage ? "image"
                     : r.content == kContentGif   ? "GIF image"
                     : r.content == kContentJpeg  ? "JPEG image"
                                                  : "type " + std::to_string(r.content);
  std::string compression = std::to_string(r.compression);
  if (r.content == kContentPage && r.compression <= 1)
    compression += r.compression == 0 ? " (byte-coded)" : " (bit-coded)";
  if (!r.bitmap.empty()) compression = html_escape(r.bitmap);
  size_t size = r.size;
  for (size_t p : r.parts) size += records_[p].size;
  row += "<td>" + kind + "</td><td>" + compression + "</td><td>" + std::to_string(size) +
         "</td><td>" + html_escape(r.url) + "</td><td>";
  if (r.file.empty() || !files_.count(r.file))
    row += r.problem.empty() ? "&#8212;" : r.problem;
  else if (r.content == kContentPage)
    row += "<a href=\"" + r.file + "\">page</a>" + part_links(r);
  else
    row += "<a href=\"" + r.file + "\"><img class=\"thumb\" src=\"" + r.file + "\" alt=\"image " +
           std::to_string(i) + "\"></a>";
  return row + "</td></tr>\n";
}

void preview_writer::write_index() {
  char name[sizeof info_.name + 1];
  snprintf(name, sizeof name, "%.*s", static_cast<int>(sizeof info_.name), info_.name);
  std::string html = preview_head(html_escape(title_.empty() ? std::string(name) : title_));
  html += "<div class=\"launcher\">" + icons_ + "<div><h1>" + html_escape(title_) +
          "</h1>version " + html_escape(version_) + "</div></div>\n<dl>";
  html += "<dt>database</dt><dd>" + html_escape(name) + "</dd>";
  html += std::string("<dt>created</dt><dd>") + iso_time_str(info_.createDate) + "</dd>";
  html += std::string("<dt>modified</dt><dd>") + iso_time_str(info_.modifyDate) + "</dd>";
  html += std::string("<dt>backed up</dt><dd>") + iso_time_str(info_.backupDate) + "</dd>";
  html += "<dt>records</dt><dd>" + std::to_string(records_.size()) + "</dd></dl>\n";
  html += "<table class=\"records\"><tr><th>index</th><th>unique ID</th><th>kind</th>"
          "<th>compression</th><th>size</th><th>URL</th><th>preview</th></tr>\n";
  for (size_t i = 0; i < records_.size(); i++)
    if (records_[i].part_of == SIZE_MAX) html += record_row(i);
  html += "</table>\n</body></html>\n";
  write_text("index.html", html);
}

void preview_writer::run() {
  write_icons();
  int entries = 0;
  pi_file_get_entries(pf_, &entries);
  for (int i = 0; i < entries; i++) {
    records_.push_back(read_entry(pf_, i));
    record_entry& r = records_.back();
    if (r.read) by_uid_.emplace(r.uid, records_.size() - 1);
    if (r.header && r.content == kContentPage) pages_.push_back(records_.size() - 1);
    if (!r.has_data) continue;
    size_t n = records_.size() - 1;
    if (r.content == kContentImage) {
      r.file = numbered("record-%04zu.png", n);
      std::string note;
      if (const char* problem = write_bitmap(r.data, r.file, &note))
        r.problem = problem;
      else
        r.bitmap = describe_bitmap(r.data, path(r.file).c_str());
    } else if (r.content == kContentGif || r.content == kContentJpeg) {
      r.file = numbered(r.content == kContentGif ? "record-%04zu.gif" : "record-%04zu.jpg", n);
      if (!write_image_file(r)) r.problem = "image not shown";
    } else if (r.content == kContentPage) {
      // Page names are known before any page is written, so that links
      // to later pages resolve.
      r.file = numbered("record-%04zu.html", n);
      files_.insert(r.file);
    }
  }
  for (size_t i = 0; i < records_.size(); i++)
    if (records_[i].content == kContentPage && !records_[i].file.empty()) write_page(i);
  join_parts();
  write_index();
}

// Gives each page that -w split its later parts, in part order, when every
// part from 2 on is a page record of the preview; the index shows them as one.
void preview_writer::join_parts() {
  std::map<std::string, size_t> first;  // URL of a page record with a preview file
  for (size_t i = 0; i < records_.size(); i++)
    if (records_[i].content == kContentPage && files_.count(records_[i].file))
      first.emplace(records_[i].url, i);
  std::map<size_t, std::map<unsigned long, size_t>> later;
  for (const auto& page : first) {
    std::string url;
    unsigned long n;
    auto it = later_part(page.first, &url, &n) ? first.find(url) : first.end();
    if (it != first.end()) later[it->second][n] = page.second;
  }
  for (const auto& page : later) {
    const auto& parts = page.second;
    if (parts.rbegin()->first != parts.size() + 1) continue;  // a part is missing
    for (const auto& part : parts) {
      records_[page.first].parts.push_back(part.second);
      records_[part.second].part_of = page.first;
    }
  }
}

}  // namespace

void write_preview(pi_file_t* pf, const DBInfo& info, const char* dir, int dir_fd) {
  preview_writer(pf, info, dir, dir_fd).run();
}
