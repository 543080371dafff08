// Links, forms, tables and images: the elements that refer to other records,
// carry form controls or lay out tables.
#include <strings.h>

#include <cctype>
#include <cstring>

#include "common/byte_markup.h"
#include "common/pqa_record.h"
#include "common/tag_codes.h"
#include "markup/tag_fields.h"
#include "record_queue.h"

// Adds `bit` into the flag byte at `flag_pos` when the writer still holds it.
static void set_flag(record_writer* w, size_t flag_pos, unsigned bit) {
  if (!w->full) w->buf[flag_pos] |= static_cast<unsigned char>(bit);
}

int encode_link(record_writer* w, attribute* attrs) {
  start_code(w, TAG_LINK);
  attribute* href = findattr("HREF", attrs);
  if (!href || !href->value) return 0;  // an anchor that only names a place
  char* url = href->value;
  if (unsigned remote = remote_link_flags(url)) {
    put_byte(w, 0);
    put_byte(w, remote);
    put_string(w, url);
    return 0;
  }
  char* fragment = strchr(url, '#');
  if (fragment) *fragment++ = '\0';
  int pos = refer_to_record(url, kContentPage);
  if (pos < 0) return 0;  // queue full: the link keeps no target
  put_byte(w, 0);
  put_byte(w, fragment ? kLinkLocal | kLinkFragment : kLinkLocal);
  put_be16(w, static_cast<unsigned>(pos));
  if (fragment) put_string(w, fragment);
  return 0;
}

int encode_form(record_writer* w, attribute* attrs) {
  start_code(w, TAG_FORM);
  put_byte(w, 0);
  put_byte(w, 0);
  const char* method = attr_value("METHOD", attrs);
  const char* action = attr_value("ACTION", attrs);
  if (!action) action = "";  // the form still opens, so its end code matches
  put_byte(w, form_flags(action));
  put_byte(w, method && strcasecmp(method, "post") == 0 ? 1 : 0);
  put_byte(w, 0);
  put_string(w, action);
  return 0;
}

// Name and optional value of text, password and hidden fields.
static void named_field(record_writer* w, attribute* attrs) {
  const char* name = attr_value("NAME", attrs);
  const char* value = attr_value("VALUE", attrs);
  put_byte(w, value ? kInputName | kInputValue : kInputName);
  put_string(w, name ? name : "");
  if (value) put_string(w, value);
}

int encode_input(record_writer* w, attribute* attrs) {
  const char* type = attr_value("TYPE", attrs);
  if (!type) return -1;
  const char* name = attr_value("NAME", attrs);
  const char* value = attr_value("VALUE", attrs);
  switch (type[0]) {
    case 't':
      if (strlen(type) != 4) return -1;  // textarea and the like
      start_code(w, TAG_INPUT_TEXT);
      break;
    case 'p':
      start_code(w, TAG_INPUT_PASSWORD);
      break;
    case 'h':
      start_code(w, TAG_INPUT_HIDDEN);
      named_field(w, attrs);
      return 0;
    case 'c': {
      const char* text = attr_value("TEXT", attrs);
      start_code(w, TAG_INPUT_CHECKBOX);
      put_byte(w, (name ? kInputName : 0) | (value ? kInputValue : 0) |
                      (findattr("CHECKED", attrs) ? kInputChecked : 0) | (text ? kInputText : 0));
      if (name) put_string(w, name);
      if (value) put_string(w, value);
      if (text) put_string(w, text);
      return 0;
    }
    case 's':
      start_code(w, TAG_INPUT_SUBMIT);
      put_byte(w, (name ? kInputName : 0) | (value ? kInputValue : 0));
      if (name) put_string(w, name);
      if (value) put_string(w, value);
      return 0;
    default:
      return -1;
  }
  // Text and password.
  const char* size = attr_value("SIZE", attrs);
  const char* maxlength = attr_value("MAXLENGTH", attrs);
  put_be16(w, size ? number_value(size) : 10);
  put_be16(w, maxlength ? number_value(maxlength) : 0);
  named_field(w, attrs);
  return 0;
}

int encode_select(record_writer* w, attribute* attrs) {
  const char* size = attr_value("SIZE", attrs);
  const char* name = attr_value("NAME", attrs);
  start_code(w, TAG_SELECT);
  put_byte(w, (findattr("MULTIPLE", attrs) ? kSelectMultiple : 0) | (name ? kSelectName : 0));
  put_be16(w, size ? static_cast<uint16_t>(number_value(size) - 1) : 0);
  if (name) put_string(w, name);
  return 0;
}

