#include "markup/markup_decoder.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "common/tag_codes.h"
#include "hex_dump.h"
#include "probe_state.h"
#include "record_message.h"

closing_texts listing_texts;

int closing_texts::push(const char* string) {
  if (depth_ >= kMaxStackDepth) return -1;
  asciiz_stack* node = new (std::nothrow) asciiz_stack;
  if (!node) return -1;
  node->next = top_;
  node->string = string;
  top_ = node;
  depth_++;
  return 0;
}

const char* closing_texts::pop() {
  asciiz_stack* node = top_;
  if (!node) return nullptr;
  const char* s = node->string;
  top_ = node->next;
  depth_--;
  delete node;
  return s;
}

void closing_texts::clear() {
  while (pop()) {
  }
}

int stack_push(const char* string) { return listing_texts.push(string); }
const char* stack_pop() { return listing_texts.pop(); }
void stack_clear() { listing_texts.clear(); }

static const char* const alignment[5] = {"left", "right", "top", "middle", "bottom"};
static const char* const halign[3] = {"left", "center", "right"};
static const char* const valign[3] = {"top", "center", "bottom"};
static const char* const block_align[3] = {"left", "center", "right"};

// The word at index i of a table; out-of-range indexes (and the -1 of a
// failed read) are "unknown".
template <int N>
static const char* word(const char* const (&table)[N], long long i) {
  return i >= 0 && i < N ? table[i] : "unknown";
}

static int decode_codes(bit_buffer* buffer, FILE* out, closing_texts* texts, int recursed);

// Set while a page is written for pagepack.
static page_name_check for_pagepack = nullptr;

// A nested string as pagepack would read it as one attribute value: cut
// where pagepack ends a value or the tag, and before any '<', so that no tag
// can begin inside it.
static std::string nested_value(bit_buffer* b, closing_texts* texts, int depth) {
  char* text = nullptr;
  size_t length = 0;
  FILE* mem = open_memstream(&text, &length);
  if (!mem) {
    b->bitpos = 8 * b->length;  // no memory: the page ends here
    return std::string();
  }
  decode_codes(b, mem, texts, depth + 1);
  std::string value = fclose(mem) == 0 ? std::string(text, length) : std::string();
  free(text);
  return value.substr(0, value.find_first_of(" \"<>"));
}

// Reads one nested string and writes it in place.
static void nested(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  if (for_pagepack)
    fputs(nested_value(b, texts, depth).c_str(), out);
  else
    decode_codes(b, out, texts, depth + 1);
}

// What the value of an attribute names for pagepack.
enum attr_kind { kPlainValue, kLinkName, kImageName };

// An attribute whose value is a nested string: text, string, closing quote.
// A name the check refuses leaves the attribute out.
static void string_attr(bit_buffer* b, FILE* out, closing_texts* texts, int depth,
                        const char* text, attr_kind kind = kPlainValue) {
  if (for_pagepack) {
    const std::string value = nested_value(b, texts, depth);
    if (kind != kPlainValue && !for_pagepack(value, kind == kLinkName)) return;
    fprintf(out, "%s%s\"", text, value.c_str());
    return;
  }
  fputs(text, out);
  nested(b, out, texts, depth);
  fputc('"', out);
}

static void rule(bit_buffer* b, FILE* out) {
  int flags = GetBits(b, 5);
  fprintf(out, "<HR align=\"%s\"", word(block_align, (flags & 0x6) / 2));
  if (flags & 0x8) fputs(" noshade", out);
  if (flags & 0x1) {
    uint32_t height = UintV(b);
    uint32_t width = (flags & 0x10) ? static_cast<uint32_t>(GetBits(b, 8)) : UintV(b);
    fprintf(out, " height=%u width=%u", height, width);
    if (flags & 0x10) fputc('%', out);
  }
  fputc('>', out);
}

static void heading(bit_buffer* b, FILE* out, char level) {
  int aligned = GetBits(b, 1);
  fprintf(out, "<H%c", level);
  if (aligned) fprintf(out, " align=\"%s\" ", word(block_align, GetBits(b, 2)));
  fputc('>', out);
}

