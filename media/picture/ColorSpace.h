// BT.601 studio-range colour conversions of the virtual camera, in 16.16 fixed point: YUV to blue,
// green, red for RGB clients, and RGB to YUV for YUY2 and NV12 clients. Unlike the renderer's 4:2:2
// conversions (whose chroma roles are chosen for a lossless rotation round trip), these follow the
// DirectShow byte order: YUY2 is Y0, U, Y1, V and U is the blue difference. Any thread may call them.
#pragma once

#include <cstdint>

#include "media/frame/ConvertFormulas.h"

namespace orvane::picture {

using formulas::Clamp255;

// Writes blue, green, red: the same arithmetic as the frame path's NV12 conversion, whose chroma
// bytes are U, V in DirectShow's order.
inline void YuvToBgr(int32_t y, int32_t u, int32_t v, uint8_t* bgr) { formulas::Nv12Pixel(y, u, v, bgr); }

inline uint8_t LumaOf(int32_t b, int32_t g, int32_t r) {
  return static_cast<uint8_t>((16843 * r + 33030 * g + 6423 * b + 0x108000) >> 16);
}

// Chroma of the sum of `n` pixels (n = 1, 2 or 4): the rounded mean's blue and red differences.
inline void ChromaOfSum(int32_t b, int32_t g, int32_t r, int32_t n, uint8_t& u, uint8_t& v) {
  // The offset of 128.5 keeps every numerator positive, so the division rounds to nearest.
  const int32_t offset = 0x808000 * n;
  u = Clamp255((28770 * b - 19071 * g - 9699 * r + offset) / (65536 * n));
  v = Clamp255((28770 * r - 24117 * g - 4653 * b + offset) / (65536 * n));
}

}  // namespace orvane::picture
