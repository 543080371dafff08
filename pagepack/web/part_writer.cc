// The writing of parts: the record of the part being written, what fits in
// it, and the link "More »" from a full part to the next.
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "common/byte_markup.h"
#include "common/pqa_record.h"
#include "common/tag_codes.h"
#include "html_text.h"
#include "markup/tag_encoder.h"
#include "record_queue.h"
#include "web/page_reader.h"

// Whether `name` is a file of the site (whatever its kind) or a queued record.
// A placeholder (--gap=NAME) queued after the page being read is kept for
// the part of its name: so a rebuilt database gives each part its unique ID.
static bool name_taken(const std::string& name) {
  struct stat st;
  const int at = queued_position(name.c_str());
  const bool kept = at > compiling_position && record_stack[at].placeholder;
  return (at >= 0 && !kept) || lstat(name.c_str(), &st) == 0;
}

const std::string& web_page_reader::part_name(int part) const {
  auto known = part_names_.find(part);
  if (known != part_names_.end()) return known->second;
  std::string name = url_;
  if (part > 1) {
    std::string plain = name + "~" + std::to_string(part);
    name = plain;
    for (int k = 2; name_taken(name) && k < 1000; k++) name = plain + "~" + std::to_string(k);
  }
  return part_names_.emplace(part, name).first->second;
}

void web_page_reader::set_room() {
  size_t reserve = kPartEnding + open_.size();
  w_.end = limit_ > data_offset_ + reserve ? limit_ - reserve : data_offset_;
}

void web_page_reader::begin_part() {
  part_++;
  int offset = begin_record(part_name(part_).c_str(), kContentPage);
  data_offset_ = static_cast<size_t>(offset);
  limit_ = data_offset_ + record_data_room(data_offset_ - kPqaHeaderSize);
  w_ = make_writer(RecordBuffer, data_offset_, limit_);
  // The title field, cut to a quarter of the room at most.
  std::string title =
      part_title_.substr(0, std::min(part_title_.size(), (limit_ - data_offset_) / 4));
  put_bytes(&w_, title.data(), title.size());
  if (title.size() & 1) put_byte(&w_, 0);
  put_byte(&w_, 0);
  std::vector<std::pair<std::string, pairs>> reopen;
  reopen.swap(open_);
  set_room();
  for (const auto& e : reopen) {
    attribute_pairs a(e.second);
    if (encode_element(&w_, e.first.c_str(), a.list()) == 0) open_.push_back(e);
    set_room();
  }
  line_start_ = true;
  want_break_ = false;
}

void web_page_reader::end_part(bool last) {
  w_.end = limit_;
  w_.full = false;
  for (size_t i = open_.size(); i-- > 0;) encode_end(&w_);
  if (!last) {
    std::string next = part_name(part_ + 1);
    if (find_or_queue_record(next.c_str(), kContentPage) < 0) {
      stopped_ = true;
    } else {
      put_byte(&w_, kLineBreak);
      pairs href = {{"HREF", next}};
      attribute_pairs a(href);
      encode_element(&w_, "A", a.list());
      put_bytes(&w_, kMoreText, sizeof kMoreText - 1);
      encode_end(&w_);
    }
  }
  put_byte(&w_, kTagStart);
  put_byte(&w_, TAG_END_OF_PAGE);
  if ((w_.pos - data_offset_) & 1) put_byte(&w_, 0);
  size_t size = finish_record(w_.pos - data_offset_);
  records_.emplace_back(reinterpret_cast<const char*>(RecordBuffer), size);
}

void web_page_reader::next_part() {
  end_part(false);
  if (!stopped_) begin_part();
}

// The first content of the page starts its first record, with the title as
// it stands then: the file's name when no <title> came before.
void web_page_reader::start_page() {
  if (started_) return;
  started_ = true;
  part_title_ = cp1252(have_title_ ? collapsed(title_) : std::string(url_));
  begin_part();
}

void web_page_reader::settle() {
  start_page();
  if (want_break_ && !line_start_) put_break();
  want_break_ = false;
}

void web_page_reader::settle_inline() {
  settle();
  if (want_space_ && !line_start_ && !after_space_) put_text(" ");
  want_space_ = false;
}

// An image or a control: a space may follow it.
void web_page_reader::content_written() {
  line_start_ = false;
  after_space_ = false;
}

void web_page_reader::put_break() {
  start_page();
  if (stopped_) return;
  if (!put_byte(&w_, kLineBreak)) {
    next_part();
    if (stopped_) return;
  }
  line_start_ = true;
  want_space_ = false;
}

// Whether the element fits the next part, after its title and the open
// elements that part opens again. Tried aside, queuing nothing, so that an
// element too large for any part does not end the part it stands in.
bool web_page_reader::fits_new_part(const char* code, const pairs& attrs) const {
  static unsigned char scratch[kRecordBufferSize];
  size_t data_room = record_data_room(url_field_length(part_name(part_ + 1).c_str()));
  size_t title = std::min(part_title_.size(), data_room / 4);
  size_t room = data_room - title - (title & 1) - 1 - kPartEnding - open_.size();
  record_writer trial = make_writer(scratch, 0, std::min(room, sizeof scratch));
  queue_references = false;
  bool fits = true;
  for (const auto& e : open_) {
    attribute_pairs a(e.second);
    fits = fits && encode_element(&trial, e.first.c_str(), a.list()) == 0;
  }
  attribute_pairs b(attrs);
  fits = fits && encode_element(&trial, code, b.list()) == 0;
  queue_references = true;
  return fits;
}

bool web_page_reader::put_element(const char* code, const pairs& attrs) {
  start_page();  // a hidden input may come before anything shown
  if (stopped_) return false;
  attribute_pairs a(attrs);
  if (encode_element(&w_, code, a.list()) == 0) return true;
  if (!w_.full) return false;  // refused, not cut
  w_.full = false;
  if (!fits_new_part(code, attrs)) {
    dropped_++;
    return false;
  }
  next_part();
  if (stopped_) return false;
  attribute_pairs c(attrs);
  return encode_element(&w_, code, c.list()) == 0;
}

// The room of the part kept a byte for every open element's end code.
void web_page_reader::put_end() {
  if (!stopped_) encode_end(&w_);
}

// Text bytes, cut at a space where a part ends; a word longer than a
// whole part is cut where the part is full.
void web_page_reader::put_text(const std::string& bytes) {
  start_page();
  size_t at = 0;
  bool broke = false;
  while (at < bytes.size() && !stopped_) {
    size_t room = room_left(&w_), n = bytes.size() - at;
    if (n > room) {
      size_t space = bytes.rfind(' ', at + room);
      n = space != std::string::npos && space >= at ? space - at : broke ? room : 0;
    }
    put_bytes(&w_, bytes.data() + at, n);
    at += n;
    if (at < bytes.size()) {
      next_part();
      broke = true;
      while (at < bytes.size() && bytes[at] == ' ') at++;
    }
  }
  if (!bytes.empty()) {
    line_start_ = false;
    after_space_ = bytes.back() == ' ';
  }
}