static void link(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  int kind = GetBits(b, 2);
  int flags = GetBits(b, 8);
  fputs("<A", out);
  if (kind == 0) {
    string_attr(b, out, texts, depth, " href=\"", kLinkName);
  } else {
    if (flags & 0x20) {
      string_attr(b, out, texts, depth, " href=\"", kLinkName);
    } else {
      uint32_t index = UintV(b);
      fprintf(out, " index=\"%02x\" flags=%02x", index, static_cast<unsigned>(flags));
    }
    if (flags & 0x08) string_attr(b, out, texts, depth, " name=\"");
  }
  fputc('>', out);
  texts->push("</a>");
}

static void form(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  uint32_t index = UintV(b);
  int flags = GetBits(b, 3);
  int post = (flags & 0x1) ? GetBits(b, 1) : 0;
  fprintf(out, "<form index=\"%u\"", index);
  if ((flags & 0x1) && post) fputs(" method=\"post\"", out);
  nested(b, out, texts, depth);
  string_attr(b, out, texts, depth, " ACTION=\"");
  fputc('>', out);
  texts->push("</form>");
}

// The name and value strings that several INPUT forms share.
static void name_value(bit_buffer* b, FILE* out, closing_texts* texts, int depth, int flags) {
  if (flags & 0x1) string_attr(b, out, texts, depth, " name=\"");
  if (flags & 0x2) string_attr(b, out, texts, depth, " value=\"");
}

static void text_field(bit_buffer* b, FILE* out, closing_texts* texts, int depth,
                       const char* opening) {
  uint32_t size = UintV(b);
  uint32_t maxlength = UintV(b);
  int flags = GetBits(b, 2);
  fprintf(out, opening, size, maxlength);
  name_value(b, out, texts, depth, flags);
  fputc('>', out);
}

static void checkbox(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  int flags = GetBits(b, 4);
  fputs("<INPUT type=checkbox", out);
  if (flags & 0x4) fputs(" CHECKED", out);
  name_value(b, out, texts, depth, flags);
  if (flags & 0x8) string_attr(b, out, texts, depth, " text=\"");
  fputc('>', out);
}

static void select(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  int flags = GetBits(b, 2);
  uint32_t size = UintV(b);
  fputs("<select", out);
  if (flags & 0x1) string_attr(b, out, texts, depth, " name=\"");
  if (size != 0) fprintf(out, " size=\"%u\"", size);
  fputc('>', out);
  texts->push("</select>\n");
}

static void option(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  int flags = GetBits(b, 2);
  fputs("<option", out);
  if (flags & 0x1) fputs(" selected", out);
  if (flags & 0x2) string_attr(b, out, texts, depth, " value=\"");
  fputc('>', out);
  texts->push("</option>\n");
}

static void table(bit_buffer* b, FILE* out) {
  int flags = GetBits(b, 7);
  fputs("<table", out);
  if (flags & 0x01) fprintf(out, " align='%s'", word(alignment, GetBits(b, 2)));
  if (flags & 0x02) fprintf(out, " width=%u", UintV(b));
  if (flags & 0x04) fprintf(out, " border=%u", UintV(b));
  if (flags & 0x08) fprintf(out, " cellspacing=%u", UintV(b));
  if (flags & 0x10) fprintf(out, " cellpadding=%u", UintV(b));
  fputs(">\n", out);
}

static void table_row(bit_buffer* b, FILE* out, closing_texts* texts) {
  int h = 0, v = 0;
  if (GetBits(b, 1)) {
    h = GetBits(b, 2);
    v = GetBits(b, 2);
  }
  fprintf(out, "<tr halign = %1x valign = %1x>", static_cast<unsigned>(h),
          static_cast<unsigned>(v));
  texts->push("</tr>\n");
}

