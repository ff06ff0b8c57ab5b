// The pattern's geometry, colours and payload encoding, shared by its writer and its reader.
// Internal to the pattern; functions only, any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::pattern {

inline constexpr int kGridColumns = 16;
inline constexpr int kGridRows = 13;
inline constexpr int kPayloadBytes = kGridColumns * kGridRows / 8;  // 26
inline constexpr uint8_t kMagic = 0xA5;
inline constexpr uint8_t kVersion = 1;

struct Rgb {
  uint8_t r, g, b;
};

inline constexpr Rgb kBackground{128, 128, 128};
inline constexpr Rgb kRing{255, 0, 255};
inline constexpr Rgb kOneBit{0, 0, 0};
inline constexpr Rgb kZeroBit{255, 255, 255};
inline constexpr Rgb kMovingBar{255, 140, 0};
inline constexpr Rgb kTopLeftMark{255, 0, 0};
inline constexpr Rgb kTopRightMark{0, 255, 0};
inline constexpr Rgb kBottomLeftMark{0, 0, 255};
inline constexpr Rgb kBottomRightMark{255, 255, 0};

// Where the data block lies in a picture of width x height: the ring is one cell wide around the
// grid; the whole block is about 40% of the picture in each direction.
struct BlockGeometry {
  int cellWidth;
  int cellHeight;
  int left;  // of the ring
  int top;
  int ringWidth() const { return (kGridColumns + 2) * cellWidth; }
  int ringHeight() const { return (kGridRows + 2) * cellHeight; }
};

BlockGeometry BlockFor(int width, int height);
int CornerMarkSize(int width, int height);

using PayloadBytes = std::array<uint8_t, kPayloadBytes>;

// The payload with magic, version and a CRC-16 (CCITT) over everything before it.
PayloadBytes PackPayload(const PatternPayload& payload);
// False when the magic, version, checksum or padding is wrong.
bool UnpackPayload(const PayloadBytes& bytes, PatternPayload& payload);

// Bit `index` (0 = most significant bit of byte 0) is the cell at column index % 16, row index / 16.
inline bool PayloadBit(const PayloadBytes& bytes, int index) {
  return (bytes[index / 8] >> (7 - index % 8)) & 1;
}

// BT.601 studio-range conversions of the pattern's colours.
struct Yuv {
  uint8_t y, u, v;
};
Yuv ToYuv(Rgb colour);
Rgb ToRgb(int y, int u, int v);

}  // namespace orvane::pattern
