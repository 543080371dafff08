#include "site/rebuild_plan.h"

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "app_info_block.h"
#include "common/byte_markup.h"
#include "common/palm_bitmap.h"
#include "common/pqa_record.h"
#include "probe_state.h"
#include "record_dump.h"
#include "record_fields.h"
#include "record_message.h"

namespace {

constexpr unsigned kMaxPositions = 1000;  // pagepack's queue
constexpr size_t kMaxLauncherText = 255;  // pagepack cuts a longer version or title

// Owners of the file names that are no record's.
enum { kLargeIcon = -1, kSmallIcon = -2, kScript = -3, kWorkFolder = -4, kNoRoom = -5 };

struct planned_record {
  std::string url;       // up to its first zero byte
  bool has_url = false;  // false when the URL lies outside the record
  byte_view rec;         // the whole record
  std::string file;      // its name in rebuild.sh and the pages; "" when it writes no file
  std::string path;      // where it is written, from the folder -s runs in
  bool writes = true;    // false: an earlier record with the same data wrote the file
  int position = -1;     // in the rebuild's queue; -1 when it has none
  bool page = false;     // queued as a page, else as an image
  bool bitmap = false;   // an image that comes back through its Palm bitmap
  bool part = false;     // a later part of a page that -w split: no file, a placeholder
};

struct plan {
  bool made = false;
  std::vector<planned_record> records;      // by record index
  std::vector<int> slots;                   // by queue position: record index, or -1
  std::map<unsigned long, int> by_uid;      // the first record of each unique ID
  std::map<unsigned, std::string> holes;    // placeholders by queue position
  std::map<std::string, int> files;         // path of each file written, and its owner
  std::map<std::string, int> folders;       // folders made, and the first owner in them
  std::set<std::string> names;              // every queue name, in lower case
  std::map<std::string, unsigned> first;    // each queue name in lower case: first position
  std::set<std::pair<int, unsigned>> told;  // (page, position) of the notes given
  bool empty_hole = false;                  // a gap has the empty name
  std::set<std::string> refused;            // names the page being written may not give
  std::string no_room;                      // the page of links without a target, or ""
  bool no_room_used = false;
};

plan the_plan;

// The folder rebuild.sh runs pagepack in, from the folder -s runs in ("" or
// ending in '/'), and how many folders above it the URLs reach. Set before
// the icons are written; plan_rebuild keeps it.
std::string work_folder;
unsigned work_depth = 0;

// The image options the database was made with, as its bitmaps show them,
// and whether the icons come back through their bitmaps; also set before the
// icons are written.
struct image_layout {
  bool compressed = false;                // a bitmap is compressed: rebuilt with -z
  unsigned colour = 0;                    // the deepest colour rendition: rebuilt with -c
  bool icon_bitmaps[2] = {false, false};  // large, small
} images;

bool web_rebuild = false;  // rebuild.sh runs pagepack -w

// pagepack matches queue names without regard to ASCII letter case.
std::string folded(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// How many ".." components lead the URL (empty and "." components aside),
// with the path after them, without empty and "." components, in *rest: "x",
// "./x" and ".//x" name one file. -1 when a ".." follows a name, which the
// rebuild's folders are not laid out for.
int leading_ups(const std::string& url, std::string* rest) {
  int ups = 0;
  bool climbs_after_name = false;
  rest->clear();
  for (size_t start = 0; start <= url.size();) {
    size_t slash = url.find('/', start);
    if (slash == std::string::npos) slash = url.size();
    const std::string part = url.substr(start, slash - start);
    if (part == ".." && rest->empty()) {
      ups++;
    } else if (!part.empty() && part != ".") {
      climbs_after_name = climbs_after_name || part == "..";
      *rest += (rest->empty() ? "" : "/") + part;
    }
    start = slash + 1;
  }
  return climbs_after_name ? -1 : ups;
}

// Where the file a URL names lies, from the folder -s runs in: below the
// rebuild's working folder, or as many folders above it as the URL's ".."
// components climb (never above the folder -s runs in: the working folder
// lies as deep as the deepest climb).
std::string canonical(const std::string& url) {
  std::string rest, base = work_folder;
  for (int ups = leading_ups(url, &rest); ups > 0 && !base.empty(); ups--) {
    base.pop_back();
    base.erase(base.rfind('/') + 1);  // npos + 1: the whole
  }
  return base + rest;
}

// Why the URL cannot name a file in the rebuild's folders, or null.
const char* unsafe_url(const std::string& url) {
  std::string rest;
  if (url.empty()) return "empty URL";
  if (url[0] == '/') return "absolute URL";
  const int ups = leading_ups(url, &rest);
  if (ups < 0 || static_cast<unsigned>(ups) > work_depth) return "URL with a .. component";
  return nullptr;
}

std::string owner_name(int owner) {
  switch (owner) {
    case kLargeIcon:
      return "the large icon";
    case kSmallIcon:
      return "the small icon";
    case kScript:
      return "the rebuild command";
    case kWorkFolder:
      return "the rebuild's working folder";
    case kNoRoom:
      return "the page of links without a target";
    default:
      return "record " + std::to_string(owner) + " (" + the_plan.records[owner].url + ")";
  }
}

// Whether the name is free for a file of its own and a queue position.
bool name_free(const std::string& name) {
  return !the_plan.names.count(folded(name)) && !the_plan.files.count(work_folder + name) &&
         !the_plan.folders.count(work_folder + name);
}

// Whether anything of that name is in the working directory already.
bool here_already(const std::string& name) {
  struct stat st;
  return lstat((work_folder + name).c_str(), &st) == 0;
}

// A name no URL, file or folder of the plan takes (nor, with `on_disk`, anything
// in the working directory): base, else base with -2, -3 ... before the part `rest`.
std::string free_name(const std::string& base, const std::string& rest, bool on_disk = false) {
  std::string name = base + rest;
  for (unsigned n = 2; !name_free(name) || (on_disk && here_already(name)); n++)
    name = base + "-" + std::to_string(n) + rest;
  the_plan.names.insert(folded(name));
  return name;
}

void add_file(const std::string& path, int owner) {
  the_plan.files.emplace(path, owner);
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    the_plan.folders.emplace(path.substr(0, slash), owner);
}

// Why the URL cannot name a file of its own, or "" when it can.
std::string file_problem(const std::string& url) {
  if (const char* unsafe = unsafe_url(url)) return unsafe;
  const std::string path = canonical(url);
  const bool dot_last =
      url == "." || (url.size() >= 2 && url.compare(url.size() - 2, 2, "/.") == 0);
  if (url.back() == '/' || dot_last || path.empty()) return "URL naming a folder";
  auto taken = the_plan.files.find(path);
  if (taken != the_plan.files.end())
    return "names the file of " + owner_name(taken->second) +
           (taken->second >= 0 ? ", whose data differ" : "");
  auto folder = the_plan.folders.find(path);
  if (folder != the_plan.folders.end()) return "names a folder of " + owner_name(folder->second);
  for (size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    taken = the_plan.files.find(path.substr(0, slash));
    if (taken != the_plan.files.end())
      return "its folder " + taken->first + " is the file of " + owner_name(taken->second);
  }
  return std::string();
}

// Whether two records give one file: the same kind, compression and data.
bool same_data(const planned_record& a, const planned_record& b) {
  byte_view da, db;
  return a.rec.data[kContentType] == b.rec.data[kContentType] &&
         a.rec.data[kCompressionType] == b.rec.data[kCompressionType] &&
         record_data_view(a.rec, &da) && record_data_view(b.rec, &db) && da.length == db.length &&
         (da.length == 0 || !memcmp(da.data, db.data, da.length));
}

// The file of record i: its URL when that names a file of its own, or the
// file of an earlier record with the same data; else a distinct name, said.
void plan_file(int i) {
  planned_record& r = the_plan.records[i];
  const std::string path = canonical(r.url);
  auto taken = the_plan.files.find(path);
  // (A URL that is absolute or ends in '/' names the file only here.)
  if (!unsafe_url(r.url) && r.url.back() != '/' && taken != the_plan.files.end() &&
      taken->second >= 0 && same_data(r, the_plan.records[taken->second])) {
    r.file = r.url;
    r.path = path;
    r.writes = false;
    return;
  }
  const std::string why = file_problem(r.url);
  if (why.empty()) {
    r.file = r.url;
    r.path = path;
    add_file(path, i);
    return;
  }
  // A distinct name in the working directory, after the URL's last name;
  // no longer than a URL pageprobe writes.
  std::string leaf = path.substr(path.rfind('/') + 1);
  if (leaf == "..") leaf.clear();
  const std::string base = "record-" + std::to_string(i);
  leaf = leaf.empty() ? "" : "-" + leaf.substr(0, kMaxUrl - base.size() - 8);
  r.file = free_name(base, leaf);
  r.path = work_folder + r.file;
  add_file(r.path, i);
  record_message(r.url.c_str(), "%s: written as %s", why.c_str(), r.file.c_str());
}

// How the record's header and URL field differ from pagepack's, or null.
const char* header_difference(const planned_record& r) {
  const byte_view& rec = r.rec;
  const size_t url_field = r.url.size() + (r.url.size() & 1);
  byte_view data;
  record_data_view(rec, &data);
  if (get_be32(rec.data + kUrlOffset) != kPqaHeaderSize ||
      get_be16(rec.data + kUrlLength) != url_field ||
      memcmp(rec.data + kPqaHeaderSize, r.url.c_str(), url_field))
    return "its URL field is not as pagepack writes it";
  if (get_be32(rec.data + kDataOffset) != kPqaHeaderSize + url_field ||
      rec.length != kPqaHeaderSize + url_field + data.length)
    return "its data do not lie where pagepack puts them";
  if (data.length > record_data_room(url_field))
    return "its data are more than pagepack puts in a record";
  if (rec.data[kCompressionType] != kCompressionByteCoded) return "its compression type is not 0";
  if (get_be32(rec.data + kUncompressedSize) != data.length)
    return "its uncompressed size is not its data length";
  if (rec.data[kHeaderFlags] || rec.data[kHeaderReserved]) return "its flags are not 0";
  return nullptr;
}

// How an icon's bitmap differs from those pagepack writes at `depth` bits a
// pixel, or null: version 1, uncompressed, rows of whole words, black past the
// width. Those come back from their greymaps; any other through the bitmap
// itself. (Images are checked against pagepack's writer: from_png.)
const char* bitmap_difference(byte_view data, unsigned depth) {
  if (data.length < kBitmapHeaderSize) return "its bitmap is shorter than its header";
  const unsigned width = get_be16(data.data + kBmpWidth), height = get_be16(data.data + kBmpHeight);
  const size_t row = 2 * ((width * depth + 15) / 16), per_byte = 8 / depth;
  const unsigned black = (1u << depth) - 1;
  static const unsigned char kZeros[6] = {0};
  if (get_be16(data.data + kBmpRowBytes) != row ||
      get_be16(data.data + kBmpFlags) || data.data[kBmpPixelSize] != depth ||
      data.data[kBmpVersion] != kBmpVersionWritten || memcmp(data.data + kBmpReserved, kZeros, 6) ||
      data.length != kBitmapHeaderSize + row * height)
    return "its bitmap is not of the form pagepack writes";
  // Its greymap would come back with rows too wide for pagepack to read.
  if (row * per_byte > kRowBufferSize) return "its bitmap is wider than pagepack reads";
  for (size_t y = 0; y < height; y++)
    for (size_t x = width; x < row * per_byte; x++) {
      const unsigned byte = data.data[kBitmapHeaderSize + y * row + x / per_byte];
      if ((byte >> (8 - depth * (x % per_byte + 1)) & black) != black)
        return "its bitmap is not black past its width";
    }
  return nullptr;
}

// Notes in the plan whether the bitmap (or family) at data is compressed and
// how deep a colour rendition it holds: the image options it was made with.
void note_image_options(byte_view data) {
  for (size_t start = 0, next = 1; next && data.length - start >= kBitmapHeaderSize;
       start += next) {
    const unsigned char* b = data.data + start;
    const unsigned version = b[kBmpVersion], depth = b[kBmpPixelSize];
    if (get_be16(b + kBmpFlags) & kBmpFlagCompressed) images.compressed = true;
    if ((depth == 8 || depth == 16) && depth > images.colour) images.colour = depth;
    next = version == 3   ? (data.length - start >= 24 ? get_be32(b + 20) : 0)
           : version >= 1 ? 4u * get_be16(b + kBmpNextDepthOffset)
                          : 0;
    if (next < kBitmapHeaderSize || next > data.length - start) next = 0;
  }
}

// Whether the record gets a file, saying why its kind or header do not come
// back; the listing itself says why a record gets none.
bool plan_kind(planned_record& r, const png_check& from_png) {
  const char* label = r.url.c_str();
  const unsigned content = r.rec.data[kContentType], compression = r.rec.data[kCompressionType];
  byte_view data;
  if (r.url.size() > static_cast<size_t>(kMaxUrl) || !record_data_view(r.rec, &data)) return false;
  r.page = content == kContentPage;
  if (content == kContentGif || content == kContentJpeg) {
    record_message(label, "a %s record: rebuilt as a Palm bitmap",
                   content == kContentGif ? "GIF" : "JPEG");
  } else if (content == kContentPage && compression == kCompressionBitCoded) {
    record_message(label, "a bit-coded page (compression type 1): rebuilt as byte-coded markup");
  } else if (content != kContentPage && content != kContentImage) {
    record_message(label, "content type %u, which pagepack does not make: left out of rebuild.sh",
                   content);
    return false;
  } else if (content == kContentPage && compression != kCompressionByteCoded) {
    return false;  // a compression not known: no file
  } else {
    const char* what = header_difference(r);
    if (what) record_message(label, "%s: rebuilt as pagepack writes it", what);
    // Images come back through their bitmaps when pagepack would not make
    // them again from a PNG. An empty one (00 00) comes back from an empty
    // file, but under the image options as it is.
    const bool empty = data.length == 2 && !data.data[0] && !data.data[1];
    if (content == kContentImage)
      r.bitmap = empty ? images.compressed || images.colour
                       : !from_png(data, images.compressed, images.colour);
  }
  return true;
}

// The application-info block as pagepack writes it: "lnch" and its fixed
// bytes; the version and the title, each its text, a zero byte and a zero
// more to an even length, at most 255 bytes of text; the icons; no more.
void check_app_info(pi_file_t* pf) {
  const byte_view block = app_info_view(pf);
  const app_info_fields f = read_app_info(block);
  if (block.length == 0)
    record_message(nullptr, "no application-info block: rebuilt with pagepack's");
  if (block.length > static_cast<size_t>(kAppInfoMax))
    record_message(nullptr,
                   "the application-info block is longer than pagepack's %d bytes: "
                   "rebuilt as pagepack cuts it",
                   kAppInfoMax);
  if (f.fields < kAppTitle) return;  // the listing said why
  if (memcmp(block.data, kAppInfoMagic, 4) || memcmp(block.data + 4, kAppInfoFixed, 4))
    record_message(nullptr,
                   "the application-info block begins otherwise than pagepack's: "
                   "rebuilt as pagepack begins it");
  size_t pos = kAppInfoVersionOffset;
  for (const char* what : {"version", "title"}) {
    byte_view field;
    view_counted(block, pos, &field);
    pos += 2 + field.length;
    const std::string text = view_text(field),
                      bytes(reinterpret_cast<const char*>(field.data), field.length);
    std::string written = text + '\0';
    if (written.size() % 2) written += '\0';
    if (bytes == written) continue;
    if (text.size() > kMaxLauncherText)
      record_message(nullptr, "the %s is longer than %zu bytes: pagepack cuts it", what,
                     kMaxLauncherText);
    else if (text.size() == bytes.size())
      record_message(nullptr, "the %s has no zero byte: rebuilt with one", what);
    else if (bytes.find_first_not_of('\0', text.size()) != std::string::npos)
      record_message(nullptr,
                     "the %s holds more after its zero byte, which no argument can hold: "
                     "rebuilt without it",
                     what);
    else
      record_message(nullptr,
                     "the %s has more zero bytes than pagepack writes: rebuilt without them", what);
  }

  if (f.fields == kAppSmallIcon &&
      f.small_icon.data + f.small_icon.length != block.data + block.length)
    record_message(nullptr,
                   "the application-info block holds bytes after the small icon: "
                   "rebuilt without them");
}

// The placeholder of queue position p: a name no file has, which pagepack
// takes for a page by the 'h' after its first dot (or the empty name, when
// plan_empty_name gave it).
const std::string& hole(unsigned p) {
  auto found = the_plan.holes.find(p);
  if (found == the_plan.holes.end())
    found = the_plan.holes.emplace(p, free_name(".hole-" + std::to_string(p + 1), "")).first;
  return found->second;
}

}  // namespace

void plan_rebuild(pi_file_t* pf, const png_check& from_png) {
  forget_rebuild_plan();
  plan& pl = the_plan;
  pl.made = true;
  for (size_t slash = work_folder.find('/'); slash != std::string::npos;
       slash = work_folder.find('/', slash + 1))
    pl.folders.emplace(work_folder.substr(0, slash), kWorkFolder);
  add_file(work_folder + "LgIcon.pnm", kLargeIcon);
  add_file(work_folder + "SmIcon.pnm", kSmallIcon);
  add_file("rebuild.sh", kScript);
  for (const char* name : {"lgicon.pnm", "smicon.pnm", "rebuild.sh"}) pl.names.insert(name);
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  pl.records.resize(static_cast<size_t>(entries));
  std::vector<unsigned long> uids(pl.records.size());
  std::vector<int> attributes(pl.records.size());
  for (int i = 0; i < entries; i++) {
    void* buf = nullptr;
    size_t size = 0;
    recordid_t uid = 0;
    int attrs = 0, category = 0;
    if (pi_file_read_record(pf, i, &buf, &size, &attrs, &category, &uid) < 0) continue;
    attributes[i] = attrs | category;
    planned_record& r = pl.records[i];
    r.rec = make_view(buf, size);
    uids[i] = uid;
    pl.by_uid.emplace(uid, i);
    r.has_url = r.rec.length >= kPqaHeaderSize && record_url_text(r.rec, &r.url);
    if (r.has_url) pl.names.insert(folded(r.url));
  }
  check_app_info(pf);
  unsigned next = 0;  // the first queue position not yet given
  for (int i = 0; i < entries; i++) {
    record_index = i;
    planned_record& r = pl.records[i];
    const bool keep = uids[i] >= 1 && uids[i] <= kMaxPositions && uids[i] - 1 >= next;
    if (attributes[i] && r.has_url)
      record_message(r.url.c_str(),
                     "its attributes and category (0x%02x), which pagepack never writes: "
                     "rebuilt without them",
                     static_cast<unsigned>(attributes[i]));
    if (!r.has_url || !plan_kind(r, from_png)) {
      if (keep) next = static_cast<unsigned>(uids[i]);  // its position stays a gap
      continue;
    }
    if (keep) {
      r.position = static_cast<int>(uids[i] - 1);
    } else {
      const char* why = uids[i] == 0              ? "0 is no queue position"
                        : uids[i] > kMaxPositions ? "pagepack queues at most 1000 inputs"
                                                  : "not above the unique ID of a record before it";
      if (next < kMaxPositions) {
        r.position = static_cast<int>(next);
        record_message(r.url.c_str(), "unique ID %lu cannot be kept (%s): rebuilt as %u", uids[i],
                       why, next + 1);
      } else {
        record_message(r.url.c_str(), "unique ID %lu cannot be kept (%s): left out of rebuild.sh",
                       uids[i], why);
      }
    }
    if (r.position >= 0) {
      next = static_cast<unsigned>(r.position) + 1;
      pl.slots.resize(next, -1);
      pl.slots[static_cast<size_t>(r.position)] = i;
    }
    plan_file(i);
  }
  record_index = -1;
  for (size_t p = 0; p < pl.slots.size(); p++)
    if (pl.slots[p] >= 0)
      pl.first.emplace(folded(pl.records[static_cast<size_t>(pl.slots[p])].file),
                       static_cast<unsigned>(p));
}

void plan_work_folder(pi_file_t* pf) {
  work_depth = 0;
  images = image_layout();
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  for (int i = 0; i < entries; i++) {
    void* buf = nullptr;
    size_t size = 0;
    std::string url, rest;
    if (pi_file_read_record(pf, i, &buf, &size, nullptr, nullptr, nullptr) < 0 ||
        size < kPqaHeaderSize || !record_url_text(make_view(buf, size), &url) ||
        url.size() > static_cast<size_t>(kMaxUrl))
      continue;
    const int ups = leading_ups(url, &rest);
    if (ups > static_cast<int>(work_depth)) work_depth = static_cast<unsigned>(ups);
    const byte_view rec = make_view(buf, size);
    byte_view data;
    if (rec.data[kContentType] == kContentImage && record_data_view(rec, &data))
      note_image_options(data);
  }
  // An icon of another form than pagepack's plain one, or any icon under -z
  // (which pagepack might compress otherwise), comes back through its bitmap.
  const app_info_fields f = read_app_info(app_info_view(pf));
  const byte_view* icons[] = {&f.large_icon, &f.small_icon};
  for (int k = 0; k < 2 && f.fields >= kAppLargeIcon + k; k++)
    if (icons[k]->length) note_image_options(*icons[k]);
  for (int k = 0; k < 2 && f.fields >= kAppLargeIcon + k; k++)
    images.icon_bitmaps[k] =
        icons[k]->length && (images.compressed || bitmap_difference(*icons[k], 1));
  work_folder.clear();
  for (unsigned up = work_depth; up > 0; up--) work_folder += "up-" + std::to_string(up) + "/";
  if (work_depth) work_folder += "site/";
}

const std::string& planned_work_folder() { return work_folder; }

bool planned_bitmap(int index) {
  return the_plan.made && index >= 0 && static_cast<size_t>(index) < the_plan.records.size() &&
         the_plan.records[static_cast<size_t>(index)].bitmap;
}

void planned_image_options(bool* compress, unsigned* colour) {
  *compress = images.compressed;
  *colour = images.colour;
}

bool planned_icon_bitmap(int k) { return images.icon_bitmaps[k != 0]; }

std::vector<std::string> planned_options() {
  std::vector<std::string> o;
  if (web_rebuild) o.insert(o.end(), {"-w", "--fit=0"});
  if (images.compressed) o.push_back("-z");
  if (images.colour) o.push_back("--colour=" + std::to_string(images.colour));
  for (int k = 0; k < 2; k++)
    if (images.icon_bitmaps[k]) o.push_back(k ? "--bitmap=SmIcon.pnm" : "--bitmap=LgIcon.pnm");
  return o;
}

bool planned_file(int index, std::string* file, std::string* path, bool* write) {
  if (!the_plan.made || index < 0 || static_cast<size_t>(index) >= the_plan.records.size())
    return false;
  const planned_record& r = the_plan.records[static_cast<size_t>(index)];
  if (r.file.empty()) return false;
  *file = r.file;
  *path = r.path;
  *write = r.writes;
  return true;
}

std::string planned_target(unsigned p, const char* page, bool tell) {
  plan& pl = the_plan;
  if (!pl.made || p >= kMaxPositions) return std::string();
  auto found = pl.by_uid.find(p + 1UL);
  const planned_record* r =
      found == pl.by_uid.end() ? nullptr : &pl.records[static_cast<size_t>(found->second)];
  if (r && !r->file.empty()) {
    if (r->position < 0) return std::string();
    const char* why = nullptr;
    if (r->position != static_cast<int>(p))
      why = ", whose unique ID cannot be kept, is named at its new place";
    else if (pl.first[folded(r->file)] != p)
      why = " has the name of an earlier record (letter case aside), which the name finds instead";
    if (why && tell && pl.told.emplace(record_index, p).second)
      record_message(page, "a link or image to record %u (%s)%s", p + 1, r->file.c_str(), why);
    return r->file;
  }
  // No record holds the position: a gap, unless a record moved into it.
  if (p < pl.slots.size() && pl.slots[p] >= 0) return std::string();
  if (p >= pl.slots.size()) pl.slots.resize(p + 1, -1);
  return hole(p);
}

int planned_image(unsigned p, const std::string* source, const char* page, std::string* name) {
  *name = planned_target(p, page);
  // Only a gap has a placeholder, and only one the empty name.
  if (!name->empty() || the_plan.holes.count(p)) return 0;
  *name = source ? *source : std::string();
  return page_name_allowed(*name, false) ? 1 : -1;
}

void plan_gap_name(unsigned p, const std::string& source) {
  plan& pl = the_plan;
  if (!pl.made || p >= kMaxPositions || pl.holes.count(p)) return;
  // The empty name once; another only when no record, file or placeholder has it.
  if (source.empty() ? pl.empty_hole : pl.names.count(folded(source)) != 0) return;
  auto found = pl.by_uid.find(p + 1UL);
  if (found != pl.by_uid.end() && !pl.records[static_cast<size_t>(found->second)].file.empty())
    return;  // a record's
  if (p < pl.slots.size() && pl.slots[p] >= 0) return;  // a record moved here
  if (p >= pl.slots.size()) pl.slots.resize(p + 1, -1);
  pl.holes.emplace(p, source);
  if (source.empty()) pl.empty_hole = true;
  pl.names.insert(folded(source));
}

bool page_name_allowed(const std::string& name, bool link) {
  if (link && remote_link_flags(name.c_str())) return true;  // never read as a file
  // pagepack's link drops the fragment; the empty name is no file. A name
  // may climb with ".." only as far as the rebuild's folders reach.
  const std::string file = link ? name.substr(0, name.find('#')) : name;
  if (file.empty() || !unsafe_url(file)) return true;
  the_plan.refused.insert(name);
  return false;
}

void tell_refused_names(const char* page) {
  std::set<std::string>& refused = the_plan.refused;
  if (refused.empty()) return;
  constexpr size_t kNamed = 3;  // the rest are counted
  std::string list;
  size_t n = 0;
  for (const std::string& name : refused) {
    if (n++ == kNamed) break;
    list += (list.empty() ? "" : ", ") + name;
  }
  if (refused.size() > kNamed) list += " and " + std::to_string(refused.size() - kNamed) + " more";
  record_message(page, "%zu link or image name%s that would lead pagepack out of this folder, left "
                 "out: %s", refused.size(), refused.size() == 1 ? "" : "s", list.c_str());
  refused.clear();
}

std::string planned_no_room_page(bool use) {
  plan& pl = the_plan;
  if (!pl.made) return std::string();
  if (pl.no_room.empty()) {
    pl.no_room = free_name("no-room", ".html", true);
    add_file(work_folder + pl.no_room, kNoRoom);
  }
  pl.no_room_used = pl.no_room_used || use;
  return pl.no_room;
}

std::string used_no_room_page() {
  return the_plan.no_room_used ? work_folder + the_plan.no_room : std::string();
}

std::vector<rebuild_input> planned_inputs() {
  // pagepack needs an input: a database without records gets a placeholder.
  if (the_plan.slots.empty()) the_plan.slots.push_back(-1);
  // A link without a target comes back only from a full queue.
  if (the_plan.no_room_used) the_plan.slots.resize(kMaxPositions, -1);
  std::vector<rebuild_input> inputs;
  for (size_t p = 0; p < the_plan.slots.size(); p++) {
    const int i = the_plan.slots[p];
    if (i >= 0)
      inputs.push_back({the_plan.records[static_cast<size_t>(i)].file,
                        the_plan.records[static_cast<size_t>(i)].page,
                        the_plan.records[static_cast<size_t>(i)].bitmap,
                        the_plan.records[static_cast<size_t>(i)].part});
    else
      inputs.push_back({hole(static_cast<unsigned>(p)), true, false, true});
  }
  return inputs;
}

std::string planned_database_name(const DBInfo& info) {
  const std::string name(info.name, strnlen(info.name, sizeof info.name));
  const char* why = nullptr;
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    why = "names no file of this folder";
  else if (name.size() > 31)
    why = "is longer than 31 bytes";
  else if (the_plan.files.count(name) || the_plan.folders.count(name))
    why = "names a file or folder of the site";
  else if (here_already(name))
    why = "names something in this folder already";  // the database itself, a preview folder
  if (!why) {
    for (const auto& h : the_plan.holes)
      if (h.second == name) why = "names a placeholder of rebuild.sh";
  }
  if (!why) return name;
  const std::string other = free_name("rebuilt", "", true);
  record_message(nullptr, "the database name %s %s: rebuild.sh builds it as %s", name.c_str(), why,
                 other.c_str());
  return other;
}

// Whether pagepack -w, reading the page at queue position `page` in the
// rebuild, finds `name` taken for a part of it: the name of an input (but a
// placeholder after the page, which it keeps for the part of its name) or of
// a file in its folder. `inputs` holds the record indexes of each input
// name (-1: a gap's placeholder); `parts` the records to be given as
// placeholders.
static bool rebuild_name_taken(const std::string& name, int page,
                               const std::map<std::string, std::vector<int>>& inputs,
                               const std::set<int>& parts) {
  const plan& pl = the_plan;
  auto named = inputs.find(folded(name));
  if (named != inputs.end())
    for (int i : named->second)
      if (i < 0 || !parts.count(i) || pl.records[static_cast<size_t>(i)].position <= page)
        return true;
  auto file = pl.files.find(work_folder + name);
  if (file != pl.files.end() && !parts.count(file->second)) return true;
  return pl.folders.count(work_folder + name) || here_already(name);
}

std::string check_parts(const std::vector<int>& chain) {
  const plan& pl = the_plan;
  if (!pl.made || chain.size() < 2) return "no plan";
  const planned_record& page = pl.records[static_cast<size_t>(chain[0])];
  if (page.position < 0 || page.file != page.url) return "the page is not rebuilt under its URL";
  // The names of the inputs the chain's part names could meet, and their records.
  std::map<std::string, std::vector<int>> inputs;
  const std::string stem = folded(page.file + "~");
  for (int i : pl.slots) {  // the records that have a queue position: at most 1,000
    if (i < 0) continue;
    const std::string name = folded(pl.records[static_cast<size_t>(i)].file);
    if (name.compare(0, stem.size(), stem) == 0) inputs[name].push_back(i);
  }
  for (const auto& h : pl.holes)  // placeholders of gaps: -1
    if (folded(h.second).compare(0, stem.size(), stem) == 0) inputs[folded(h.second)].push_back(-1);
  const std::set<int> parts(chain.begin() + 1, chain.end());
  for (size_t k = 1; k < chain.size(); k++) {
    const planned_record& r = pl.records[static_cast<size_t>(chain[k])];
    if (r.position <= page.position || r.file != r.url)
      return "part " + std::to_string(k + 1) + " keeps neither its place after the page nor its URL";
    // As pagepack -w names part k + 1: "URL~N", else "URL~N~2", "URL~N~3" ...
    const std::string plain = page.file + "~" + std::to_string(k + 1);
    std::string name = plain;
    for (int j = 2; rebuild_name_taken(name, page.position, inputs, parts) && j < 1000; j++)
      name = plain + "~" + std::to_string(j);
    if (name != r.url) return "pagepack -w would name part " + std::to_string(k + 1) + " " + name;
  }
  return "";
}

void plan_parts(const std::vector<int>& chain) {
  for (size_t k = 1; k < chain.size(); k++) {
    planned_record& r = the_plan.records[static_cast<size_t>(chain[k])];
    r.part = true;
    r.writes = false;
  }
}

void plan_web_rebuild(bool web) { web_rebuild = web; }

void forget_rebuild_plan() {
  the_plan = plan();
  web_rebuild = false;
}
