// SSSE3 kernels, compiled with -mssse3 only here. Bit-exact with the reference through the shared
// arithmetic of YuvVectorMath.h; pshufb moves bytes between 3-byte pixels and the layouts it wants.
// Whole blocks only: what is left of a row, or the strips beside the tiles of a transpose, goes to the
// reference. Everything but the exported table has internal linkage (see KernelsAvx512.cpp).
#include <tmmintrin.h>

#include <cstring>

#include "media/frame/FrameKernels.h"
#include "media/frame/LaneTranspose.h"
#include "media/frame/YuvVectorMath.h"

namespace orvane {
namespace {

struct Ops {
  using V = __m128i;
  static V Set16(int16_t value) { return _mm_set1_epi16(value); }
  static V Set32(int32_t value) { return _mm_set1_epi32(value); }
  static V Set64(int64_t value) { return _mm_set1_epi64x(value); }
  static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
  static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V Madd(V a, V b) { return _mm_madd_epi16(a, b); }
  static V Hadd32(V a, V b) { return _mm_hadd_epi32(a, b); }
  static V Packs32(V a, V b) { return _mm_packs_epi32(a, b); }
  static V Packus16(V a, V b) { return _mm_packus_epi16(a, b); }
  static V Unpacklo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
  static V Unpackhi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
  static V Unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
  static V Unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
  static V Unpacklo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
  static V Unpackhi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
  static V Unpacklo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }
  static V Unpackhi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }
  static V DuplicateP1(V pixels) {
    return _mm_shuffle_epi8(pixels, _mm_setr_epi8(1, -1, 1, -1, 5, -1, 5, -1, 9, -1, 9, -1, 13, -1, 13, -1));
  }
  template <int kBits> static V Slli32(V v) { return _mm_slli_epi32(v, kBits); }
  template <int kBits> static V Srli32(V v) { return _mm_srli_epi32(v, kBits); }
  template <int kBits> static V Srai32(V v) { return _mm_srai_epi32(v, kBits); }
  template <int kBits> static V Srli16(V v) { return _mm_srli_epi16(v, kBits); }
};
using Decoded = yuv_math::Decoded<Ops>;

// ---- shuffle tables ----------------------------------------------------------------------------

struct alignas(16) Shuffle {
  int8_t at[16];
};
__m128i Load(const Shuffle& shuffle) { return _mm_load_si128(reinterpret_cast<const __m128i*>(shuffle.at)); }

// Bytes [16 * part, 16 * part + 16) of the 24 that four decoded pairs make as 3-byte pixels, taken
// from register x (fromY false) or y; -1 gives zero, so the two shuffles can be ORed.
constexpr Shuffle DecodedToRgb24(int part, bool fromY) {
  Shuffle shuffle{};
  for (int k = 0; k < 16; ++k) {
    const int byte = 16 * part + k;
    const int source = byte < 24 ? yuv_math::DecodedLaneByte(byte / 6, byte % 6) : -1;
    const bool inY = source >= 16;
    shuffle.at[k] = static_cast<int8_t>(source < 0 || inY != fromY ? -1 : source - (inY ? 16 : 0));
  }
  return shuffle;
}
// Pixels [4 * part, 4 * part + 4) of the eight as B, G, R, 0.
constexpr Shuffle DecodedToBgrx(int part, bool fromY) {
  Shuffle shuffle{};
  for (int k = 0; k < 16; ++k) {
    const int pixel = 4 * part + k / 4, channel = k % 4;
    const int source = channel == 3 ? -1 : yuv_math::DecodedLaneByte(pixel / 2, 3 * (pixel % 2) + channel);
    const bool inY = source >= 16;
    shuffle.at[k] = static_cast<int8_t>(source < 0 || inY != fromY ? -1 : source - (inY ? 16 : 0));
  }
  return shuffle;
}
// Four 3-byte pixels starting at byte `offset` to B, G, R, X (X = the next pixel's first byte or 0).
constexpr Shuffle Rgb24ToBgrx(int offset) {
  Shuffle shuffle{};
  for (int k = 0; k < 16; ++k) shuffle.at[k] = static_cast<int8_t>(k % 4 == 3 ? -1 : offset + 3 * (k / 4) + k % 4);
  return shuffle;
}
// Four B, G, R, X pixels to twelve bytes at the bottom of the register.
constexpr Shuffle BgrxToRgb24() {
  Shuffle shuffle{};
  for (int k = 0; k < 16; ++k) shuffle.at[k] = static_cast<int8_t>(k < 12 ? 4 * (k / 3) + k % 3 : -1);
  return shuffle;
}

