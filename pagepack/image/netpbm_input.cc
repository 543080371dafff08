// The netpbm forms: the raw 8-bit reader of old (line by line, first byte of
// each pixel), and every other form (P1-P7) read by netpbm's own rules.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "image/bitmap_encoder.h"
#include "common/grey_levels.h"
#include "image/image_input.h"

// ---- the raw 8-bit reader of old ---------------------------------------------

// Reads one line into `line` (at most 1023 bytes kept, the rest of a longer
// line dropped, so a long comment never turns into a size line). False at end
// of file before any byte.
static bool read_line(FILE* f, char (&line)[1024]) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n + 1 < sizeof line) line[n++] = static_cast<char>(c);
  }
  line[n] = '\0';
  return any;
}

// A decimal size at `s`: leading blanks allowed; -1 unless it fits 16 bits.
static long read_size(const char* s) {
  char* end;
  long v = strtol(s, &end, 10);
  if (end == s || v < 0 || v > 0xFFFF) return -1;
  return v;
}

// The header of old: magic line, comment lines, size line, maximum-value line.
struct raw_header {
  unsigned bytes_per_pixel;
  long width, height;
  char maxval_line[1024];
};

// 1 for an empty file, 0 when read, kBitmapBadHeader otherwise.
static int read_raw_header(FILE* f, raw_header* h) {
  char line[1024];
  if (!read_line(f, line)) return 1;
  h->bytes_per_pixel = line[0] && line[1] == '6' ? 3 : 1;
  bool have_size;
  do {
    have_size = read_line(f, line);
  } while (have_size && line[0] == '#');
  if (!have_size) return kBitmapBadHeader;
  const char* space = strchr(line, ' ');
  if (!space) return kBitmapBadHeader;
  h->width = read_size(line);
  h->height = read_size(space + 1);
  if (h->width < 0 || h->height < 0) return kBitmapBadHeader;
  read_line(f, h->maxval_line);  // samples are taken as 0-255 whatever it says
  return 0;
}

int read_raw_netpbm(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  raw_header h;
  int r = read_raw_header(f, &h);
  if (r == 1) return kImageEmpty;
  if (r < 0) return r;
  r = fits(static_cast<unsigned long>(h.width), static_cast<unsigned long>(h.height),
           h.bytes_per_pixel, why);
  if (r < 0) return r;
  const unsigned width = static_cast<unsigned>(h.width), height = static_cast<unsigned>(h.height);
  image->first_byte_samples = true;
  begin_rows(image, width, height);
  std::vector<unsigned char> row(h.bytes_per_pixel * size_t{width});
  std::vector<unsigned char> grey(width), rgb(image->want_rgb ? size_t{width} * 3 : 0);
  for (unsigned y = 0; y < height && !row.empty(); ++y) {
    // A short read is no error: missing samples stay 0 and come out black.
    std::fill(row.begin(), row.end(), 0);
    size_t got = fread(row.data(), 1, row.size(), f);
    (void)got;
    for (unsigned x = 0; x < width && image->want_rgb; ++x)
      for (unsigned c = 0; c < 3; ++c)
        rgb[size_t{x} * 3 + c] = row[x * h.bytes_per_pixel + (h.bytes_per_pixel == 3 ? c : 0)];
    for (unsigned x = 0; x < width; ++x)
      grey[x] = image->grey_from_colour && image->want_rgb
                    ? static_cast<unsigned char>(luma(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2], 255))
                    : row[x * h.bytes_per_pixel];
    put_row(image, y, grey.data(), rgb.data());
  }
  end_rows(image);
  return 0;
}

// ---- every netpbm form by netpbm's rules -------------------------------------

namespace {

// Tokens of a netpbm header or plain raster: blanks and '#' comments between them.
struct netpbm_scanner {
  FILE* f;

