// Turns the bit-coded markup of a page record back into HTML text. Closing
// texts of open elements wait on one program-wide stack, popped by code 0.
#pragma once

#include <cstdio>

#include "bit_reader.h"

struct asciiz_t {
  asciiz_t* next;      // the node below
  const char* string;  // a constant closing text, never freed
};
typedef asciiz_t asciiz_stack;

extern asciiz_stack* stack_top;

// Nested strings deeper than this end the page, as if its data ended there.
constexpr int kMaxStringDepth = 32;
// Pushes beyond this many waiting texts fail like pushes without memory.
constexpr int kMaxStackDepth = 100000;

int stack_push(const char* string);  // 0, or -1 when the text is not pushed
const char* stack_pop();             // the top text, or null when empty
void stack_clear();                  // empties the stack (a fresh run)

// Writes the whole page held by the n bytes at buf to out.
void dump_compressed(const unsigned char* buf, int n, FILE* out);