constexpr Shuffle kRgb24FromX0 = DecodedToRgb24(0, false), kRgb24FromY0 = DecodedToRgb24(0, true);
constexpr Shuffle kRgb24FromX1 = DecodedToRgb24(1, false), kRgb24FromY1 = DecodedToRgb24(1, true);
constexpr Shuffle kBgrxFromX0 = DecodedToBgrx(0, false), kBgrxFromY0 = DecodedToBgrx(0, true);
constexpr Shuffle kBgrxFromX1 = DecodedToBgrx(1, false), kBgrxFromY1 = DecodedToBgrx(1, true);
constexpr Shuffle kExpand = Rgb24ToBgrx(0);
constexpr Shuffle kCompact = BgrxToRgb24();

__m128i Pick(const Decoded& d, const Shuffle& fromX, const Shuffle& fromY) {
  return _mm_or_si128(_mm_shuffle_epi8(d.x, Load(fromX)), _mm_shuffle_epi8(d.y, Load(fromY)));
}

// Eight pixels (four decoded pairs) as 24 bytes.
void StoreRgb24(uint8_t* dst, const Decoded& d) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), Pick(d, kRgb24FromX0, kRgb24FromY0));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), Pick(d, kRgb24FromX1, kRgb24FromY1));
}

// Sixteen 3-byte pixels (48 bytes, read exactly) as four registers of B, G, R, X.
void LoadRgb24(const uint8_t* src, __m128i out[4]) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
  const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
  const __m128i expand = Load(kExpand);
  out[0] = _mm_shuffle_epi8(a, expand);
  out[1] = _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), expand);
  out[2] = _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), expand);
  out[3] = _mm_shuffle_epi8(_mm_srli_si128(c, 4), expand);
}

// Sixteen B, G, R, X pixels as 48 bytes.
void StoreRgb24(uint8_t* dst, const __m128i in[4]) {
  const __m128i compact = Load(kCompact);
  const __m128i p0 = _mm_shuffle_epi8(in[0], compact), p1 = _mm_shuffle_epi8(in[1], compact);
  const __m128i p2 = _mm_shuffle_epi8(in[2], compact), p3 = _mm_shuffle_epi8(in[3], compact);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
}

// ---- row kernels -------------------------------------------------------------------------------

// A YUY2 row in either chroma order (kDecode).
template <yuv_math::Decoded<Ops> (*kDecode)(Ops::V)>
int DecodeYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int pairs = width / 2;
  int q = 0;
  for (; q + 4 <= pairs; q += 4) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * q));
    StoreRgb24(dst + 6 * q, kDecode(in));
  }
  return 2 * q;
}

int Yuy2ToRgb24Row(const uint8_t* src, uint8_t* dst, int width) {
  return DecodeYuy2Row<yuv_math::DecodeYuy2<Ops>>(src, dst, width);
}
int Yuy2ToBgr24Row(const uint8_t* src, uint8_t* dst, int width) {
  return DecodeYuy2Row<yuv_math::DecodeYuy2Bgr<Ops>>(src, dst, width);
}

int Nv12ToRgb24Rows(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* dst0, uint8_t* dst1,
                    int width) {
  const int pairs = width / 2;
  const __m128i zero = _mm_setzero_si128();
  int q = 0;
  for (; q + 4 <= pairs; q += 4) {
    const __m128i chroma = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(uv + 2 * q)), zero), _mm_set1_epi16(128));
    const yuv_math::ChromaTerms<Ops> terms = yuv_math::Nv12Chroma<Ops>(chroma);
    const __m128i luma0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y0 + 2 * q)), zero);
    const __m128i luma1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y1 + 2 * q)), zero);
    StoreRgb24(dst0 + 6 * q, yuv_math::DecodePairs<Ops>(luma0, terms));
    StoreRgb24(dst1 + 6 * q, yuv_math::DecodePairs<Ops>(luma1, terms));
  }
  return 2 * q;
}

int Rgb24ToYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int evenWidth = width & ~1;
  int x = 0;
  for (; x + 16 <= evenWidth; x += 16) {
    __m128i pixels[4];
    LoadRgb24(src + 3 * x, pixels);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), yuv_math::EncodePixels<Ops>(pixels[0], pixels[1]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x + 16), yuv_math::EncodePixels<Ops>(pixels[2], pixels[3]));
  }
  return x;
}

int Rgb32ToRgb24Row(const uint8_t* src, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i pixels[4];
    for (int i = 0; i < 4; ++i) pixels[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x + 16 * i));
    StoreRgb24(dst + 3 * x, pixels);
  }
  return x;
}

// ---- transposes --------------------------------------------------------------------------------

void Transpose4x4(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3) {
  lane_transpose::Dwords4x4<Ops>(r0, r1, r2, r3);
}

// Twelve bytes, read and written exactly.
__m128i Load12(const uint8_t* src) {
  int32_t last;
  std::memcpy(&last, src + 8, 4);
  return _mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src)),
                      _mm_slli_si128(_mm_cvtsi32_si128(last), 8));
}
void Store12(uint8_t* dst, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), v);
  const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
  std::memcpy(dst + 8, &last, 4);
}

