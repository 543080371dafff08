#include "markup/tag_encoder.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/byte_markup.h"
#include "common/pqa_record.h"
#include "common/tag_codes.h"
#include "markup/tag_fields.h"
#include "message.h"
#include "record_queue.h"
#include "run_summary.h"

uint16_t number_value(const char* v) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(v);
  while (isspace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint16_t n = 0;
  for (; isdigit(*p); ++p) n = static_cast<uint16_t>(n * 10 + (*p - '0'));
  return negative ? static_cast<uint16_t>(-n) : n;
}

// The record that the element being encoded refers to, queued by compile_tag
// once the element is written.
static const char* referred_name = nullptr;
static uint8_t referred_type = 0;

bool queue_references = true;

int refer_to_record(const char* filename, uint8_t type) {
  int pos = record_position(filename);
  if (pos >= 0) {
    referred_name = filename;
    referred_type = type;
  }
  return pos;
}

static int letter_index(const char* v, const char* letters) {
  if (!v || !*v) return -1;
  const char* hit = strchr(letters, v[0]);
  return hit ? static_cast<int>(hit - letters) : -1;
}

int align_lcr(const char* v) { return letter_index(v, kAlignLetters); }
int valign_tcb(const char* v) { return letter_index(v, kVAlignLetters); }
int image_align(const char* v) { return letter_index(v, kImageAlignLetters); }

void start_code(record_writer* w, uint8_t code) {
  put_byte(w, kTagStart);
  put_byte(w, code);
}

static int encode_paragraph(record_writer* w, attribute* attrs) {
  start_code(w, TAG_PARAGRAPH);
  int a = align_lcr(attr_value("ALIGN", attrs));
  put_byte(w, a < 0 ? 0 : a);
  return 0;
}

static int encode_hrule(record_writer* w, attribute* attrs) {
  start_code(w, TAG_HRULE);
  unsigned flags = 0;
  if (findattr("NOSHADE", attrs)) flags |= kRuleNoShade;
  const char* align = attr_value("ALIGN", attrs);
  if (align && align[0] == 'c') flags |= kRuleCenter;
  if (align && align[0] == 'r') flags |= kRuleRight;
  size_t flag_pos = w->pos;
  put_byte(w, flags);
  const char* height = attr_value("HEIGHT", attrs);
  const char* width = attr_value("WIDTH", attrs);
  uint16_t h = height ? number_value(height) : 0;
  if (h == 0 && !width) return 0;
  flags |= kRuleSize;
  put_be16(w, h);
  if (!width) {
    put_be16(w, 0);  // a reader takes a width whenever 0x01 is set
  } else if (strchr(width, '%')) {
    flags |= kRulePercent;
    put_byte(w, number_value(width));
  } else {
    put_be16(w, number_value(width));
  }
  if (!w->full) w->buf[flag_pos] = static_cast<unsigned char>(flags);
  return 0;
}

static int encode_heading(record_writer* w, attribute* attrs) {
  start_code(w, TAG_H1);
  int a = align_lcr(attr_value("ALIGN", attrs));
  if (a < 0) {
    put_byte(w, 0);
  } else {
    put_byte(w, 1);
    put_byte(w, a);
  }
  return 0;
}

static int encode_font(record_writer* w, attribute* attrs) {
  const char* size = attr_value("SIZE", attrs);
  if (!size) {
    plain_message("ERROR: font tag must have size=\n");
    return 0;
  }
  start_code(w, TAG_FONT_SIZE);
  put_byte(w, number_value(size));
  return 0;
}

static int encode_meta(record_writer*, attribute* attrs) {
  const char* name = attr_value("NAME", attrs);
  const char* content = attr_value("CONTENT", attrs);
  if (name && content && strcasecmp(name, "localicon") == 0)
    refer_to_record(content, kContentImage);
  return 0;
}

int encode_end(record_writer* out) { return put_byte(out, kTagEnd) ? 0 : -1; }

int encode_element(record_writer* out, const char* name, attribute* a) {
  size_t start = out->pos;
  referred_name = nullptr;
  int result;
  if (!strcasecmp(name, "B")) {
    start_code(out, TAG_BOLD);
    result = 0;
  } else if (!strcasecmp(name, "I")) {
    start_code(out, TAG_ITALIC);
    result = 0;
  } else if (!strcasecmp(name, "P")) {
    result = encode_paragraph(out, a);
  } else if (!strcasecmp(name, "HR")) {
    result = encode_hrule(out, a);
  } else if (!strcasecmp(name, "H1")) {
    result = encode_heading(out, a);
  } else if (!strcasecmp(name, "BR")) {
    put_byte(out, kLineBreak);
    result = 0;
  } else if (!strcasecmp(name, "A")) {
    result = encode_link(out, a);
  } else if (!strcasecmp(name, "FORM")) {
    result = encode_form(out, a);
  } else if (!strcasecmp(name, "INPUT")) {
    result = encode_input(out, a);
  } else if (!strcasecmp(name, "SELECT")) {
    result = encode_select(out, a);
  } else if (!strcasecmp(name, "OPTION")) {
    result = encode_option(out, a);
  } else if (!strcasecmp(name, "TABLE")) {
    result = encode_table(out, a);
  } else if (!strcasecmp(name, "TR")) {
    result = encode_table_row(out, a);
  } else if (!strcasecmp(name, "TD") || !strcasecmp(name, "TH")) {
    result = encode_table_cell(out, name, a);
  } else if (!strcasecmp(name, "FONT")) {
    result = encode_font(out, a);
  } else if (!strcasecmp(name, "TABLECAPTION")) {
    result = encode_table_caption(out, a);
  } else if (!strcasecmp(name, "IMG")) {
    result = encode_image(out, a);
  } else if (!strcasecmp(name, "META")) {
    result = encode_meta(out, a);
  } else {
    progress_line("unknown tag <%s>\n", name);
    return -1;
  }
  // An element is written whole or not at all.
  if (out->full || result < 0) {
    out->pos = start;
    return -1;
  }
  if (referred_name && queue_references) find_or_queue_record(referred_name, referred_type);
  referred_name = nullptr;  // it points into this element's attributes
  return 0;
}

int compile_tag(record_writer* out, char* tag) {
  if (tag[0] == '/') return encode_end(out);

  char* p = tag;
  while (*p && *p != ' ' && *p != '\t') ++p;
  attribute_list attrs;
  if (*p) {
    *p = '\0';
    attrs.reset(getattrs(p + 1));
  }
  return encode_element(out, tag, attrs.get());
}
