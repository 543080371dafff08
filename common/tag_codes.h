// Element numbers shared by the byte-coded markup pagepack writes and the
// bit-coded markup pageprobe reads.
#pragma once

#include <cstdint>

enum TagCode : uint8_t {
  TAG_ANCHOR_NAME = 0x00,
  TAG_FONT_SIZE = 0x04,
  TAG_BOLD = 0x05,
  TAG_ITALIC = 0x06,
  TAG_PARAGRAPH = 0x08,
  TAG_HRULE = 0x09,
  TAG_H1 = 0x0A,
  TAG_H2 = 0x0B,
  TAG_H3 = 0x0C,
  TAG_H4 = 0x0D,
  TAG_H5 = 0x0E,
  TAG_H6 = 0x0F,
  TAG_LINK = 0x11,
  TAG_BLOCKQUOTE = 0x18,
  TAG_FORM = 0x21,
  TAG_INPUT_TEXT = 0x22,
  TAG_INPUT_PASSWORD = 0x23,
  TAG_INPUT_CHECKBOX = 0x25,
  TAG_INPUT_SUBMIT = 0x26,
  TAG_INPUT_RESET = 0x27,
  TAG_INPUT_HIDDEN = 0x28,
  TAG_SELECT = 0x2A,
  TAG_OPTION = 0x2B,
  TAG_OPTION_ATTRS = 0x2C,
  TAG_TABLE = 0x2F,
  TAG_TABLE_ROW = 0x30,
  TAG_TABLE_CAPTION = 0x31,
  TAG_TABLE_DATA = 0x32,
  TAG_TABLE_HEADER = 0x33,
  TAG_IMAGE = 0x34,
  TAG_TEXT_RUN = 0x70,
  TAG_END_OF_PAGE = 0x71,
};

// In the byte-coded form every element starts with this byte, then its code.
constexpr uint8_t kTagStart = 0x01;

// Byte-coded markup only: the end of any element, and a line break (no start byte).
constexpr uint8_t kTagEnd = 0x00;
constexpr uint8_t kLineBreak = 0x0D;
