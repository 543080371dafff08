// The reading of the parser's events: which elements a browser draws, their
// text with its white space as a browser shows it, and what each element
// becomes in the record.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/pqa_record.h"
#include "html_text.h"
#include "input_file.h"
#include "message.h"
#include "record_queue.h"
#include "web/page_reader.h"

// Runs of white space become one space; none at the start of a line.
void web_page_reader::shown_text(const char* utf8, size_t n) {
  std::string bytes;
  charset_.convert(utf8, n, &bytes);
  std::string run;
  run.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    if (is_html_space(bytes[i])) {
      want_space_ = true;
      while (i < bytes.size() && is_html_space(bytes[i])) i++;
      continue;
    }
    if (run.empty()) {
      settle();
      if (want_space_ && !line_start_ && !after_space_) run += ' ';
    } else if (want_space_) {
      run += ' ';
    }
    want_space_ = false;
    size_t j = i;
    while (j < bytes.size() && !is_html_space(bytes[j])) j++;
    run.append(bytes, i, j - i);
    i = j;
  }
  // White space alone starts nothing: between <html> and <head> it would
  // start the page before its <title> is read.
  if (!run.empty()) put_text(run);
}

// Preformatted text keeps its spaces; a line feed is a line break, a TAB
// goes to the next multiple of eight columns.
void web_page_reader::pre_text(const char* utf8, size_t n) {
  settle_inline();
  std::string run;
  for (size_t i = 0; i < n; i++) {
    char c = utf8[i];
    if (pre_fresh_ && c == '\n') {
      pre_fresh_ = false;
      continue;
    }
    pre_fresh_ = false;
    if (c == '\r') {
      if (i + 1 < n && utf8[i + 1] == '\n') continue;
      c = '\n';
    }
    if (c == '\n') {
      put_text(cp1252(run));
      run.clear();
      put_break();
      column_ = 0;
    } else if (c == '\t') {
      do run += ' ';
      while (++column_ % 8);
    } else {
      run += c;
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) column_++;
    }
  }
  put_text(cp1252(run));
}

void web_page_reader::text(const char* utf8, size_t n) {
  if (in_title_) title_.append(utf8, n);
  if (in_style_ && style_.size() < kMaxStyleSheet) style_.append(utf8, n);
  if (hidden_ || stopped_ || (!frames_.empty() && frames_.back().closed_details)) return;
  if (svg_ && !svg_text_) return;  // an SVG draws only the text of its <text> elements
  if (in_button_) {
    button_.append(utf8, n);
  } else if (pre_) {
    pre_text(utf8, n);
  } else {
    shown_text(utf8, n);
  }
}

void web_page_reader::open_element(const char* code, const pairs& attrs, open_frame* f,
                                   bool block) {
  if (open_.size() >= kMaxOpenElements) return;
  if (block) {
    want_break_ = false;  // the element breaks the line itself
    want_space_ = false;
    settle();
  } else {
    settle_inline();
  }
  if (!put_element(code, attrs)) return;
  open_.emplace_back(code, attrs);
  set_room();
  f->encoded = true;
}

void web_page_reader::start_link(const pairs& attrs, open_frame* f) {
  const std::string* href = value_of(attrs, "href");
  if (!href) return;  // an anchor that only names a place: its text alone
  link_target t = resolve_link(*href, base_, false);
  if (t.kind == target_kind::none) return;
  std::string target = t.url;  // the file's own bytes, as its record is named
  if (t.kind == target_kind::image) find_or_queue_record(t.url.c_str(), kContentImage);
  if (t.has_fragment) target += "#" + cp1252(t.fragment);
  open_element("A", {{"HREF", target}}, f);
}

void web_page_reader::start_image(const pairs& attrs) {
  const std::string* src = value_of(attrs, "src");
  const std::string* alt = value_of(attrs, "alt");
  link_target t = src ? resolve_link(*src, base_, true) : link_target{};
  if (t.kind != target_kind::image) {
    // An image that cannot be packed (SVG, remote, missing) shows its alt text.
    if (alt) shown_text(alt->data(), alt->size());
    return;
  }
  pairs p = {{"SRC", t.url}};
  if (alt) p.emplace_back("ALT", cp1252(collapsed(*alt)));
  for (const char* name : {"align", "border", "hspace", "vspace"})
    if (const std::string* v = value_of(attrs, name)) p.emplace_back(name, cp1252(*v));
  settle_inline();
  if (put_element("IMG", p)) content_written();
}

// A frame of a frameset is a link on a line of its own, named by its name
// or, without one, its source.
void web_page_reader::start_frame(const pairs& attrs) {
  const std::string* src = value_of(attrs, "src");
  if (!src) return;
  const std::string* name = value_of(attrs, "name");
  std::string label = collapsed(name && !collapsed(*name).empty() ? *name : *src);
  open_frame link{role::encoded, true, false, false, false, false, false};
  block_edge();
  start_link({{"href", *src}}, &link);
  shown_text(label.data(), label.size());
  if (link.encoded) {
    open_.pop_back();
    set_room();
    put_end();
  }
  block_edge();
}

