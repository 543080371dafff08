#include "app_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "big_endian.h"
#include "command_line.h"
#include "common/pqa_record.h"
#include "image/bitmap_encoder.h"
#include "image/palm_bitmap_input.h"
#include "message.h"

// A word count, then the string with its NUL, padded to whole words.
static size_t put_launcher_string(unsigned char* p, const char* s, const char* what) {
  size_t len = strlen(s);
  if (len > kLauncherStringMax) {
    message("%s longer than %zu bytes, cut", what, kLauncherStringMax);
    len = kLauncherStringMax;
  }
  uint16_t words = static_cast<uint16_t>((len + 2) / 2);
  put_be16(p, words);
  memset(p + 2, 0, 2u * words);
  memcpy(p + 2, s, len);
  return 2 + 2u * words;
}

static int left_out = 0;
int icons_left_out() { return left_out; }

// The sizes the launcher shows: 32 x 32 (or 22 x 22) large, 15 x 9 small.
static bool launcher_size(bool large, unsigned width, unsigned height) {
  if (large) return (width == 32 && height == 32) || (width == 22 && height == 22);
  return width == 15 && height == 9;
}

// An icon entry; one that does not fit (keeping `keep` bytes free) is left empty.
static size_t put_icon(unsigned char* p, size_t room, size_t keep, const char* file, bool large) {
  if (access(file, F_OK) != 0) {
    message("no %s: the launcher shows its own icon", file);
    left_out++;
    p[0] = p[1] = 0;
    return kEmptyIconEntrySize;
  }
  std::string why;
  int n = -1;
  if (!options.bitmap_inputs.count(file)) {
    n = conv_icon_ppm(file, p, room - keep, options.compress, 2, &why);
  } else if (room - keep >= 2) {
    // A bitmap given as it is: a word count, then its words (the last
    // padded with a zero byte).
    n = read_palm_bitmap_file(file, p + 2, room - keep - 2, &why);
    if (n >= 0 && n % 2 && static_cast<size_t>(n) + 3 > room - keep) {
      why = "Palm bitmap larger than the room left for it";
      n = -1;
    } else if (n >= 0 && n % 2) {
      p[2 + n++] = 0;
    }
    if (n >= 0) {
      put_be16(p, static_cast<uint16_t>(n / 2));
      n += 2;
    }
  }
  if (n >= 0) {
    // The entry is a word count, then the bitmap, whose header starts with its size.
    unsigned width = get_be16(p + 2), height = get_be16(p + 4);
    if (n >= 6 && !launcher_size(large, width, height))
      message("%s: a %u x %u icon: the launcher shows a %s icon of %s", file, width, height,
              large ? "large" : "small", large ? "32 x 32 (or 22 x 22)" : "15 x 9");
    return static_cast<size_t>(n);
  }
  message("%s: icon %s, left out", file, why.c_str());
  left_out++;
  p[0] = p[1] = 0;
  return kEmptyIconEntrySize;
}

int build_app_info(unsigned char* block, const char* version, const char* title) {
  unsigned char* p = block;
  memcpy(p, kAppInfoMagic, 4);
  memcpy(p + 4, kAppInfoFixed, 4);
  p += 8;
  // Both strings together take at most 2 * 258 bytes, which leaves room for icons.
  p += put_launcher_string(p, version, "version");
  p += put_launcher_string(p, title, "title");
  size_t room = kAppInfoMax - static_cast<size_t>(p - block);
  p += put_icon(p, room, kEmptyIconEntrySize, options.icon, true);
  room = kAppInfoMax - static_cast<size_t>(p - block);
  p += put_icon(p, room, 0, options.small_icon, false);
  return static_cast<int>(p - block);
}
