#include "web/site_paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "command_line.h"
#include "html_text.h"
#include "input_file.h"
#include "message.h"
#include "open_inside.h"
#include "record_queue.h"
#include "run_summary.h"

namespace {

bool ends_with(const std::string& s, const char* tail) {
  size_t n = strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The scheme of an absolute URL ("http", "mailto" ...), lower case; empty
// for a relative reference.
std::string scheme_of(const std::string& href) {
  if (href.empty() || !isalpha(static_cast<unsigned char>(href[0]))) return std::string();
  for (size_t i = 1; i < href.size(); i++) {
    char c = href[i];
    if (c == ':') return ascii_lower(href.substr(0, i));
    if (!isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') break;
  }
  return std::string();
}

// Applies the segments of `path` to `segments`: "." is dropped, ".." takes
// one back. False when ".." would leave the root.
bool apply_segments(const std::string& path, std::vector<std::string>* segments) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string seg = path.substr(start, slash - start);
    bool last = slash == path.size();
    if (seg == "..") {
      if (segments->empty()) return false;
      segments->pop_back();
      if (last) segments->push_back("");  // "a/.." is the folder a/ was in
    } else if (seg == ".") {
      if (last) segments->push_back("");
    } else if (!seg.empty() || last) {
      segments->push_back(seg);
    }
    start = slash + 1;
  }
  return true;
}

std::string join(const std::vector<std::string>& segments) {
  std::string s;
  for (size_t i = 0; i < segments.size(); i++) s += (i ? "/" : "") + segments[i];
  return s;
}

// The working directory, ending in '/'.
std::string working_dir() {
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string("/");
    buf.resize(buf.size() * 2);
  }
  std::string s = buf.data();
  return s == "/" ? s : s + "/";
}

// An absolute path as a path relative to the working directory, or false
// when it lies outside it.
bool relative_to_site(const std::string& absolute, std::string* rel) {
  std::vector<std::string> segs;
  if (!apply_segments(absolute.substr(1), &segs)) return false;
  std::string norm = "/" + join(segs);
  const std::string cwd = working_dir();
  if (norm + "/" == cwd) {
    *rel = "";
    return true;
  }
  if (norm.compare(0, cwd.size(), cwd) != 0) return false;
  *rel = norm.substr(cwd.size());
  return true;
}

