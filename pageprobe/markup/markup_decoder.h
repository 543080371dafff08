// Turns the bit-coded markup of a page record back into HTML text. Closing
// texts of open elements wait on a stack, popped by code 0: for the listing
// one program-wide stack.
#pragma once

#include <cstdio>
#include <string>

#include "markup/bit_reader.h"

struct asciiz_t {
  asciiz_t* next;      // the node below
  const char* string;  // a constant closing text, never freed
};
typedef asciiz_t asciiz_stack;

// Nested strings deeper than this end the page, as if its data ended there.
constexpr int kMaxStringDepth = 32;
// Pushes beyond this many waiting texts fail like pushes without memory.
constexpr int kMaxStackDepth = 100000;

// The closing texts of the open elements, waiting for the code 0 that pops
// the last one pushed.
class closing_texts {
 public:
  closing_texts() = default;
  closing_texts(const closing_texts&) = delete;
  closing_texts& operator=(const closing_texts&) = delete;
  ~closing_texts() { clear(); }

  int push(const char* string);  // 0, or -1 when the text is not pushed
  const char* pop();             // the top text, or null when empty
  void clear();

 private:
  asciiz_stack* top_ = nullptr;
  int depth_ = 0;
};

// The listing's texts: the elements a page leaves open close in the pages
// after it, as they always have.
extern closing_texts listing_texts;
int stack_push(const char* string);  // on listing_texts
const char* stack_pop();
void stack_clear();

// A page written for pagepack to read (pageprobe -s): text stays text ('<'
// and '>' as &lt; and &gt;), an attribute value stays one value (cut at a
// blank, '"', '<' or '>'), and a link target or image source that the check
// refuses is left out.
typedef bool (*page_name_check)(const std::string& name, bool link);

// Writes the whole page held by the n bytes at buf to out, with the closing
// texts in texts; with check, as a page for pagepack.
void decode_bit_coded(const unsigned char* buf, int n, FILE* out, closing_texts* texts,
                      page_name_check check = nullptr);

// The listing's reading of a page: a hex dump of it first under -v, then the
// page, with listing_texts.
void dump_compressed(const unsigned char* buf, int n, FILE* out, page_name_check check = nullptr);