static void table_cell(bit_buffer* b, FILE* out, closing_texts* texts) {
  int flags = GetBits(b, 7);
  fputs("<td", out);
  if (flags & 0x01) fprintf(out, " halign='%s'", word(halign, GetBits(b, 2)));
  if (flags & 0x02) fprintf(out, " valign='%s'", word(valign, GetBits(b, 2)));
  if (flags & 0x04) fprintf(out, " colspan='%u'", UintV(b));
  if (flags & 0x08) fprintf(out, " rowspan='%u'", UintV(b));
  if (flags & 0x10) fprintf(out, " height='%u'", UintV(b));
  if (flags & 0x20) fprintf(out, " width='%u'", UintV(b));
  fputc('>', out);
  texts->push("</td>");
}

static void image(bit_buffer* b, FILE* out, closing_texts* texts, int depth) {
  int flags = GetBits(b, 8);
  fputs("<IMG", out);
  if (flags & 0x80) fprintf(out, " index=%04x", UintV(b));
  if (flags & 0x40) string_attr(b, out, texts, depth, " alt=\"");
  if (flags & 0x20) {
    string_attr(b, out, texts, depth, " src=\"", kImageName);
    fputc(' ', out);
  }
  if (flags & 0x10) fprintf(out, " vspace=\"%u\"", UintV(b) + 1u);
  if (flags & 0x08) fprintf(out, " hspace=\"%u\"", UintV(b) + 1u);
  if (flags & 0x04) fprintf(out, " border=\"%u\"", UintV(b) + 1u);
  if (flags & 0x02) fprintf(out, " align=\"%s\"", word(alignment, UintV(b)));
  if (flags & 0x01) fputs(" embedded! (unsupported)  prepare for the junk! ", out);
  fputc('>', out);
}

static void literal_text(bit_buffer* b, FILE* out) {
  for (;;) {
    int c = GetBits(b, 8);
    if (c <= 0) return;  // the zero byte, or the end of the data
    if (for_pagepack && (c == '<' || c == '>'))
      fputs(c == '<' ? "&lt;" : "&gt;", out);
    else
      fputc(c, out);
  }
}

// One element after code 1. Returns 1 when it ends the current level.
static int element(bit_buffer* b, FILE* out, closing_texts* texts, int depth, int code) {
  switch (code) {
    case TAG_ANCHOR_NAME:
      fputs("<A name=\"", out);
      nested(b, out, texts, depth);
      fputs("\">", out);
      texts->push("</A>");
      break;
    case TAG_FONT_SIZE:
      fprintf(out, " <font size=\"%u\">", static_cast<unsigned>(GetBits(b, 3)));
      break;
    case TAG_BOLD:
      fputs("<B>", out);
      texts->push("</B>");
      break;
    case TAG_ITALIC:
      fputs("<I>", out);
      texts->push("</I>");
      break;
    case TAG_PARAGRAPH:
      fprintf(out, "<P align=\"%s\">", word(block_align, GetBits(b, 2)));
      break;
    case TAG_HRULE:
      rule(b, out);
      break;
    case TAG_H1:
      heading(b, out, '1');
      texts->push("</H1>");
      break;
    case TAG_H6:
      heading(b, out, '6');
      texts->push("</H6>");
      break;
    case TAG_LINK:
      link(b, out, texts, depth);
      break;
    case TAG_BLOCKQUOTE:
      fputs("<blockquote>", out);
      texts->push("</blockquote>");
      break;
    case TAG_FORM:
      form(b, out, texts, depth);
      break;
    case TAG_INPUT_TEXT:
      text_field(b, out, texts, depth, "<INPUT type=\"text\" size=\"%u\" maxlength=\"%u\"");
      break;
    case TAG_INPUT_PASSWORD:
      text_field(b, out, texts, depth, "<INPUT type='password' size=\"%u\" maxlength=\"%u\"");
      break;
    case TAG_INPUT_CHECKBOX:
      checkbox(b, out, texts, depth);
      break;
    case TAG_INPUT_SUBMIT:
      fputs("<INPUT type=\"submit\"", out);
      name_value(b, out, texts, depth, GetBits(b, 2));
      fputc('>', out);
      break;
    case TAG_INPUT_RESET:
      fputs("<INPUT type=\"reset\"", out);
      if (GetBits(b, 1)) string_attr(b, out, texts, depth, " value=\"");
      fputc('>', out);
      break;
    case TAG_INPUT_HIDDEN:
      fputs("<INPUT type=\"hidden\"", out);
      name_value(b, out, texts, depth, GetBits(b, 2));
      fputc('>', out);
      break;
    case TAG_SELECT:
      select(b, out, texts, depth);
      break;
    case TAG_OPTION:
      fputs("<option>", out);
      texts->push("</option>\n");
      break;
    case TAG_OPTION_ATTRS:
      option(b, out, texts, depth);
      break;
    case TAG_TABLE:
      table(b, out);
      break;
    case TAG_TABLE_ROW:
      table_row(b, out, texts);
      break;
    case TAG_TABLE_DATA:
      table_cell(b, out, texts);
      break;
    case TAG_IMAGE:
      image(b, out, texts, depth);
      break;
    case TAG_TEXT_RUN:
      literal_text(b, out);
      break;
    case TAG_END_OF_PAGE:
      return 1;
    default:
      fprintf(out, " (%02x) ", static_cast<unsigned>(code));
      break;
  }
  return 0;
}

