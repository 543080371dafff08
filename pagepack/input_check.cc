#include "input_check.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/pqa_record.h"
#include "image/image_input.h"
#include "image/other_formats.h"
#include "input_file.h"
#include "pi-file.h"

uint8_t kind_by_name(const char* name) {
  const char* base = strrchr(name, '/');
  base = base ? base + 1 : name;
  const char* dot = strchr(base, '.');
  if (!dot || dot[1] == 'h' || dot[1] == 'H') return kContentPage;
  return kContentImage;
}

// Whether the file's first bytes are text holding a tag: a page that its
// name made an image. Images of other formats (an SVG holds tags too) and
// other files stay the image reader's to name.
static bool looks_like_markup(FILE* f) {
  unsigned char head[1024];
  size_t n = fread(head, 1, sizeof head, f);
  if (other_format_name(head, n) || memchr(head, 0, n)) return false;
  return memchr(head, '<', n) != nullptr;
}

std::string input_problem(const char* name, uint8_t kind, bool kind_given) {
  struct stat st;
  if (stat(name, &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "no such file, left out";
    return std::string(strerror(errno)) + ", left out";
  }
  if (S_ISDIR(st.st_mode)) {
    std::string folder = name;
    if (folder.back() != '/') folder += '/';
    return "a folder, left out: name its pages, e.g. " + folder + "index.html";
  }
  const char* why = nullptr;
  stdio_file f = open_input(name, &why);
  if (!f) return std::string(why ? why : "cannot be read") + ", left out";
  if (kind == kContentImage && !kind_given && !holds_image(name) && looks_like_markup(f.get()))
    return std::string("not an image (PNG, GIF, JPEG or netpbm), left out: --page=") + name +
           " packs it as a page";
  return "";
}

static bool same_file(const struct stat& a, const char* name) {
  struct stat b;
  return stat(name, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

const char* output_names_a_source(const char* path, const std::vector<const char*>& reads) {
  struct stat st;
  if (stat(path, &st) != 0) return nullptr;
  for (const char* name : reads)
    if (same_file(st, name)) return name;
  return nullptr;
}

std::string output_problem(const char* path, const std::vector<const char*>& inputs) {
  struct stat st;
  if (stat(path, &st) != 0) return "";
  if (S_ISDIR(st.st_mode)) return "a folder: give the database a file name (-o FILE)";
  if (const char* input = output_names_a_source(path, inputs))
    return std::string("the input ") + input +
           ": the database would replace it (the application name comes first, or give -o FILE)";
  pi_file_t* pf = S_ISREG(st.st_mode) ? pi_file_open(path) : nullptr;
  if (!pf) return "exists and is not a Palm database: not replaced (remove it, or give -o FILE)";
  pi_file_close(pf);
  return "";
}
