#include "record_dump.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app_info_block.h"
#include "bitmap/bitmap_export.h"
#include "bitmap/palm_bitmap_reader.h"
#include "bitmap/png_writer.h"
#include "bitmap/site_png.h"
#include "common/pqa_record.h"
#include "hex_dump.h"
#include "markup/byte_markup_decoder.h"
#include "markup/markup_decoder.h"
#include "markup/part_join.h"
#include "message.h"
#include "probe_state.h"
#include "record_fields.h"
#include "record_message.h"
#include "site/extracted_files.h"
#include "site/rebuild_plan.h"

// -s: writes a bitmap that comes back as it is (--bitmap=NAME), after reading
// every rendition as pagepack checks it: one that cannot be read is named
// (pagepack stores it empty).
static void write_bitmap_as_it_is(byte_view bitmap, const char* label, FILE* out) {
  fwrite(bitmap.data, 1, bitmap.length, out);
  if (bitmap.length == 2 && !bitmap.data[0] && !bitmap.data[1]) return;  // stored empty
  const std::vector<bitmap_header> family = read_bitmap_family(bitmap, label);
  palm_pixels pixels;
  for (const bitmap_header& h : family)
    if (bitmap_depth(h) != 0xFF && !decode_bitmap(bitmap, h, label, &pixels)) return;
}

// -s: writes the PNG that pagepack reads back to the bitmap (the plan chose
// it). A failure that the file's own state does not show is said here; the
// file's finish says the rest.
static void write_site_png(byte_view bitmap, const std::string& path, FILE* out) {
  bool compress = false;
  unsigned colour = 0;
  planned_image_options(&compress, &colour);
  png_pixels png;
  std::string why = "no PNG gives the bitmap back";
  if ((png_for_bitmap(bitmap, compress, colour, &png) &&
       write_png_pixels(out, png.width, png.height, png.grey, png.samples, &why)) ||
      ferror(out))
    return;
  message("%s: %s", path.c_str(), why.c_str());
  exit_status = 1;
}

// Creates the icon file (an absent or unreadable icon leaves it empty) and
// writes the icon whose entry holds `bitmap`, or null when the entry runs past
// the block.
static void write_icon(const char* name, const char* what, const byte_view* bitmap, int k) {
  output_file file;
  create_extracted_file(&file, sflag ? planned_work_folder() + name : name, what);
  if (!bitmap)
    record_message(name, "icon entry runs past the end of its block");
  else if (bitmap->length > 0 && file && planned_icon_bitmap(k))
    write_bitmap_as_it_is(*bitmap, name, file.get());
  else if (bitmap->length > 0)  // an entry of no words holds no icon
    export_bitmap(*bitmap, name, file.get());
  if (file) file.finish();
}

void dump_app_info_block(byte_view block) {
  printf("app_info_size %d\n", static_cast<int>(block.length));
  if (vflag) {
    dump(block.data, static_cast<int>(block.length));
    printf("\n");
  }
  if (block.length == 0) return;  // no block, nothing to show
  const app_info_fields f = read_app_info(block);
  if (f.fields < kAppVersion) {
    record_message(nullptr, "application info block ends inside its version");
    return;
  }
  printf("Version: %s\n", escaped_controls(f.version).c_str());
  if (f.fields < kAppTitle) {
    record_message(nullptr, "application info block ends inside its title");
    return;
  }
  printf("Title: %s\n", escaped_controls(f.title).c_str());
  if (vflag) printf("ICON:\n");
  write_icon("LgIcon.pnm", "the large icon", f.fields >= kAppLargeIcon ? &f.large_icon : nullptr,
             0);
  if (f.fields < kAppLargeIcon) {
    // Without the large icon's size the small one cannot be found.
    record_message("SmIcon.pnm", "not written, the large icon's size is unknown");
    return;
  }
  if (vflag) printf("SMALL ICON:\n");
  write_icon("SmIcon.pnm", "the small icon", f.fields >= kAppSmallIcon ? &f.small_icon : nullptr,
             1);
}

void dump_app_info(pi_file_t* pf, DBInfo* ip) {
  (void)ip;
  dump_app_info_block(app_info_view(pf));
}

const char* unsafe_file_name(const char* name) {
  if (!*name) return "empty URL";
  if (*name == '/') return "absolute URL";
  for (const char* p = name; *p;) {
    const char* end = strchr(p, '/');
    size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
    if (n == 2 && p[0] == '.' && p[1] == '.') return "URL with a .. component";
    p += n;
    if (*p == '/') p++;
  }
  return nullptr;
}