int encode_option(record_writer* w, attribute* attrs) {
  if (!attrs) {
    start_code(w, TAG_OPTION);
    return 0;
  }
  const char* value = attr_value("VALUE", attrs);
  start_code(w, TAG_OPTION_ATTRS);
  put_byte(w, (findattr("SELECTED", attrs) ? kOptionSelected : 0) | (value ? kOptionValue : 0));
  if (value) put_string(w, value);
  return 0;
}

// Writes a 1-byte number for `attr` and sets `bit` when the attribute has a value.
static void byte_field(record_writer* w, size_t flag_pos, unsigned bit, const char* attr,
                       attribute* attrs) {
  const char* v = attr_value(attr, attrs);
  if (!v) return;
  set_flag(w, flag_pos, bit);
  put_byte(w, number_value(v));
}

static void word_field(record_writer* w, size_t flag_pos, unsigned bit, const char* attr,
                       attribute* attrs) {
  const char* v = attr_value(attr, attrs);
  if (!v) return;
  set_flag(w, flag_pos, bit);
  put_be16(w, number_value(v));
}

// An alignment letter outside the mapping leaves its bit clear and writes nothing.
static void align_field(record_writer* w, size_t flag_pos, unsigned bit, int align) {
  if (align < 0) return;
  set_flag(w, flag_pos, bit);
  put_byte(w, static_cast<unsigned>(align));
}

int encode_table(record_writer* w, attribute* attrs) {
  start_code(w, TAG_TABLE);
  size_t flag_pos = w->pos;
  put_byte(w, 0);
  align_field(w, flag_pos, kTableAlign, align_lcr(attr_value("ALIGN", attrs)));
  word_field(w, flag_pos, kTableWidth, "WIDTH", attrs);
  byte_field(w, flag_pos, kTableBorder, "BORDER", attrs);
  byte_field(w, flag_pos, kTableSpacing, "CELLSPACING", attrs);
  byte_field(w, flag_pos, kTablePadding, "CELLPADDING", attrs);
  return 0;
}

int encode_table_row(record_writer* w, attribute* attrs) {
  int h = align_lcr(attr_value("ALIGN", attrs));
  int v = valign_tcb(attr_value("VALIGN", attrs));
  start_code(w, TAG_TABLE_ROW);
  if (h < 0 && v < 0) {
    put_byte(w, 0);
    return 0;
  }
  // Both bytes follow a presence byte of 1; a missing one is left or top.
  put_byte(w, 1);
  put_byte(w, h < 0 ? 0 : h);
  put_byte(w, v < 0 ? 0 : v);
  return 0;
}

int encode_table_cell(record_writer* w, const char* name, attribute* attrs) {
  bool data = toupper(static_cast<unsigned char>(name[1])) == 'D';
  start_code(w, data ? TAG_TABLE_DATA : TAG_TABLE_HEADER);
  size_t flag_pos = w->pos;
  put_byte(w, 0);
  align_field(w, flag_pos, kCellAlign, align_lcr(attr_value("ALIGN", attrs)));
  align_field(w, flag_pos, kCellVAlign, valign_tcb(attr_value("VALIGN", attrs)));
  byte_field(w, flag_pos, kCellColSpan, "COLSPAN", attrs);
  byte_field(w, flag_pos, kCellRowSpan, "ROWSPAN", attrs);
  word_field(w, flag_pos, kCellHeight, "HEIGHT", attrs);
  word_field(w, flag_pos, kCellWidth, "WIDTH", attrs);
  if (findattr("NOWRAP", attrs)) set_flag(w, flag_pos, kCellNoWrap);
  return 0;
}

int encode_table_caption(record_writer* w, attribute* attrs) {
  start_code(w, TAG_TABLE_CAPTION);
  put_byte(w, findattr("TOP", attrs) ? 1 : 0);
  return 0;
}

int encode_image(record_writer* w, attribute* attrs) {
  const char* src = attr_value("SRC", attrs);
  if (!src) return -1;  // nothing to show
  int pos = refer_to_record(src, kContentImage);
  if (pos < 0) return -1;
  start_code(w, TAG_IMAGE);
  size_t flag_pos = w->pos;
  put_byte(w, kImageAlways);
  put_be16(w, static_cast<unsigned>(pos));
  if (const char* alt = attr_value("ALT", attrs)) {
    set_flag(w, flag_pos, kImageAlt);
    put_string(w, alt);
  }
  set_flag(w, flag_pos, kImageSrc);
  put_string(w, src);
  byte_field(w, flag_pos, kImageVSpace, "VSPACE", attrs);
  byte_field(w, flag_pos, kImageHSpace, "HSPACE", attrs);
  byte_field(w, flag_pos, kImageBorder, "BORDER", attrs);
  align_field(w, flag_pos, kImageAlign, image_align(attr_value("ALIGN", attrs)));
  return 0;
}
