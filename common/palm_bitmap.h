// The Palm bitmap shared by the icons of the application-info block and the
// image records: header layout, flags, the fields of versions 1 and 2, and the
// compression types.
#pragma once

#include <cstddef>
#include <cstdint>

// bitmap_header: 16 bytes, big-endian, at these offsets.
enum BitmapHeaderOffset {
  kBmpWidth = 0,        // 16-bit
  kBmpHeight = 2,       // 16-bit
  kBmpRowBytes = 4,     // 16-bit, always even
  kBmpFlags = 6,        // 16-bit
  kBmpPixelSize = 8,    // 8-bit: 1, 2, 4, 8 or 16
  kBmpVersion = 9,      // 8-bit
  kBmpReserved = 10,    // 6 bytes in version 0
  kBitmapHeaderSize = 16,
};

// What versions 1 and 2 keep in the six bytes after the version.
enum BitmapV2Offset {
  kBmpNextDepthOffset = 10,   // 16-bit: the next rendition, in 4-byte words from this one's start
  kBmpTransparentIndex = 12,  // 8-bit, version 2
  kBmpCompressionType = 13,   // 8-bit, version 2
};

constexpr uint16_t kBmpFlagCompressed = 0x8000;  // pixel data is compressed
constexpr uint16_t kBmpFlagColourTable = 0x4000;
constexpr uint16_t kBmpFlagDirectColour = 0x0400;
// Width and height are signed 16-bit on the handheld (and to netpbm).
constexpr unsigned long kMaxBitmapSide = 0x7FFF;

// pagepack reads a greymap with maximum value 255 (the form pageprobe -s
// writes) a padded row at a time through a buffer of this many pixels.
constexpr size_t kRowBufferSize = 1024;

constexpr uint8_t kBmpVersionWritten = 1;     // uncompressed 1, 2 and 8 bits a pixel
constexpr uint8_t kBmpVersionCompressed = 2;  // compression types and direct colour

// The compression type byte of version 2 and 3. Versions 0 and 1 know only
// scan-line compression and put no size word in front of the stream; version
// 2 puts a 16-bit size word there that counts itself and the stream.
enum BitmapCompression : uint8_t {
  kBmpScanLine = 0,
  kBmpRle = 1,
  kBmpPackBits = 2,
  kBmpNoCompression = 0xFF,
};
constexpr unsigned kBmpSizeWordV2 = 2;

// In front of the pixels of a 16-bit direct-colour bitmap of version 1 or 2:
// the bits of red, green and blue (5, 6, 5), a reserved byte, and the
// transparent colour as index, red, green, blue.
constexpr unsigned kBmpDirectInfoSize = 8;

// 2-bit pixel values and the 8-bit samples the inspector exports them as.
constexpr uint8_t kGreySample[4] = {255, 160, 84, 0};
