// Fields of the byte-coded page markup that pagepack writes and pageprobe -s
// reads back: flag bits, alignment letters and the page-text limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The most page text pagepack reads from one file; longer files are cut.
constexpr size_t kPageTextMax = 65532;

// Link (A): 00, flag byte, then a string (remote) or a 2-byte record position.
enum : uint8_t {
  kLinkLocal = 0x04,     // a 2-byte record position follows
  kLinkFragment = 0x08,  // local, and a fragment string follows the position
  kLinkHttps = 0x10,     // remote, https://
  kLinkRemote = 0x20,    // remote; the URL string follows
};

// Form: flag byte.
enum : uint8_t {
  kFormAlways = 0x01,
  kFormHttps = 0x02,    // the action begins "https"
  kFormNotHttp = 0x08,  // the action does not begin "http"
};

// The flag byte of a link to `url`: remote for http:// and https:// URLs,
// 0 for a name of the site (a link by record position).
inline uint8_t remote_link_flags(const char* url) {
  if (strncmp(url, "https://", 8) == 0) return kLinkRemote | kLinkHttps;
  return strncmp(url, "http://", 7) == 0 ? kLinkRemote : 0;
}

// The flag byte of a form whose action is `action`.
inline uint8_t form_flags(const char* action) {
  if (strncmp(action, "http", 4) != 0) return kFormAlways | kFormNotHttp;
  return action[4] == 's' ? kFormAlways | kFormHttps : kFormAlways;
}

// Text, password and hidden fields; checkbox and submit share the first two bits.
enum : uint8_t {
  kInputName = 0x01,
  kInputValue = 0x02,
  kInputChecked = 0x04,  // checkbox
  kInputText = 0x08,     // checkbox label
};

// Selection list and option.
enum : uint8_t {
  kSelectName = 0x01,
  kSelectMultiple = 0x02,
  kOptionSelected = 0x01,
  kOptionValue = 0x02,
};

// Horizontal rule: flag byte, then height and width when kRuleSize is set.
enum : uint8_t {
  kRuleSize = 0x01,
  kRuleCenter = 0x02,
  kRuleRight = 0x04,
  kRuleNoShade = 0x08,
  kRulePercent = 0x10,  // the width is one byte, a percentage
};

// Table, and table data and header cells: one bit a field, in field order.
enum : uint8_t {
  kTableAlign = 0x01,
  kTableWidth = 0x02,
  kTableBorder = 0x04,
  kTableSpacing = 0x08,
  kTablePadding = 0x10,
  kCellAlign = 0x01,
  kCellVAlign = 0x02,
  kCellColSpan = 0x04,
  kCellRowSpan = 0x08,
  kCellHeight = 0x10,
  kCellWidth = 0x20,
  kCellNoWrap = 0x40,
};

// Image: flag byte, 2-byte record position, then the fields in bit order.
enum : uint8_t {
  kImageAlways = 0x80,
  kImageAlt = 0x40,
  kImageSrc = 0x20,
  kImageVSpace = 0x10,
  kImageHSpace = 0x08,
  kImageBorder = 0x04,
  kImageAlign = 0x02,
};

// Alignment bytes are positions in these letter lists (first letter of the
// value, lower case only).
constexpr char kAlignLetters[] = "lcr";       // P, H1, TABLE, TR, TD, TH
constexpr char kVAlignLetters[] = "tcb";      // TR, TD, TH
constexpr char kImageAlignLetters[] = "lrtmb";  // IMG
