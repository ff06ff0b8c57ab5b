// The per-pixel arithmetic of the four conversions, written once: BT.601 studio range in 16.16 fixed
// point. The reference row kernels and the reference YUY2 rotation are built from these functions, and
// every vector kernel must produce exactly the bytes they produce. Part of the frame library's public
// interface (unlike the kernel tables): the virtual camera's picture pipeline takes its YUV to RGB
// arithmetic from here, so that both sides of the device turn the same bytes into the same colours.
#pragma once

#include <cstdint>

namespace orvane::formulas {

inline uint8_t Clamp255(int32_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// 76284 * (Y - 16) + 32768: the final arithmetic shift by 16 then rounds to nearest.
inline int32_t LumaTerm(int32_t y) { return 76284 * y - 1187776; }

// One pixel of 4:2:2: the chroma byte C1 drives the first output byte, C2 the third.
inline void Yuv422Pixel(int32_t y, int32_t c1Byte, int32_t c2Byte, uint8_t* out) {
  const int32_t t = LumaTerm(y);
  const int32_t c1 = c1Byte - 128;
  const int32_t c2 = c2Byte - 128;
  out[0] = Clamp255((t + 104595 * c1) >> 16);
  out[1] = Clamp255((t - 53281 * c1 - 25690 * c2) >> 16);
  out[2] = Clamp255((t + 132186 * c2) >> 16);
}

// One pixel of NV12, giving blue, green, red in memory order.
inline void Nv12Pixel(int32_t y, int32_t uByte, int32_t vByte, uint8_t* out) {
  const int32_t t = LumaTerm(y);
  const int32_t u = uByte - 128;
  const int32_t v = vByte - 128;
  out[0] = Clamp255((t + 132186 * u) >> 16);
  out[1] = Clamp255((t - 25690 * u - 53281 * v) >> 16);
  out[2] = Clamp255((t + 104595 * v) >> 16);
}

// Decodes pixel x of a 4:2:2 row of `width` pixels with `kPixel`, which gets the pixel's Y and the
// pair's first and second chroma bytes. A last odd pixel owns only Y and the first chroma byte and
// borrows the second from the pair before it (its own first when it is alone in the row).
template <void (*kPixel)(int32_t, int32_t, int32_t, uint8_t*)>
inline void Decode422RowPixel(const uint8_t* row, int32_t x, int32_t width, uint8_t* out) {
  const uint8_t* pair = row + 4 * static_cast<int64_t>(x >> 1);
  if ((width & 1) != 0 && x == width - 1) {
    kPixel(pair[0], pair[1], width == 1 ? pair[1] : pair[-1], out);
  } else {
    kPixel(pair[(x & 1) * 2], pair[1], pair[3], out);
  }
}

// 4:2:2 in the frame path's roles (C1 drives the first output byte).
inline void Yuy2RowPixel(const uint8_t* row, int32_t x, int32_t width, uint8_t* out) {
  Decode422RowPixel<Yuv422Pixel>(row, x, width, out);
}

// YUY2 in DirectShow's order (Y0, U, Y1, V) into blue, green, red with NV12's arithmetic.
inline void Yuy2BgrRowPixel(const uint8_t* row, int32_t x, int32_t width, uint8_t* out) {
  Decode422RowPixel<Nv12Pixel>(row, x, width, out);
}

// Encodes two 3-byte pixels as Y0, C1, Y1, C2. Every intermediate is non-negative (the shifts are
// unsigned) and every result lies in 16..240, so the clamps never bite; they stay for the record.
inline void EncodeYuy2Pair(const uint8_t* p, const uint8_t* q, uint8_t* out) {
  const uint32_t s0 = uint32_t{p[0]} + q[0];
  const uint32_t s1 = uint32_t{p[1]} + q[1];
  const uint32_t s2 = uint32_t{p[2]} + q[2];
  const uint32_t y0 = (16843u * p[0] + 33030u * p[1] + 6423u * p[2] + 0x108000u) >> 16;
  const uint32_t y1 = (16843u * q[0] + 33030u * q[1] + 6423u * q[2] + 0x100000u) >> 16;
  const uint32_t c1 = (28770u * s0 - 24117u * s1 - 4653u * s2 + 0x1010000u) >> 17;
  const uint32_t c2 = (28770u * s2 - 9699u * s0 - 19071u * s1 + 0x1010000u) >> 17;
  out[0] = Clamp255(static_cast<int32_t>(y0));
  out[1] = Clamp255(static_cast<int32_t>(c1));
  out[2] = Clamp255(static_cast<int32_t>(y1));
  out[3] = Clamp255(static_cast<int32_t>(c2));
}

// The last pixel of an odd-width row: two bytes, Y and a full-resolution C1.
inline void EncodeYuy2Single(const uint8_t* p, uint8_t* out) {
  const uint32_t y = (16843u * p[0] + 33030u * p[1] + 6423u * p[2] + 0x108000u) >> 16;
  const uint32_t c1 = (28770u * p[0] - 24117u * p[1] - 4653u * p[2] + 0x808000u) >> 16;
  out[0] = Clamp255(static_cast<int32_t>(y));
  out[1] = Clamp255(static_cast<int32_t>(c1));
}

}  // namespace orvane::formulas