// Prints a header byte as the signed 8-bit number it is stored as.
static unsigned widened(unsigned byte) {
  return static_cast<unsigned>(static_cast<int>(static_cast<int8_t>(byte)));
}

// Copies the record's URL into url (up to its first zero byte). False, with
// a message, when it lies outside the record or does not fit.
static bool copy_url(byte_view rec, char (&url)[kMaxUrl + 1]) {
  std::string text;
  if (!record_url_text(rec, &text)) {
    record_message(nullptr, "URL outside the record");
    return false;
  }
  if (text.size() > static_cast<size_t>(kMaxUrl)) {
    record_message(nullptr, "URL of %zu bytes is longer than %d: no file written", text.size(),
                   kMaxUrl);
    return false;
  }
  memcpy(url, text.c_str(), text.size() + 1);
  return true;
}

static void refuse(const char* url, const char* reason) {
  record_message(url, "%s: no file written", reason);
}

// The URL line and the data of a record of any kind; false, after a
// message, when the URL or the data lie outside the record.
static bool url_and_data(byte_view rec, char (&url)[kMaxUrl + 1], byte_view* data) {
  if (!copy_url(rec, url)) return false;
  printf("URL: %s\n", escaped_controls(url).c_str());
  if (!record_data_view(rec, data)) {
    record_message(url, "data outside the record");
    return false;
  }
  return true;
}

static bool create_record_file(output_file* file, const std::string& name) {
  return create_extracted_file(file, name, "record " + std::to_string(record_index));
}

// The file a record is written to: its URL, refused when it may not name a
// file; under -s the one the rebuild plan gives it, written unless an earlier
// record with the same data wrote it.
struct record_file {
  std::string name;  // as links name it
  std::string path;  // where it is written
  const char* refused;
  bool write = true;
};

// The name a page written for the rebuild gives queue position p, or, for
// kNoTarget, the page that a link without a target names (said to the plan
// only with `tell`, when the page is written).
static std::string rebuild_target(unsigned p, const std::string& page, bool tell = true) {
  return p == kNoTarget ? planned_no_room_page(tell) : planned_target(p, page.c_str(), tell);
}

// -s: whether the pages are written for pagepack -w (see choose_page_form),
// and the URLs of the database's byte-coded pages.
static bool web_form = false;
static std::set<std::string> page_urls;

// Whether the URL names a later part of a page that -w split ("NAME~N", N > 1,
// where NAME is a page of the database).
static bool later_part(const std::string& url, const std::set<std::string>& pages) {
  const size_t tilde = url.rfind('~');
  if (tilde == std::string::npos || tilde + 1 == url.size() || url[tilde + 1] == '0') return false;
  for (size_t i = tilde + 1; i < url.size(); i++)
    if (url[i] < '0' || url[i] > '9') return false;
  return url.compare(tilde + 1, std::string::npos, "1") != 0 && pages.count(url.substr(0, tilde));
}

// The URL of the part after the page or part `url` ("NAME~N+1", or "NAME~2"
// after NAME), when the database holds it; else "".
static std::string next_part(const std::string& url, const std::set<std::string>& pages) {
  if (later_part(url, pages)) {
    const size_t tilde = url.rfind('~');
    if (url.size() - tilde > 10) return std::string();  // no part number so high
    const std::string next =
        url.substr(0, tilde + 1) + std::to_string(std::stoul(url.substr(tilde + 1)) + 1);
    return pages.count(next) ? next : std::string();
  }
  return pages.count(url + "~2") ? url + "~2" : std::string();
}

// A part that pagepack -w ended with its link "More \xBB" to the next part
// would not fit one record again with the link as its own content: written
// without it (pagepack -w adds it again where it splits a page).
static void drop_more_link(const std::string& url, std::string* html) {
  const std::string next = next_part(url, page_urls);
  if (next.empty()) return;
  const std::string link_end = "\">More \xBB</a>", page_end = "\n</body></html>\n";
  const size_t link = html->rfind("<a href=\"");
  const size_t tail = link_end.size() + page_end.size();
  if (link == std::string::npos || html->size() - link < 9 + tail ||
      html->compare(html->size() - tail, tail, link_end + page_end) != 0)
    return;
  const std::string href = html->substr(link + 9, html->size() - tail - link - 9);
  const std::string base = next.substr(next.rfind('/') + 1);  // npos + 1: the whole
  if (href.size() < base.size() || href.compare(href.size() - base.size(), base.size(), base))
    return;
  const size_t from = link > 0 && (*html)[link - 1] == '\n' ? link - 1 : link;
  html->erase(from, html->size() - page_end.size() - from);
}

