#include "record_dump.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "bitmap_export.h"
#include "byte_markup_decoder.h"
#include "common/pqa_record.h"
#include "output_file.h"
#include "hex_dump.h"
#include "markup_decoder.h"
#include "record_message.h"
#include "probe_state.h"
#include "record_fields.h"
#include "record_urls.h"

// Prints one string field (word count, then that many words) at *pos and
// steps over it. The text ends at its zero or at the end of its field.
static bool string_field(byte_view block, size_t* pos, const char* format, const char* what) {
  byte_view text;
  if (!view_counted(block, *pos, &text)) {
    record_message(nullptr, "application info block ends inside its %s", what);
    return false;
  }
  printf(format, view_text(text).c_str());
  *pos += 2 + text.length;
  return true;
}

void dump_app_info_block(byte_view block) {
  printf("app_info_size %d\n", static_cast<int>(block.length));
  if (vflag) {
    dump(block.data, static_cast<int>(block.length));
    printf("\n");
  }
  if (block.length == 0) return;  // no block, nothing to show
  size_t pos = kAppInfoVersionOffset;
  if (!string_field(block, &pos, "Version: %s\n", "version")) return;
  if (!string_field(block, &pos, "Title: %s\n", "title")) return;

  if (vflag) printf("ICON:\n");
  int used = dump_bitmap(view_rest(block, pos), 0, "LgIcon.pnm");
  if (used < 0) {
    // Without the large icon's size the small one cannot be found.
    record_message("SmIcon.pnm", "not written, the large icon's size is unknown");
    return;
  }
  pos += static_cast<size_t>(used);
  if (vflag) printf("SMALL ICON:\n");
  dump_bitmap(view_rest(block, pos), 0, "SmIcon.pnm");
}

void dump_app_info(pi_file_t* pf, DBInfo* ip) {
  (void)ip;
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  dump_app_info_block(make_view(data, size));
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

// A message about the record named url on standard error.
static void report(const char* url, const char* what) { record_message(url, "%s", what); }

static void refuse(const char* url, const char* reason) {
  std::string what = std::string(reason) + ": no file written";
  report(url, what.c_str());
}

static bool record_data(byte_view rec, const char* url, byte_view* data) {
  if (!record_data_view(rec, data)) {
    report(url, "data outside the record");
    return false;
  }
  return true;
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
  if (!copy_url(rec, url)) return -1;
  printf("URL: %s\n", url);
  if (!record_data(rec, url, &data)) return -1;
  page_form form = form_of(rec);
  if (form == kUnknownForm) {
    message("%s: compression type %u is not known: no file written", url,
            static_cast<unsigned>(rec.data[kCompressionType]));
    return -1;
  }
  const char* unsafe = unsafe_file_name(url);
  // As a source page, a link or image to queue position p names the record
  // whose unique ID is p + 1.
  std::string html;
  if (form == kByteCoded && (!unsafe || vflag))
    decode_byte_markup(data, url, [](unsigned p) { return record_url(p + 1UL); }, &html);
  if (unsafe) {
    refuse(url, unsafe);
  } else {
    htmls.back() = url;
    output_file file;
    if (!file.create(url)) {
      record_message(url, "%s", strerror(errno));
    } else {
      if (form == kByteCoded)
        fwrite(html.data(), 1, html.size(), file.get());
      else
        dump_compressed(data.data, static_cast<int>(data.length), file.get());
      file.finish();
    }
  }
  if (vflag && form == kByteCoded) {
    dump(data.data, static_cast<int>(data.length));
    printf("\n");
    fwrite(html.data(), 1, html.size(), stdout);
  } else if (vflag) {
    dump_compressed(data.data, static_cast<int>(data.length), stdout);
  }
  return unsafe ? -1 : 0;
}

static int dump_image(byte_view rec) {
  char url[kMaxUrl + 1];
  byte_view data;
  if (!copy_url(rec, url)) return -1;
  printf("URL: %s\n", url);
  if (!record_data(rec, url, &data)) return -1;
  const char* unsafe = unsafe_file_name(url);
  if (unsafe) refuse(url, unsafe);
  if (vflag) {
    printf("data:\n\n");
    dump(data.data, static_cast<int>(data.length));
    printf("\nimage:\n");
  }
  // A refused image is still shown under -v, without a file.
  if (!unsafe || vflag) dump_bitmap(data, static_cast<int>(data.length), unsafe ? nullptr : url);
  return unsafe ? -1 : 0;
}

// A GIF or JPEG record holds the image file itself: written as it is.
static int dump_image_file(byte_view rec) {
  char url[kMaxUrl + 1];
  byte_view data;
  if (!copy_url(rec, url)) return -1;
  printf("URL: %s\n", url);
  if (!record_data(rec, url, &data)) return -1;
  if (vflag) {
    printf("data:\n\n");
    dump(data.data, static_cast<int>(data.length));
    printf("\n");
  }
  if (const char* unsafe = unsafe_file_name(url)) {
    refuse(url, unsafe);
    return -1;
  }
  output_file file;
  if (!file.create(url)) {
    message("%s: %s", url, strerror(errno));
    return 0;
  }
  fwrite(data.data, 1, data.length, file.get());
  file.finish();
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