static void character(FILE* out, int c) {
  switch (c) {
    case 0x3C:
      fputs("&lt;", out);
      break;
    case 0x3E:
      fputs("&gt;", out);
      break;
    case 0x99:
      fputs("&tm;", out);
      break;
    case 0xA0:
      fputs("&nbsp;", out);
      break;
    default:
      fputc(c, out);
      break;
  }
}

// Decodes codes until the end of this level: the data, a code 0 inside a
// nested string (recursed > 0, the depth of nesting), or the tag 113.
static int decode_codes(bit_buffer* buffer, FILE* out, closing_texts* texts, int recursed) {
  if (recursed > kMaxStringDepth) {
    record_message(nullptr, "strings nested deeper than %d levels: page ends there",
                   kMaxStringDepth);
    buffer->bitpos = 8 * buffer->length;  // every further read fails
    return 0;
  }
  for (;;) {
    int code = GetBits(buffer, 5);
    if (code < 0) return 0;
    switch (code) {
      case 0:
        if (recursed) return 0;
        if (const char* text = texts->pop())
          fputs(text, out);
        else
          fprintf(out, "\nspecial = %02x\n", static_cast<unsigned>(code));
        break;
      case 1: {
        int tag = GetBits(buffer, 8);
        if (tag >= 0 && element(buffer, out, texts, recursed, tag)) return 0;
        break;
      }
      case 2: {
        int c = GetBits(buffer, 8);
        if (c >= 0) character(out, c);
        break;
      }
      case 3:
        fputs("<BR>\n<BR>\n", out);
        break;
      case 4:
        fputs("<BR>\n", out);
        break;
      case 5:
        fputc(' ', out);
        break;
      default:
        fputc(code + 91, out);
        break;
    }
  }
}

void decode_bit_coded(const unsigned char* buf, int n, FILE* out, closing_texts* texts,
                      page_name_check check) {
  fputs("<HTML>\n\t<HEAD>\n\t\t<TITLE>", out);
  texts->push("</TITLE>\n\t</HEAD>\n\t<BODY>\n");
  std::unique_ptr<bit_buffer> reader = InitBitBuffer(buf, n);
  if (!reader) return;
  for_pagepack = check;
  decode_codes(reader.get(), out, texts, 0);
  for_pagepack = nullptr;
  fputs("\n\t</BODY>\n</HTML>\n", out);
}

void dump_compressed(const unsigned char* buf, int n, FILE* out, page_name_check check) {
  if (vflag) dump(buf, n);
  decode_bit_coded(buf, n, out, &listing_texts, check);
}