// -s in the -w form: the pages that -w split, each joined into the one page
// that gives its parts again (by the record index of its first part), the
// later parts that it gives, and the parts that cannot be joined, with why.
static std::map<int, joined_page> joined_pages;
static std::set<int> joined_parts;
static std::map<int, std::string> unjoined_parts;

namespace {
struct page_in_form {
  int index;
  unsigned long uid;
  std::string url, file;
  byte_view rec, data;
};
}  // namespace

// The chains of parts that -w made: from each page whose data end with the
// link "More »" to a page record, to the parts that link follows.
static std::vector<std::vector<size_t>> part_chains(const std::vector<page_in_form>& pages) {
  std::map<unsigned long, size_t> by_uid;
  for (size_t k = 0; k < pages.size(); k++) by_uid.emplace(pages[k].uid, k);
  std::vector<long> next(pages.size(), -1);
  std::vector<bool> linked(pages.size(), false);
  for (size_t k = 0; k < pages.size(); k++) {
    const int p = more_link_position(pages[k].data);
    auto found = p < 0 ? by_uid.end() : by_uid.find(static_cast<unsigned long>(p) + 1);
    if (found == by_uid.end() || found->second == k || linked[found->second]) continue;
    next[k] = static_cast<long>(found->second);
    linked[found->second] = true;
  }
  std::vector<std::vector<size_t>> chains;
  std::vector<bool> seen(pages.size(), false);
  for (size_t k = 0; k < pages.size(); k++) {
    if (linked[k] || next[k] < 0) continue;
    std::vector<size_t> chain;
    for (long at = static_cast<long>(k); at >= 0 && !seen[at]; at = next[at]) {
      seen[at] = true;
      chain.push_back(static_cast<size_t>(at));
    }
    chains.push_back(chain);
  }
  return chains;
}

void choose_page_form(pi_file_t* pf) {
  web_form = false;
  joined_pages.clear();
  joined_parts.clear();
  unjoined_parts.clear();
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  std::vector<page_in_form> pages;
  std::set<std::string> urls;
  for (int i = 0; i < entries; i++) {
    void* buf = nullptr;
    size_t size = 0;
    recordid_t uid = 0;
    page_in_form p;
    bool write = false;
    std::string path;
    if (pi_file_read_record(pf, i, &buf, &size, nullptr, nullptr, &uid) < 0) continue;
    p.rec = make_view(buf, size);
    if (size < kPqaHeaderSize || p.rec.data[kContentType] != kContentPage ||
        p.rec.data[kCompressionType] != kCompressionByteCoded || !record_url_text(p.rec, &p.url) ||
        !record_data_view(p.rec, &p.data) || !planned_file(i, &p.file, &path, &write))
      continue;
    p.index = i;
    p.uid = uid;
    urls.insert(p.url);
    pages.push_back(p);
  }
  // Each chain of parts joined into one page, when the plan can give the
  // parts their names and places, and the page reads back to them.
  std::map<size_t, size_t> head_of;  // every page of a chain: its first
  std::map<size_t, std::string> chain_problem;
  const std::vector<std::vector<size_t>> chains = part_chains(pages);
  std::map<size_t, joined_page> joined;
  for (const std::vector<size_t>& chain : chains) {
    std::vector<int> indexes;
    std::vector<page_part> parts;
    for (size_t k : chain) {
      head_of[k] = chain[0];
      indexes.push_back(pages[k].index);
      // The URL field as pagepack writes it: the URL, padded to an even length.
      const size_t url = pages[k].url.size();
      parts.push_back({pages[k].data, url + (url & 1)});
    }
    const page_in_form& head = pages[chain[0]];
    std::string why = check_parts(indexes);
    joined_page page;
    if (why.empty()) why = join_parts(parts, &page);
    if (why.empty()) {
      auto target = [&head](unsigned q) { return rebuild_target(q, head.url, false); };
      const byte_view data = make_view(page.data.data(), page.data.size());
      if (byte_markup_problems(data, target, head.file.c_str()) > 0)
        why = "the joined page would not read back to the same parts";
    }
    if (why.empty())
      joined.emplace(chain[0], std::move(page));
    else
      chain_problem[chain[0]] = why;
  }
  // The default reader's form, unless a page cannot come back in it and
  // fewer fail in the -w form. A chain of parts that joins comes back in the
  // -w form; one that does not counts in neither.
  size_t plain = 0, web = 0;
  for (size_t k = 0; k < pages.size(); k++) {
    const page_in_form& p = pages[k];
    auto target = [&p](unsigned q) { return rebuild_target(q, p.url, false); };
    auto chain = head_of.find(k);
    if (chain != head_of.end() && !joined.count(chain->second)) continue;
    plain += byte_markup_problems(p.data, target, nullptr) > 0;
    if (chain == head_of.end()) web += byte_markup_problems(p.data, target, p.file.c_str()) > 0;
  }
  // pagepack -w reads nothing outside its folder, so URLs that climb with
  // ".." (a rebuild below up-N/.../site) keep the default reader's form.
  // Only -w makes parts: a database with parts that join takes the -w form
  // when it loses no more pages so, and its pages come back whole.
  web_form = (web < plain || (web == plain && !joined.empty())) && planned_work_folder().empty();
  plan_web_rebuild(web_form);
  page_urls.swap(urls);
  if (!web_form) return;
  for (const std::vector<size_t>& chain : chains) {
    std::vector<int> indexes;
    for (size_t k : chain) indexes.push_back(pages[k].index);
    auto j = joined.find(chain[0]);
    if (j != joined.end()) {
      plan_parts(indexes);
      joined_pages[indexes[0]] = std::move(j->second);
      joined_parts.insert(indexes.begin() + 1, indexes.end());
    } else {
      for (int i : indexes) unjoined_parts[i] = chain_problem[chain[0]];
    }
  }
}