// A folder inside the site: a link that leads out is no folder of it.
bool is_dir(const std::string& url) {
  bool outside = false;
  int fd = open_inside(url.empty() ? "." : url.c_str(), O_RDONLY | O_DIRECTORY, &outside);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace

static target_kind file_kind(const std::string& url);

// The file a local URL names (a folder's index.html) and its kind, each
// looked at once a run: a site's pages link to the same files again and again.
static target_kind local_target(std::string* url) {
  if (url->size() > 4096) return target_kind::none;  // longer than any path
  static std::unordered_map<std::string, std::pair<std::string, target_kind>> known;
  auto hit = known.find(*url);
  if (hit != known.end()) {
    *url = hit->second.first;
    return hit->second.second;
  }
  std::string file = *url;
  if (file.empty() || file.back() == '/' || is_dir(file)) {
    if (!file.empty() && file.back() != '/') file += '/';
    file += "index.html";
  }
  target_kind kind = local_file_kind(file);
  if (known.size() < 20000 && url->size() < 1024) known.emplace(*url, std::make_pair(file, kind));
  *url = file;
  return kind;
}

target_kind local_file_kind(const std::string& url) {
  // A site's pages link to the same files again and again: each is looked at once.
  static std::unordered_map<std::string, target_kind> known;
  auto hit = known.find(url);
  if (hit != known.end()) return hit->second;
  // A file given with --bitmap holds a Palm bitmap: an image, whatever its bytes look like.
  target_kind kind = !options.bitmap_inputs.count(url) ? file_kind(url)
                     : open_input(url.c_str())          ? target_kind::image
                                                        : target_kind::none;
  if (known.size() < 20000 && url.size() < 1024) known.emplace(url, kind);
  return kind;
}

static target_kind file_kind(const std::string& url) {
  const char* why = nullptr;
  errno = 0;
  stdio_file f = open_input(url.c_str(), &why);
  if (!f) {
    // Told once a run, as the cache above keeps the answer.
    if (errno == ENOENT || errno == ENOTDIR)
      note_missing_target(url, compiling_position);
    else
      message("%s: %s, left out", url.c_str(), why ? why : "cannot be read");
    return target_kind::none;
  }
  std::string ext =
      ascii_lower(url.substr(url.rfind('/') == std::string::npos ? 0 : url.rfind('/') + 1));
  const bool page_name =
      ends_with(ext, ".html") || ends_with(ext, ".htm") || ends_with(ext, ".xhtml");
  // An image by its signature is an image whatever its name says.
  unsigned char head[1024];
  size_t n = fread(head, 1, sizeof head, f.get());
  static const struct {
    const char* magic;
    size_t len;
  } kImages[] = {{"\x89PNG\r\n\x1a\n", 8}, {"GIF87a", 6}, {"GIF89a", 6}, {"\xFF\xD8\xFF", 3}};
  for (const auto& m : kImages)
    if (n >= m.len && memcmp(head, m.magic, m.len) == 0) return target_kind::image;
  if (n >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' &&
      is_html_space(static_cast<char>(head[2])))
    return target_kind::image;
  if (page_name) return target_kind::page;
  // A page by its content: markup a browser would take for HTML near the start.
  std::string text = ascii_lower(std::string(reinterpret_cast<char*>(head), n));
  for (const char* mark : {"<!doctype html", "<html", "<head", "<body", "<title"})
    if (text.find(mark) != std::string::npos) return target_kind::page;
  return target_kind::none;
}

page_base base_of(const std::string& url) {
  size_t slash = url.rfind('/');
  return page_base{slash == std::string::npos ? std::string() : url.substr(0, slash + 1), "", url};
}

page_base with_base_href(const page_base& base, const std::string& href) {
  std::string h = trim_html_space(href);
  std::string scheme = scheme_of(h);
  if (scheme == "http" || scheme == "https") {
    std::string remote = h.substr(0, h.find_first_of("?#"));
    size_t slash = remote.rfind('/');
    if (slash != std::string::npos && slash > remote.find("//") + 1)
      remote.erase(slash + 1);
    else
      remote += '/';
    return page_base{base.folder, remote, ""};
  }
  if (!scheme.empty() || h.empty()) return base;
  std::vector<std::string> segs;
  std::string path = h.substr(0, h.find_first_of("?#"));
  std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  if (!dir.empty() && dir[0] == '/') {
    std::string rel;
    if (!relative_to_site(dir, &rel)) return base;
    return page_base{rel.empty() ? "" : rel + (rel.back() == '/' ? "" : "/"), "", ""};
  }
  if (!apply_segments(base.folder + dir, &segs)) return base;
  std::string folder = join(segs);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return page_base{folder, base.remote, ""};
}

// The record URL that the local reference `href` (no scheme, fragment cut
// off) names against `base`, or false when it names nothing in the site.
static bool local_url(std::string href, const page_base& base, std::string* out) {
  href = href.substr(0, href.find('?'));
  for (char& c : href)
    if (c == '\\') c = '/';
  // "%XX" escapes; an escaped '/' or NUL names no file.
  std::string path;
  for (size_t i = 0; i < href.size(); i++) {
    if (href[i] == '%' && i + 2 < href.size() && hex_digit(href[i + 1]) >= 0 &&
        hex_digit(href[i + 2]) >= 0) {
      char c = static_cast<char>(hex_digit(href[i + 1]) * 16 + hex_digit(href[i + 2]));
      if (c == '/' || c == '\0') return false;
      path += c;
      i += 2;
    } else {
      path += href[i];
    }
  }
  std::string url;
  if (!path.empty() && path[0] == '/') {
    if (!relative_to_site(path, &url)) return false;
  } else if (path.empty() && !base.page.empty()) {
    url = base.page;  // "#part", "?q" and "" are the page itself
  } else {
    std::vector<std::string> segs;
    if (!apply_segments(base.folder + path, &segs)) return false;
    url = join(segs);
  }
  if (!url.empty() && url[0] == '/') url.erase(0, 1);
  *out = url;
  return true;
}

link_target resolve_link(const std::string& href_in, const page_base& base, bool image_only) {
  link_target t;
  // Blanks around the value go; tabs and line breaks inside it too.
  std::string href;
  for (char c : href_in)
    if (c != '\t' && c != '\n' && c != '\r') href += c;
  size_t first = href.find_first_not_of(" \f");
  if (first == std::string::npos)
    href.clear();
  else
    href = href.substr(first, href.find_last_not_of(" \f") - first + 1);

  size_t hash = href.find('#');
  if (hash != std::string::npos) {
    t.has_fragment = true;
    t.fragment = href.substr(hash + 1);
    href.erase(hash);
  }
  std::string scheme = scheme_of(href);
  if (!base.remote.empty() && scheme.empty() && href.compare(0, 2, "//") != 0) {
    // Under a remote base, every relative link is remote too.
    std::string root = base.remote.substr(0, base.remote.find('/', base.remote.find("//") + 2));
    href = (!href.empty() && href[0] == '/') ? root + href : base.remote + href;
    scheme = scheme_of(href);
  }
  if (scheme == "http" || scheme == "https") {
    if (image_only) return link_target{};
    t.kind = target_kind::remote;
    t.url = scheme + href.substr(scheme.size());
    if (t.url.compare(0, scheme.size() + 3, scheme + "://") != 0) return link_target{};  // "http:x"
    if (t.has_fragment) t.url += "#" + t.fragment;
    t.has_fragment = false;
    return t;
  }
  if (!scheme.empty() || href.compare(0, 2, "//") == 0 || href.compare(0, 2, "\\\\") == 0)
    return link_target{};  // mailto:, javascript:, a network path ...
  std::string url;
  if (!local_url(href, base, &url)) return link_target{};
  if (url.find('#') != std::string::npos) return link_target{};  // would read as a fragment
  t.kind = local_target(&url);
  if (image_only && t.kind != target_kind::image) t.kind = target_kind::none;
  if (t.kind == target_kind::none) return link_target{};
  t.url = url;
  return t;
}

std::string local_file_url(const std::string& href, const page_base& base) {
  std::string h = trim_html_space(href.substr(0, href.find('#'))), url;
  if (h.empty() || !scheme_of(h).empty() || h.compare(0, 2, "//") == 0 || !base.remote.empty() ||
      !local_url(h, base, &url) || url.empty() || url.back() == '/')
    return std::string();
  return url;
}

std::string input_url(const std::string& arg) {
  if (arg.empty()) return std::string();
  std::string rel;
  if (!relative_to_site(arg[0] == '/' ? arg : working_dir() + arg, &rel)) return std::string();
  return rel;
}