  int skip_blanks() {
    int c;
    for (;;) {
      c = getc(f);
      if (c == '#') {
        while (c != EOF && c != '\n' && c != '\r') c = getc(f);
      }
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') return c;
    }
  }
  // An unsigned decimal below 2^32; false when there is none.
  bool number(unsigned long* v) {
    int c = skip_blanks();
    if (c < '0' || c > '9') return false;
    unsigned long n = 0;
    while (c >= '0' && c <= '9') {
      n = n * 10 + static_cast<unsigned long>(c - '0');
      if (n > 0xFFFFFFFFul) return false;
      c = getc(f);
    }
    if (c != EOF) ungetc(c, f);
    *v = n;
    return true;
  }
};

struct netpbm_header {
  int form = 0;  // the digit of the magic
  unsigned long width = 0, height = 0, maxval = 1;
  unsigned channels = 1;
};

bool fail(std::string* why, const char* text) {
  *why = text;
  return false;
}

// The PAM header after "P7": lines of a keyword and its value, up to ENDHDR.
bool read_pam_header(FILE* f, netpbm_header* h, std::string* why) {
  bool seen[4] = {false, false, false, false};
  unsigned long depth = 0;
  char line[256];
  for (;;) {
    if (!fgets(line, sizeof line, f)) return fail(why, "PAM header without ENDHDR");
    if (!strchr(line, '\n') && !feof(f)) return fail(why, "PAM header line too long");
    char* p = line + strspn(line, " \t\r\n");
    if (*p == '\0' || *p == '#') continue;
    char* key_end = p + strcspn(p, " \t\r\n");
    size_t key_len = static_cast<size_t>(key_end - p);
    auto is = [&](const char* k) { return key_len == strlen(k) && !strncmp(p, k, key_len); };
    if (is("ENDHDR")) break;
    if (is("TUPLTYPE")) continue;  // the depth says what a tuple holds
    static const char* const keys[4] = {"WIDTH", "HEIGHT", "DEPTH", "MAXVAL"};
    int k = 0;
    while (k < 4 && !is(keys[k])) ++k;
    if (k == 4) return fail(why, "unknown PAM header line");
    char* end;
    unsigned long v = strtoul(key_end, &end, 10);
    if (end == key_end || v > 0xFFFFFFFFul) return fail(why, "unreadable PAM header value");
    unsigned long* fields[4] = {&h->width, &h->height, &depth, &h->maxval};
    *fields[k] = v;
    seen[k] = true;
  }
  if (!seen[0] || !seen[1] || !seen[2] || !seen[3])
    return fail(why, "PAM header lacks WIDTH, HEIGHT, DEPTH or MAXVAL");
  if (depth < 1 || depth > 4) return fail(why, "PAM depth other than 1 to 4");
  h->channels = static_cast<unsigned>(depth);
  return true;
}

bool read_header(FILE* f, netpbm_header* h, std::string* why) {
  int p = getc(f), d = getc(f);
  if (p != 'P' || d < '1' || d > '7') return fail(why, "no netpbm magic");
  h->form = d - '0';
  if (h->form == 7) return read_pam_header(f, h, why);
  netpbm_scanner s{f};
  if (!s.number(&h->width) || !s.number(&h->height))
    return fail(why, "no readable netpbm size");
  h->channels = h->form == 3 || h->form == 6 ? 3 : 1;
  if (h->form != 1 && h->form != 4 && !s.number(&h->maxval))
    return fail(why, "no readable netpbm maximum value");
  // One blank ends the header of a raw form.
  if (h->form >= 4 && !isspace(getc(f))) return fail(why, "no blank after the netpbm header");
  return true;
}

}  // namespace

int read_netpbm(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  // P5 and P6 at maximum value 255 in the old header form (magic, size and
  // maximum value on lines of their own) keep the old reading exactly, byte
  // for byte. Any other header that netpbm reads (16-bit samples, the size
  // on two lines, everything on one line) is read by netpbm's rules.
  int first = getc(f), second = getc(f);
  rewind(f);
  if (first == 'P' && (second == '5' || second == '6')) {
    raw_header old;
    bool old_rules = read_raw_header(f, &old) == 0;
    rewind(f);
    netpbm_header h;
    std::string ignored;
    if (old_rules && read_header(f, &h, &ignored)) {
      // netpbm reads the header too: the old reading only where both agree.
      old_rules = h.width == static_cast<unsigned long>(old.width) &&
                  h.height == static_cast<unsigned long>(old.height) && h.maxval == 255;
    } else if (old_rules) {
      // Only the old reader reads it: as it always did, unless its
      // maximum-value line names a number other than 255.
      char* end;
      long maxval = strtol(old.maxval_line, &end, 10);
      old_rules = end == old.maxval_line || maxval == 255;
    }
    rewind(f);
    if (old_rules) return read_raw_netpbm(f, fits, image, why);
  }

  netpbm_header h;
  if (!read_header(f, &h, why)) return kBitmapBadHeader;
  if (h.maxval < 1 || h.maxval > 65535) {
    *why = "netpbm maximum value outside 1 to 65535";
    return kBitmapBadHeader;
  }
  int r = fits(h.width, h.height, 0, why);
  if (r < 0) return r;
  const unsigned width = static_cast<unsigned>(h.width), height = static_cast<unsigned>(h.height);
  begin_rows(image, width, height);
  std::vector<unsigned char> grey(width), rgb(image->want_rgb ? size_t{width} * 3 : 0);

  const bool bits = h.form == 1 || h.form == 4;
  const bool plain = h.form <= 3;
  const unsigned maxval = bits ? 1 : static_cast<unsigned>(h.maxval);
  const unsigned sample_bytes = maxval > 255 ? 2 : 1;
  netpbm_scanner s{f};
  unsigned samples[4];
  for (unsigned y = 0; y < height; ++y) {
    int byte = 0;  // the packed byte being read in P4
    for (unsigned x = 0; x < width; ++x) {
      for (unsigned c = 0; c < h.channels; ++c) {
        unsigned long v = 0;
        bool ok = true;
        if (h.form == 1) {
          int ch = s.skip_blanks();
          ok = ch == '0' || ch == '1';
          v = ch == '0';  // 1 is black
        } else if (h.form == 4) {
          if (x % 8 == 0) ok = (byte = getc(f)) != EOF;
          v = !((byte >> (7 - x % 8)) & 1);
        } else if (plain) {
          ok = s.number(&v);
        } else {
          int hi = sample_bytes == 2 ? getc(f) : 0, lo = getc(f);
          ok = hi != EOF && lo != EOF;
          v = static_cast<unsigned long>(hi) << 8 | static_cast<unsigned long>(lo);
        }
        if (!ok) {
          *why = plain ? "netpbm pixels unreadable or cut short" : "netpbm pixels cut short";
          return kBitmapBadImage;
        }
        if (v > maxval) {
          *why = "netpbm sample above the maximum value";
          return kBitmapBadImage;
        }
        samples[c] = static_cast<unsigned>(v);
      }
      grey[x] = grey_of(samples, h.channels, maxval);
      if (image->want_rgb) rgb_of(samples, h.channels, maxval, &rgb[size_t{x} * 3]);
    }
    put_row(image, y, grey.data(), rgb.data());
  }
  end_rows(image);
  return 0;
}
