#include "markup/html_page.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/tag_codes.h"
#include "input_file.h"
#include "markup/tag_encoder.h"
#include "markup/web_hint.h"
#include "message.h"
#include "record_writer.h"
#include "run_summary.h"

void UpCase(char* buffer, size_t length) {
  bool bInTag = false, bInQuot = false, bInValue = false;
  for (size_t i = 0; i < length; ++i) {
    char c = buffer[i];
    switch (c) {
      case ' ':
        bInValue = false;
        break;
      case '"':
      case '\'':
        bInQuot = !bInQuot;
        break;
      case '<':
        bInTag = true;
        bInQuot = bInValue = false;
        break;
      case '=':
        if (bInTag) bInValue = true;
        break;
      case '>':
        bInTag = false;
        break;
      default:
        if (bInTag && !bInQuot && !bInValue && c >= 'a' && c <= 'z')
          buffer[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
}

// The page text, NUL-terminated; embedded NUL bytes end it early.
static char filebuf[kPageTextMax + 1];

// Reads the page into filebuf; returns its length, or -1 when it cannot be
// read. A missing page is left out silently; any other page that cannot be
// read (a directory, a FIFO, a device, no permission) is named in a message.
static long read_page(const char* filename) {
  const char* why = nullptr;
  errno = 0;
  stdio_file f = open_input(filename, &why);
  if (!f) {
    if (errno != ENOENT) message("%s: %s, left out", filename, why ? why : "cannot be read");
    return -1;
  }
  size_t n = fread(filebuf, 1, kPageTextMax, f.get());
  if (ferror(f.get())) {
    message("%s: read error, left out", filename);
    return -1;
  }
  filebuf[n] = '\0';
  if (n == kPageTextMax && fgetc(f.get()) != EOF)
    message("%s: longer than %zu bytes, cut", filename, kPageTextMax);
  return static_cast<long>(strlen(filebuf));
}

static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Bytes of the body that the scan acts on; runs of all others are copied.
static bool is_plain(char c) {
  return c != '&' && c != ' ' && c != '\t' && c != '\n' && c != '<' && c != kTagStart;
}

// Writes the title field: the text, then one or two zero bytes to an even
// length. A title too long for the record is cut and fills it.
static void write_title(record_writer* w, const char* title, size_t len) {
  size_t room = room_left(w);
  size_t most = room >= 2 ? ((room - 2) & ~size_t{1}) : 0;
  bool cut = len > most;
  if (cut) len = most;
  put_bytes(w, title, len);
  if (len & 1) put_byte(w, 0);
  put_byte(w, 0);
  if (cut) w->full = true;
}

// The body between `p` and `end`: text with blanks collapsed, &gt; and &lt;,
// and every tag through compile_tag. Stops early when the record is full.
static void write_body(record_writer* w, char* p, char* end) {
  // An '&' after the last ';' of the text begins no entity.
  char* last_semicolon = nullptr;
  for (char* q = p; q < end; ++q)
    if (*q == ';') last_semicolon = q;

  while (p < end && !w->full) {
    char c = *p;
    if (c == '<' && end - p >= 7 && memcmp(p, "</BODY>", 7) == 0) return;
    if (c == '&' && last_semicolon && p < last_semicolon) {
      if (p[1] == 'g') put_byte(w, '>');
      if (p[1] == 'l') put_byte(w, '<');
      p = static_cast<char*>(memchr(p + 1, ';', end - p - 1)) + 1;
    } else if (c == ' ' || c == '\t') {
      put_byte(w, ' ');
      for (++p; p < end && is_blank(*p); ++p) {
      }
    } else if (c == '\n') {
      for (++p; p < end && is_blank(*p); ++p) {
      }
    } else if (c == '<') {
      // A tag without its '>' runs to the end of the text.
      char* close = static_cast<char*>(memchr(p, '>', end - p));
      char* tag_end = close ? close : end;
      *tag_end = '\0';
      compile_tag(w, p + 1);
      p = close ? close + 1 : end;
    } else if (c == kTagStart) {
      ++p;  // would read as the start of an element
    } else {
      // This byte (an '&' that begins no entity, or any plain byte) and the
      // plain bytes after it, as many as the record takes.
      char* run = p++;
      while (p < end && is_plain(*p)) ++p;
      size_t n = static_cast<size_t>(p - run), room = room_left(w);
      put_bytes(w, run, std::min(n, room));
      if (n > room) w->full = true;
    }
  }
}

int build_page_record(const needed_record* rec) {
  long length = read_page(rec->filename);
  if (length < 0) return kRecordUnreadable;
  char* text = filebuf;
  char* end = filebuf + length;
  UpCase(text, static_cast<size_t>(length));
  note_web_reading(rec->filename, text, static_cast<size_t>(length));

  int data_offset = begin_record(rec->filename, rec->type);
  if (data_offset < 0) return kRecordNameTooLong;
  size_t data_room = record_data_room(static_cast<size_t>(data_offset) - kPqaHeaderSize);
  // The last two bytes of the room are kept for the end code; an odd body
  // then leaves room for the pad byte as well.
  record_writer w = make_writer(RecordBuffer, data_offset, data_offset + data_room - 2);

  char* body_search = text;
  char* title = strstr(text, "<TITLE>");
  if (title) {
    title += 7;
    char* title_end = strchr(title, '<');
    if (!title_end) title_end = end;
    *title_end = '\0';
    write_title(&w, title, static_cast<size_t>(title_end - title));
    body_search = title_end < end ? title_end + 1 : end;
  } else {
    write_title(&w, rec->filename, strlen(rec->filename));
  }

  char* body = strstr(body_search, "<BODY>");
  if (body) {
    write_body(&w, body + 6, end);
  } else {
    message("%s: no <BODY>, page left empty", rec->filename);
  }
  if (w.full) message("%s: too large for one record, cut", rec->filename);

  w.end = data_offset + data_room;
  w.full = false;
  put_byte(&w, kTagStart);
  put_byte(&w, TAG_END_OF_PAGE);
  if ((w.pos - data_offset) & 1) put_byte(&w, 0);
  return static_cast<int>(finish_record(w.pos - data_offset));
}

int compile_html(pi_file_t* pf, const needed_record* rec, int uid) {
  int size = build_page_record(rec);
  if (size == kRecordNameTooLong)
    message("%s: name too long for a record, left out", rec->filename);
  if (size < 0) return -1;
  int result = pi_file_append_record(pf, RecordBuffer, static_cast<size_t>(size), 0, 0,
                                     static_cast<recordid_t>(uid));
  record_appended(RecordBuffer, static_cast<size_t>(size), result);
  return 0;
}
