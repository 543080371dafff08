// The -w reader inside: the handler of the parser's events, which turns what
// a browser shows into records. Its methods are in two files: the reading of
// the events (page_events.cc) and the writing of parts (part_writer.cc).
#pragma once

#include <cstddef>
#include <set>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "markup/attributes.h"
#include "record_writer.h"
#include "web/charset.h"
#include "web/element_table.h"
#include "web/html_parser.h"
#include "web/site_paths.h"
#include "web/style_match.h"

// Encoded elements open deeper than this are read as their content alone,
// so that the end codes a part must write stay few.
constexpr size_t kMaxOpenElements = 48;
constexpr size_t kMaxListIndent = 8;  // levels of a nested list item's indent

// Bytes a part keeps for its ending: a line break, the link to the next part
// (01 11 00 04 and the position), "More »", its end code, the end of page
// and a pad byte; plus one end code for every open element.
constexpr char kMoreText[] = "More \xBB";
constexpr size_t kPartEnding = 1 + 6 + sizeof kMoreText - 1 + 1 + 2 + 1;

// The attributes handed to the encoder: a list of pairs over strings that
// live as long as the list.
class attribute_pairs {
 public:
  explicit attribute_pairs(const pairs& p) : strings_(p) {
    nodes_.resize(strings_.size());
    for (size_t i = 0; i < strings_.size(); i++)
      nodes_[i] = attribute{&strings_[i].first[0], &strings_[i].second[0],
                            i + 1 < strings_.size() ? &nodes_[i + 1] : nullptr};
  }
  attribute* list() { return nodes_.empty() ? nullptr : &nodes_[0]; }

 private:
  pairs strings_;
  std::vector<attribute> nodes_;
};

struct open_list {
  bool numbered;  // an <ol>; the others show bullets
  int next;       // the next item's number
};

struct open_frame {
  role what;
  bool shows;           // the element and its content are shown
  bool encoded;         // an end code follows its content
  bool closed_details;  // a <details> without "open": only its <summary> is shown
  bool foreign;         // <svg> or <math>: a <title> in it is not the page's
  bool svg;             // an <svg>: only its <text> elements show text
  bool svg_text;        // a <text> of an <svg>
};

class web_page_reader : public html_handler {
 public:
  web_page_reader(const char* url) : url_(url), base_(base_of(url)) {}

  void start(const char* name, const char* const* attrs) override;
  void end(const char* name) override;
  void text(const char* utf8, size_t n) override;
  std::vector<std::string> finish();

 private:
  // Output, through the record of the part being written.
  void begin_part();
  void end_part(bool last);
  void next_part();
  void set_room();
  bool put_element(const char* code, const pairs& attrs);
  bool fits_new_part(const char* code, const pairs& attrs) const;
  // The record URL of a part: the page's own, then "URL~2", "URL~3" ...;
  // one a file of the site or a queued record already has is passed over for
  // "URL~2~2", "URL~2~3" ..., so a part never takes a file's place.
  const std::string& part_name(int part) const;
  void put_end();
  void put_text(const std::string& bytes);
  void put_break();
  void start_page();     // the first record, with the title as it stands then
  void settle();         // writes the break that waits for the next content
  void settle_inline();  // and the space: it stands before an inline element, not in it
  void content_written();

  void block_edge() { want_break_ = true; }
  void shown_text(const char* utf8, size_t n);
  void pre_text(const char* utf8, size_t n);
  void open_element(const char* code, const pairs& attrs, open_frame* f, bool block = false);
  void start_shown(const char* name, const mapping* m, const pairs& attrs, open_frame* f);
  void start_link(const pairs& attrs, open_frame* f);
  void start_image(const pairs& attrs);
  void start_input(const pairs& attrs);
  void start_frame(const pairs& attrs);
  void link_style_sheet(const char* const* attrs);
  std::string cp1252(const std::string& utf8) { return charset_.convert(utf8); }

  const char* url_;
  page_base base_;
  cp1252_text charset_;
  std::vector<open_frame> frames_;
  int hidden_ = 0;          // open elements not shown
  int pre_ = 0;             // open preformatted elements
  bool pre_fresh_ = false;  // right after a <pre>: its first line break is not shown
  unsigned column_ = 0;     // in preformatted text, for TAB stops
  std::string title_;       // UTF-8
  bool in_title_ = false, have_title_ = false;
  int foreign_ = 0;     // open <svg> and <math> elements
  int svg_ = 0;         // open <svg> elements
  int svg_text_ = 0;    // open <text> elements in them
  std::string button_;  // the text of the open <button>, UTF-8
  int in_button_ = 0;
  pairs button_attrs_;
  std::vector<open_list> lists_;
  style_match styles_;                   // what the page's style sheets do not display
  std::set<std::string> linked_sheets_;  // each applied once
  std::string style_;                    // the text of the open <style>
  bool in_style_ = false;

  // The part being written.
  bool started_ = false;
  int part_ = 0;
  mutable std::map<int, std::string> part_names_;  // chosen once, as asked
  std::vector<std::string> records_;
  record_writer w_{};
  size_t data_offset_ = 0, limit_ = 0;
  std::string part_title_;                           // Windows-1252
  std::vector<std::pair<std::string, pairs>> open_;  // encoded elements awaiting their end code
  bool line_start_ = true, want_break_ = false, want_space_ = false;
  bool after_space_ = false;  // the last thing written is a space: white space adds none
  bool stopped_ = false;      // the queue is full: the rest of the page is left out
  size_t dropped_ = 0;
};