template <int kPixelBytes>
void TransposePixels(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                     int height) {
  const int tiledWidth = width & ~3, tiledHeight = height & ~3;
  for (int y0 = 0; y0 < tiledHeight; y0 += 4) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 4) {
      const uint8_t* in = src + y0 * srcStride + x0 * kPixelBytes;
      __m128i r[4];
      for (int i = 0; i < 4; ++i) {
        r[i] = kPixelBytes == 4 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * srcStride))
                                : _mm_shuffle_epi8(Load12(in + i * srcStride), Load(kExpand));
      }
      Transpose4x4(r[0], r[1], r[2], r[3]);
      uint8_t* out = dst + x0 * dstStride + y0 * kPixelBytes;
      for (int c = 0; c < 4; ++c) {
        if (kPixelBytes == 4) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c * dstStride), r[c]);
        } else {
          Store12(out + c * dstStride, _mm_shuffle_epi8(r[c], Load(kCompact)));
        }
      }
    }
  }
  TransposeEdges(kPixelBytes == 4 ? reference::Transpose32 : reference::Transpose24, kPixelBytes, src, srcStride,
                 dst, dstStride, width, height, tiledWidth, tiledHeight);
}

void Transpose32(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposePixels<4>(src, srcStride, dst, dstStride, width, height);
}
void Transpose24(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposePixels<3>(src, srcStride, dst, dstStride, width, height);
}

// Bytes in 16 x 16 tiles.
void Transpose8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                int height) {
  const int tiledWidth = width & ~15, tiledHeight = height & ~15;
  for (int y0 = 0; y0 < tiledHeight; y0 += 16) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 16) {
      const uint8_t* in = src + y0 * srcStride + x0;
      __m128i r[16], columns[16];
      for (int i = 0; i < 16; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * srcStride));
      lane_transpose::Bytes16x16<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + y0;
      for (int k = 0; k < 16; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k * dstStride), columns[k]);
    }
  }
  TransposeEdges(reference::Transpose8, 1, src, srcStride, dst, dstStride, width, height, tiledWidth, tiledHeight);
}

// 2-byte elements in 8 x 8 tiles.
void Transpose16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  const int tiledWidth = width & ~7, tiledHeight = height & ~7;
  for (int y0 = 0; y0 < tiledHeight; y0 += 8) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 8) {
      const uint8_t* in = src + y0 * srcStride + 2 * x0;
      __m128i r[8], columns[8];
      for (int i = 0; i < 8; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * srcStride));
      lane_transpose::Words8x8<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + 2 * y0;
      for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k * dstStride), columns[k]);
    }
  }
  TransposeEdges(reference::Transpose16, 2, src, srcStride, dst, dstStride, width, height, tiledWidth,
                 tiledHeight);
}

// 4:2:2 in tiles of 8 source rows x 8 source pixels: decode each row to B, G, R, X, transpose as four
// 4 x 4 blocks, encode each destination row.
void TransposeYuy2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                   int height) {
  const int tiledWidth = ((width / 2) & ~3) * 2;  // whole pairs only: an odd last column is the reference's
  const int tiledHeight = height & ~7;
  for (int y0 = 0; y0 < tiledHeight; y0 += 8) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 8) {
      const uint8_t* in = src + y0 * srcStride + 2 * x0;
      __m128i left[8], right[8];  // pixels 0-3 and 4-7 of each source row
      for (int i = 0; i < 8; ++i) {
        const Decoded d = yuv_math::DecodeYuy2<Ops>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * srcStride)));
        left[i] = Pick(d, kBgrxFromX0, kBgrxFromY0);
        right[i] = Pick(d, kBgrxFromX1, kBgrxFromY1);
      }
      Transpose4x4(left[0], left[1], left[2], left[3]);      // destination rows 0-3, pixels 0-3
      Transpose4x4(left[4], left[5], left[6], left[7]);      // destination rows 0-3, pixels 4-7
      Transpose4x4(right[0], right[1], right[2], right[3]);  // destination rows 4-7, pixels 0-3
      Transpose4x4(right[4], right[5], right[6], right[7]);  // destination rows 4-7, pixels 4-7
      uint8_t* out = dst + x0 * dstStride + 2 * y0;
      for (int c = 0; c < 4; ++c) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c * dstStride),
                         yuv_math::EncodePixels<Ops>(left[c], left[4 + c]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (4 + c) * dstStride),
                         yuv_math::EncodePixels<Ops>(right[c], right[4 + c]));
      }
    }
  }
  TransposeYuy2Edges(src, srcStride, dst, dstStride, width, height, tiledWidth, tiledHeight);
}

}  // namespace

const FrameKernels kSsse3Kernels = {
    "ssse3", Yuy2ToRgb24Row, Rgb24ToYuy2Row, Nv12ToRgb24Rows, Rgb32ToRgb24Row,
    Transpose8, Transpose16, Transpose24, Transpose32, TransposeYuy2, Yuy2ToBgr24Row,
};

}  // namespace orvane