static record_file file_for(const char* url) {
  record_file f{url, url, unsafe_file_name(url)};
  if (sflag && planned_file(record_index, &f.name, &f.path, &f.write)) f.refused = nullptr;
  return f;
}

// -s: byte-coded pages (compression type 0) as the HTML pagepack reads,
// bit-coded ones (1) as without -s; other compressors are not known.
enum page_form { kBitCoded, kByteCoded, kUnknownForm };

static page_form form_of(byte_view rec) {
  if (!sflag) return kBitCoded;
  switch (rec.data[kCompressionType]) {
    case kCompressionByteCoded:
      return kByteCoded;
    case kCompressionBitCoded:
      return kBitCoded;
    default:
      return kUnknownForm;
  }
}

static int dump_page(byte_view rec) {
  char url[kMaxUrl + 1];
  byte_view data;
  // Every page record takes its position among the page names, so that the
  // pages after a refused one keep theirs.
  htmls.emplace_back();
  if (!url_and_data(rec, url, &data)) return -1;
  page_form form = form_of(rec);
  if (form == kUnknownForm) {
    record_message(url, "compression type %u is not known: no file written",
                   static_cast<unsigned>(rec.data[kCompressionType]));
    return -1;
  }
  const record_file f = file_for(url);
  // As a source page, a link or image to queue position p names the input
  // the rebuild gives that position.
  std::string html;
  const position_namer images = [&url](unsigned p, const std::string* source, std::string* name) {
    return planned_image(p, source, url, name);
  };
  auto joined = joined_pages.find(record_index);
  if (form == kByteCoded && web_form && joined_parts.count(record_index)) {
    // given back by its page, which holds it
  } else if (form == kByteCoded && web_form && joined != joined_pages.end() && !f.refused) {
    const std::string& page = joined->second.data;
    decode_byte_markup(make_view(page.data(), page.size()), url,
                       [&url](unsigned p) { return rebuild_target(p, url); }, &html, true,
                       &images, f.name.c_str(), &joined->second.marks);
  } else if (form == kByteCoded && web_form && !f.refused) {
    auto unjoined = unjoined_parts.find(record_index);
    if (unjoined != unjoined_parts.end())
      record_message(url, "a part of a page split by pagepack -w: written as a page of its own,"
                          " which pagepack -w may split otherwise (%s)", unjoined->second.c_str());
    decode_byte_markup(data, url, [&url](unsigned p) { return rebuild_target(p, url); }, &html,
                       true, &images, f.name.c_str());
    if (unjoined != unjoined_parts.end()) drop_more_link(url, &html);
  } else if (form == kByteCoded && (!f.refused || vflag)) {
    decode_byte_markup(data, url, [&url](unsigned p) { return rebuild_target(p, url); }, &html,
                       true, &images);
  }
  if (f.refused) {
    refuse(url, f.refused);
  } else {
    htmls.back() = f.name;
    output_file file;
    if (f.write && create_record_file(&file, f.path)) {
      if (form == kByteCoded) {
        fwrite(html.data(), 1, html.size(), file.get());
      } else {
        dump_compressed(data.data, static_cast<int>(data.length), file.get(),
                        sflag ? page_name_allowed : nullptr);
        // The link rewrite edits these pages and no other file.
        bit_coded_files.push_back(f.path);
      }
      file.finish();
    }
  }
  tell_refused_names(url);
  if (vflag && form == kByteCoded) {
    dump(data.data, static_cast<int>(data.length));
    printf("\n");
    fwrite(html.data(), 1, html.size(), stdout);
  } else if (vflag) {
    dump_compressed(data.data, static_cast<int>(data.length), stdout);
  }
  return f.refused ? -1 : 0;
}

