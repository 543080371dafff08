#include "preview/preview_page.h"

#include <cstdio>
#include <cstdlib>

#include "markup/byte_markup_decoder.h"
#include "markup/markup_decoder.h"
#include "message.h"

// One style for every file: the handheld's 160-pixel screen, drawn twice as
// large with its pixels kept sharp.
static const char kStyle[] =
    "body{margin:0;background:#e8e8e0;color:#111;font:14px/1.4 sans-serif}"
    ".bar{background:#2e3b4e;color:#fff;padding:6px 10px}"
    ".bar a{color:#fff;font-weight:bold;margin-right:1em}"
    ".screen{width:160px;zoom:2;margin:8px;background:#fff;border:1px solid #888;"
    "font:11px/1.25 sans-serif;overflow:hidden;overflow-wrap:break-word}"
    ".screen img,.icon,.thumb{image-rendering:pixelated}"
    ".note{margin:8px;color:#844}"
    ".launcher{display:flex;gap:16px;align-items:center;padding:10px}"
    ".icon{zoom:2;border:1px dotted #888;background:#fff}"
    ".thumb{max-width:96px;max-height:96px;border:1px solid #888;background:#fff}"
    "table.records{border-collapse:collapse;margin:10px}"
    ".records td,.records th{border:1px solid #aaa;padding:2px 6px;text-align:left}"
    "dl{margin:0 10px}dt{float:left;width:8em;color:#555}dd{margin-left:8em}";

std::string preview_head(const std::string& title_html) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\">\n"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "img-src 'self'; style-src 'unsafe-inline'; form-action 'none'\">\n"
         "<title>" + title_html + "</title>\n<style>" + kStyle +
         "</style></head>\n<body>\n";
}

// The bit-coded decoder, writing into memory with closing texts of its own:
// the listing's stay as they were.
static bool bit_coded_html(byte_view data, std::string* html) {
  char* text = nullptr;
  size_t length = 0;
  FILE* out = open_memstream(&text, &length);
  if (!out) return false;
  {
    closing_texts texts;
    decode_bit_coded(data.data, static_cast<int>(data.length), out, &texts);
  }
  bool ok = fclose(out) == 0;
  if (ok) html->assign(text, length);
  free(text);
  return ok;
}

page_markup preview_page_markup(byte_view data, unsigned compression, const char* label,
                                const std::set<std::string>& files,
                                const std::function<std::string(bool image, unsigned index)>&
                                    target) {
  page_markup result;
  std::string html;
  if (compression == 0) {
    result.complete = decode_byte_markup(
        data, label,
        [&](unsigned position) {
          std::string page = target(false, position);
          return page.empty() ? target(true, position) : page;
        },
        &html, false);
    if (!result.complete) result.note = "The byte-coded page could not be decoded to its end.";
  } else if (compression == 1) {
    result.complete = bit_coded_html(data, &html);
    if (!result.complete) {
      message("%s: no memory to decode the page", label);
      result.note = "The page could not be decoded.";
    }
  } else {
    message("%s: compression type %u not decoded", label, compression);
    result.note = "Compression type " + std::to_string(compression) + " is not decoded.";
  }
  result.page = filter_markup(html, files, target);
  return result;
}
