// The Palm bitmap (version 1, 1 or 2 bits per pixel) shared by the icons of the
// application-info block and the image records: header layout and flags.
#pragma once

#include <cstdint>

// bitmap_header: 16 bytes, big-endian, at these offsets.
enum BitmapHeaderOffset {
  kBmpWidth = 0,        // 16-bit
  kBmpHeight = 2,       // 16-bit
  kBmpRowBytes = 4,     // 16-bit, always even
  kBmpFlags = 6,        // 16-bit
  kBmpPixelSize = 8,    // 8-bit: 1 or 2
  kBmpVersion = 9,      // 8-bit
  kBmpReserved = 10,    // 6 bytes
  kBitmapHeaderSize = 16,
};

constexpr uint16_t kBmpFlagCompressed = 0x8000;  // scan-line compressed pixel data
constexpr uint8_t kBmpVersionWritten = 1;

// 2-bit pixel values and the 8-bit samples the inspector exports them as.
constexpr uint8_t kGreySample[4] = {255, 160, 84, 0};