void plan_gap_names(pi_file_t* pf) {
  int entries = 0;
  pi_file_get_entries(pf, &entries);
  const auto any = [](unsigned) { return std::string("x"); };
  const position_namer gap_names = [](unsigned p, const std::string* source, std::string* name) {
    if (source) plan_gap_name(p, *source);
    *name = "x";
    return 0;
  };
  for (int i = 0; i < entries; i++) {
    void* buf = nullptr;
    size_t size = 0;
    byte_view data;
    if (pi_file_read_record(pf, i, &buf, &size, nullptr, nullptr, nullptr) < 0) continue;
    const byte_view rec = make_view(buf, size);
    if (rec.length < kPqaHeaderSize || rec.data[kContentType] != kContentPage ||
        rec.data[kCompressionType] != kCompressionByteCoded || !record_data_view(rec, &data))
      continue;
    std::string html;
    decode_byte_markup(data, nullptr, any, &html, true, &gap_names);  // quietly
  }
}

static void dump_data(byte_view data) {
  printf("data:\n\n");
  dump(data.data, static_cast<int>(data.length));
}

static int dump_image(byte_view rec) {
  char url[kMaxUrl + 1];
  byte_view data;
  if (!url_and_data(rec, url, &data)) return -1;
  const record_file f = file_for(url);
  if (f.refused) refuse(url, f.refused);
  if (vflag) {
    dump_data(data);
    printf("\nimage:\n");
  }
  // The file is made first, so that a bitmap that cannot be read leaves it
  // empty. A refused image is still shown under -v, without a file.
  output_file file;
  if (!f.refused && f.write) create_record_file(&file, f.path);
  if (file && planned_bitmap(record_index)) {
    write_bitmap_as_it_is(data, url, file.get());
    if (vflag) export_bitmap(data, url, nullptr);
  } else if (file && sflag) {
    if (export_bitmap(data, url, nullptr)) write_site_png(data, f.path, file.get());
  } else if (file || vflag) {
    export_bitmap(data, url, file.get());
  }
  if (file) file.finish();
  return f.refused ? -1 : 0;
}

// A GIF or JPEG record holds the image file itself: written as it is.
static int dump_image_file(byte_view rec) {
  char url[kMaxUrl + 1];
  byte_view data;
  if (!url_and_data(rec, url, &data)) return -1;
  if (vflag) {
    dump_data(data);
    printf("\n");
  }
  const record_file f = file_for(url);
  if (f.refused) {
    refuse(url, f.refused);
    return -1;
  }
  output_file file;
  if (f.write && create_record_file(&file, f.path)) {
    fwrite(data.data, 1, data.length, file.get());
    file.finish();
  }
  return 0;
}

int dump_pqa(const unsigned char* buf, size_t size) {
  byte_view rec = make_view(buf, size);
  if (rec.length < kPqaHeaderSize) {
    record_message(nullptr, "record of %zu bytes is shorter than its header", rec.length);
    return -1;
  }
  unsigned content = rec.data[kContentType];
  unsigned compression = rec.data[kCompressionType];
  printf("Content Type = %u\n", widened(content));
  printf("Compression Type = %u\n", widened(compression));
  if (compression != 0) printf("Uncompressed size = %u bytes\n", get_be32(rec.data + kUncompressedSize));
  printf("flags = %08x\n", widened(rec.data[kHeaderFlags]));
  if (content == kContentPage) return dump_page(rec);
  if (content == kContentImage) return dump_image(rec);
  if (content == kContentGif || content == kContentJpeg) return dump_image_file(rec);
  return 0;
}