void web_page_reader::start_input(const pairs& attrs) {
  const std::string* type_attr = value_of(attrs, "type");
  std::string type = ascii_lower(type_attr ? *type_attr : "text");
  // The nearest control the vocabulary has.
  if (type == "radio")
    type = "checkbox";
  else if (type == "reset" || type == "button" || type == "image")
    type = "submit";
  else if (type == "file" || type == "range" || type == "color")
    return;
  else if (type != "password" && type != "checkbox" && type != "hidden" && type != "submit")
    type = "text";  // email, search, url, number, tel, date ... and unknown types
  pairs p = {{"TYPE", type}};
  for (const char* name : {"name", "value", "size", "maxlength", "checked"})
    if (const std::string* v = value_of(attrs, name)) p.emplace_back(name, cp1252(*v));
  if (type != "hidden") settle_inline();
  if (put_element("INPUT", p) && type != "hidden") content_written();
}

void web_page_reader::start_shown(const char* name, const mapping* m, const pairs& attrs,
                                  open_frame* f) {
  role what = m ? m->what : role::inline_text;
  switch (what) {
    case role::inline_text:
    case role::hidden:
      break;
    case role::block:
      block_edge();
      break;
    case role::encoded:
      if (strcmp(name, "a") == 0) {
        start_link(attrs, f);
      } else if (strcmp(name, "font") == 0) {
        if (const std::string* size = value_of(attrs, "size"))
          open_element("FONT", {{"SIZE", *size}}, f);
      } else if (strcmp(name, "select") == 0) {
        pairs p;
        for (const char* n : {"name", "size", "multiple"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
        block_edge();
        open_element("SELECT", p, f, true);
      } else {
        open_element(m->code, {}, f);
      }
      break;
    case role::encoded_block: {
      pairs p;
      if (strcmp(name, "form") == 0) {
        for (const char* n : {"action", "method"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
      } else if (strcmp(name, "option") == 0) {
        for (const char* n : {"value", "selected"})
          if (const std::string* v = value_of(attrs, n)) p.emplace_back(n, cp1252(*v));
      } else {
        for (const auto& a : attrs) p.emplace_back(a.first, cp1252(a.second));
      }
      open_element(m->code, p, f, true);
      if (f->encoded)
        line_start_ = true;
      else
        block_edge();
      want_break_ = false;
      break;
    }
    case role::void_element:
      if (strcmp(name, "br") == 0) {
        settle();
        put_break();
      } else if (strcmp(name, "hr") == 0) {
        pairs p;
        for (const auto& a : attrs) p.emplace_back(a.first, cp1252(a.second));
        settle();
        put_element("HR", p);
        line_start_ = true;
      } else if (strcmp(name, "img") == 0) {
        start_image(attrs);
      } else if (strcmp(name, "frame") == 0) {
        start_frame(attrs);
      } else {
        start_input(attrs);
      }
      break;
    case role::bold_line:
      block_edge();
      open_element("B", {}, f);
      break;
    case role::list: {
      block_edge();
      open_list list{strcmp(name, "ol") == 0, 1};
      if (const std::string* s = value_of(attrs, "start")) html_integer(*s, &list.next);
      lists_.push_back(list);
      break;
    }
    case role::list_item: {
      block_edge();
      settle();
      // Two spaces a level, to a depth the handheld's 160 pixels still show.
      const size_t levels = lists_.empty() ? 0 : std::min(lists_.size() - 1, kMaxListIndent);
      std::string marker(2 * levels, '\xA0');
      if (!lists_.empty() && lists_.back().numbered) {
        int& next = lists_.back().next;
        if (const std::string* v = value_of(attrs, "value")) html_integer(*v, &next);
        marker += std::to_string(next) + ". ";
        if (next < INT_MAX) next++;  // browsers hold the count at the largest int
      } else {
        marker += "\x95 ";
      }
      put_text(marker);
      break;
    }
    case role::term:
      block_edge();
      break;
    case role::definition:
      block_edge();
      settle();
      put_text("\xA0\xA0\xA0");
      break;
    case role::preformatted:
      block_edge();
      pre_++;
      pre_fresh_ = true;
      column_ = 0;
      break;
    case role::button:
      if (!in_button_++) {
        button_.clear();
        button_attrs_ = attrs;
      }
      break;
  }
}

void web_page_reader::link_style_sheet(const char* const* attrs) {
  const char* rel = raw_value(attrs, "rel");
  const char* href = raw_value(attrs, "href");
  if (!rel || !href || !strcasestr(rel, "stylesheet") || strcasestr(rel, "alternate")) return;
  const char* media = raw_value(attrs, "media");
  if (media && !strcasestr(media, "screen") && !strcasestr(media, "all")) return;
  std::string url = local_file_url(href, base_);
  // A sheet linked again is not applied again: time stays linear in the page.
  if (!url.empty() && linked_sheets_.insert(url).second) styles_.apply(linked_style_rules(url));
}

// What an element of an <svg> is: a <text> a line of its own, the elements
// inside it inline, those that draw nothing hidden; the rest (g, a, rect ...)
// show their <text> elements but no text of their own.
static const mapping* svg_mapping(const char* name, bool in_text) {
  static const mapping text{"text", role::block, nullptr};
  static const mapping hidden{"", role::hidden, nullptr};
  static const char* const not_drawn_names[] = {
      "clippath", "defs", "desc", "filter", "lineargradient", "marker", "mask", "metadata",
      "pattern", "radialgradient", "script", "style", "symbol", "title"};
  if (in_text) return nullptr;
  if (strcmp(name, "text") == 0) return &text;
  for (const char* n : not_drawn_names)
    if (strcasecmp(n, name) == 0) return &hidden;
  return nullptr;
}

void web_page_reader::start(const char* name, const char* const* attrs) {
  const mapping* m = svg_ ? svg_mapping(name, svg_text_ > 0) : find_mapping(name);
  role what = m ? m->what : role::inline_text;
  // Only the elements that read their attributes get them as pairs.
  pairs p;
  if (attrs[0] && what != role::inline_text && what != role::block && what != role::hidden &&
      what != role::term)
    p = pairs_of(attrs);
  open_frame f{what, false, false, false, false, false, false};
  bool in_closed =
      !frames_.empty() && frames_.back().closed_details && strcmp(name, "summary") != 0;
  if (strcmp(name, "svg") == 0 || strcmp(name, "math") == 0) {
    f.foreign = true;
    foreign_++;
    f.svg = name[0] == 's';
    svg_ += f.svg;
  } else if (svg_ && m && m->what == role::block) {
    f.svg_text = true;
    svg_text_++;
  }
  if (strcmp(name, "title") == 0 && !have_title_ && !foreign_) in_title_ = true;
  if (strcmp(name, "base") == 0) {
    if (const char* href = raw_value(attrs, "href")) base_ = with_base_href(base_, href);
  }
  if (strcmp(name, "style") == 0) {
    in_style_ = true;
    style_.clear();
  }
  if (strcmp(name, "link") == 0) link_style_sheet(attrs);
  // Whether a browser draws it: the style rules are tried only on what
  // could be shown.
  bool drawn = false;
  if (((in_button_ && !hidden_) || (!hidden_ && !stopped_ && !in_closed)) &&
      what != role::hidden && !not_drawn(attrs))
    drawn = !styles_.open(name, attrs);
  else
    styles_.skip();
  if (in_button_ && !hidden_) {
    f.shows = drawn;  // the text of what a button draws is its label
    if (f.shows) f.what = role::inline_text;
  } else if (drawn) {
    f.shows = true;
    f.closed_details = strcmp(name, "details") == 0 && !raw_value(attrs, "open");
    start_shown(name, m, p, &f);
  }
  if (!f.shows) hidden_++;
  frames_.push_back(f);
}

void web_page_reader::end(const char*) {
  if (frames_.empty()) return;
  open_frame f = frames_.back();
  frames_.pop_back();
  styles_.close();
  if (f.foreign) foreign_--;
  if (f.svg) svg_--;
  if (f.svg_text) svg_text_--;
  if (in_style_ && f.what == role::hidden) {
    in_style_ = false;
    styles_.apply(style_);
    style_.clear();
  }
  if (in_title_ && f.what == role::hidden) {
    in_title_ = false;
    have_title_ = true;
  }
  if (!f.shows) {
    hidden_--;
    return;
  }
  if (stopped_) return;
  switch (f.what) {
    case role::list:
      if (!lists_.empty()) lists_.pop_back();
      block_edge();
      break;
    case role::preformatted:
      pre_--;
      block_edge();
      break;
    case role::button:
      if (--in_button_ == 0) {
        pairs p = {{"TYPE", "submit"}, {"VALUE", cp1252(collapsed(button_))}};
        if (const std::string* n = value_of(button_attrs_, "name"))
          p.emplace_back("NAME", cp1252(*n));
        settle_inline();
        if (put_element("INPUT", p)) content_written();
      }
      break;
    default:
      break;
  }
  if (f.encoded) {
    if (!open_.empty()) open_.pop_back();
    set_room();
    put_end();
  }
  if (f.what == role::block || f.what == role::encoded_block || f.what == role::bold_line ||
      f.what == role::list_item || f.what == role::term || f.what == role::definition)
    block_edge();
}

std::vector<std::string> web_page_reader::finish() {
  // Elements the parser left open at the end of the text are closed here.
  while (!frames_.empty()) end("");
  if (!started_) {
    settle();  // an empty page still gets its record
  }
  if (!stopped_) {
    open_.clear();
    end_part(true);
  }
  if (dropped_)
    message("%s: %zu element%s too large for a record, left out", url_, dropped_,
            dropped_ == 1 ? "" : "s");
  if (charset_.unknown)
    message("%s: %zu character%s not in Windows-1252, shown as '?'", url_, charset_.unknown,
            charset_.unknown == 1 ? "" : "s");
  if (stopped_)
    message("%s: database full, cut after part %zu", url_, records_.size());
  else if (records_.size() > 1)
    message("%s: in %zu parts", url_, records_.size());
  return std::move(records_);
}
