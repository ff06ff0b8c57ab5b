// AVX2 kernels, compiled with -mavx2 only here. The arithmetic is the shared YuvVectorMath.h on two
// 128-bit lanes at once; lane-crossing permutes put pixels back in order. Whole blocks only: what is
// left of a row, or the strips beside the tiles of a transpose, goes to the reference. Everything but
// the exported table has internal linkage (see KernelsAvx512.cpp).
#include <immintrin.h>

#include "media/frame/FrameKernels.h"
#include "media/frame/LaneTranspose.h"
#include "media/frame/YuvVectorMath.h"

namespace orvane {
namespace {

struct Ops {
  using V = __m256i;
  static V Set16(int16_t value) { return _mm256_set1_epi16(value); }
  static V Set32(int32_t value) { return _mm256_set1_epi32(value); }
  static V Set64(int64_t value) { return _mm256_set1_epi64x(value); }
  static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
  static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Madd(V a, V b) { return _mm256_madd_epi16(a, b); }
  static V Hadd32(V a, V b) { return _mm256_hadd_epi32(a, b); }
  static V Packs32(V a, V b) { return _mm256_packs_epi32(a, b); }
  static V Packus16(V a, V b) { return _mm256_packus_epi16(a, b); }
  static V Unpacklo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
  static V Unpackhi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
  static V Unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
  static V Unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
  static V Unpacklo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
  static V Unpackhi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
  static V Unpacklo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
  static V Unpackhi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
  static V DuplicateP1(V pixels) {
    return _mm256_shuffle_epi8(pixels, _mm256_setr_epi8(1, -1, 1, -1, 5, -1, 5, -1, 9, -1, 9, -1, 13, -1, 13, -1, 1,
                                                        -1, 1, -1, 5, -1, 5, -1, 9, -1, 9, -1, 13, -1, 13, -1));
  }
  template <int kBits> static V Slli32(V v) { return _mm256_slli_epi32(v, kBits); }
  template <int kBits> static V Srli32(V v) { return _mm256_srli_epi32(v, kBits); }
  template <int kBits> static V Srai32(V v) { return _mm256_srai_epi32(v, kBits); }
  template <int kBits> static V Srli16(V v) { return _mm256_srli_epi16(v, kBits); }
};
using Decoded = yuv_math::Decoded<Ops>;

// ---- shuffle tables (one 128-bit lane each, used in both lanes) --------------------------------

struct alignas(32) Shuffle {
  int8_t at[32];
};
__m256i Load(const Shuffle& shuffle) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(shuffle.at)); }

template <typename LaneByte>
constexpr Shuffle BothLanes(LaneByte laneByte) {
  Shuffle shuffle{};
  for (int k = 0; k < 32; ++k) shuffle.at[k] = static_cast<int8_t>(laneByte(k / 16, k % 16));
  return shuffle;
}
// Byte k of a lane's output from decoded register x (fromY false) or y, given the decoded byte it
// needs (or -1); -1 gives zero so that the two shuffles can be ORed.
constexpr int FromDecoded(int source, bool fromY) {
  const bool inY = source >= 16;
  return source < 0 || inY != fromY ? -1 : source - (inY ? 16 : 0);
}
// Bytes [16 * part, 16 * part + 16) of the 24 that a lane's four decoded pairs make as 3-byte pixels.
constexpr Shuffle DecodedToRgb24(int part, bool fromY) {
  return BothLanes([=](int, int k) {
    const int byte = 16 * part + k;
    return FromDecoded(byte < 24 ? yuv_math::DecodedLaneByte(byte / 6, byte % 6) : -1, fromY);
  });
}
// Pixels [4 * part, 4 * part + 4) of a lane's eight as B, G, R, 0.
constexpr Shuffle DecodedToBgrx(int part, bool fromY) {
  return BothLanes([=](int, int k) {
    const int pixel = 4 * part + k / 4, channel = k % 4;
    return FromDecoded(channel == 3 ? -1 : yuv_math::DecodedLaneByte(pixel / 2, 3 * (pixel % 2) + channel), fromY);
  });
}
// Four 3-byte pixels per lane, starting at byte `offset0` of lane 0 and `offset1` of lane 1.
constexpr Shuffle Rgb24ToBgrx(int offset0, int offset1) {
  return BothLanes([=](int lane, int k) { return k % 4 == 3 ? -1 : (lane ? offset1 : offset0) + 3 * (k / 4) + k % 4; });
}
// Four B, G, R, X pixels per lane to twelve bytes at the bottom of the lane.
constexpr Shuffle BgrxToRgb24() {
  return BothLanes([](int, int k) { return k < 12 ? 4 * (k / 3) + k % 3 : -1; });
}

constexpr Shuffle kRgb24FromX0 = DecodedToRgb24(0, false), kRgb24FromY0 = DecodedToRgb24(0, true);
constexpr Shuffle kRgb24FromX1 = DecodedToRgb24(1, false), kRgb24FromY1 = DecodedToRgb24(1, true);
constexpr Shuffle kBgrxFromX0 = DecodedToBgrx(0, false), kBgrxFromY0 = DecodedToBgrx(0, true);
constexpr Shuffle kBgrxFromX1 = DecodedToBgrx(1, false), kBgrxFromY1 = DecodedToBgrx(1, true);
constexpr Shuffle kExpandAt0 = Rgb24ToBgrx(0, 0), kExpandAt0And4 = Rgb24ToBgrx(0, 4), kExpandAt4 = Rgb24ToBgrx(4, 4);
constexpr Shuffle kCompact = BgrxToRgb24();

__m256i Pick(const Decoded& d, const Shuffle& fromX, const Shuffle& fromY) {
  return _mm256_or_si256(_mm256_shuffle_epi8(d.x, Load(fromX)), _mm256_shuffle_epi8(d.y, Load(fromY)));
}

__m256i Load2x16(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// Sixteen pixels (eight decoded pairs, four per lane) as 48 bytes.
void StoreRgb24(uint8_t* dst, const Decoded& d) {
  const __m256i first = Pick(d, kRgb24FromX0, kRgb24FromY0);
  const __m256i rest = Pick(d, kRgb24FromX1, kRgb24FromY1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(first));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm256_castsi256_si128(rest));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 24), _mm256_extracti128_si256(first, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 40), _mm256_extracti128_si256(rest, 1));
}

// Eight B, G, R, X pixels as 24 bytes, written exactly.
void StoreRgb24x8(uint8_t* dst, __m256i pixels) {
  const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, Load(kCompact)),
                                                     _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(packed));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm256_extracti128_si256(packed, 1));
}

// ---- row kernels -------------------------------------------------------------------------------

// A YUY2 row in either chroma order (kDecode).
template <yuv_math::Decoded<Ops> (*kDecode)(Ops::V)>
int DecodeYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int pairs = width / 2;
  int q = 0;
  for (; q + 8 <= pairs; q += 8) {
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * q));
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
  int q = 0;
  for (; q + 8 <= pairs; q += 8) {
    const __m256i chroma = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(uv + 2 * q))), _mm256_set1_epi16(128));
    const yuv_math::ChromaTerms<Ops> terms = yuv_math::Nv12Chroma<Ops>(chroma);
    const __m256i luma0 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y0 + 2 * q)));
    const __m256i luma1 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y1 + 2 * q)));
    StoreRgb24(dst0 + 6 * q, yuv_math::DecodePairs<Ops>(luma0, terms));
    StoreRgb24(dst1 + 6 * q, yuv_math::DecodePairs<Ops>(luma1, terms));
  }
  return 2 * q;
}

int Rgb24ToYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int evenWidth = width & ~1;
  int x = 0;
  for (; x + 16 <= evenWidth; x += 16) {
    // Lane 0 encodes pixels 0-7, lane 1 pixels 8-15; the loads cover bytes 0..47 exactly.
    const uint8_t* in = src + 3 * x;
    const __m256i first = _mm256_shuffle_epi8(Load2x16(in, in + 24), Load(kExpandAt0));        // 0-3, 8-11
    const __m256i second = _mm256_shuffle_epi8(Load2x16(in + 8, in + 32), Load(kExpandAt4));   // 4-7, 12-15
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * x), yuv_math::EncodePixels<Ops>(first, second));
  }
  return x;
}

int Rgb32ToRgb24Row(const uint8_t* src, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x + 32));
    const __m256i order = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    const __m256i packedA = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(a, Load(kCompact)), order);
    const __m256i packedB = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(b, Load(kCompact)), order);
    // The first store's last 8 bytes are rubbish that the second overwrites.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 3 * x), packedA);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x + 24), _mm256_castsi256_si128(packedB));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * x + 40), _mm256_extracti128_si256(packedB, 1));
  }
  return x;
}

// ---- transposes --------------------------------------------------------------------------------

// 8 x 8 dwords in place: 4 x 4 blocks in each lane, then the lanes of rows 0-3 and 4-7 swapped.
void Transpose8x8(__m256i r[8]) {
  lane_transpose::Dwords4x4<Ops>(r[0], r[1], r[2], r[3]);  // lane L of r[k]: column 4L + k, rows 0-3
  lane_transpose::Dwords4x4<Ops>(r[4], r[5], r[6], r[7]);  // rows 4-7
  for (int k = 0; k < 4; ++k) {
    const __m256i low = r[k], high = r[4 + k];
    r[k] = _mm256_permute2x128_si256(low, high, 0x20);
    r[4 + k] = _mm256_permute2x128_si256(low, high, 0x31);
  }
}

template <int kPixelBytes>
void TransposePixels(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                     int height) {
  const int tiledWidth = width & ~7, tiledHeight = height & ~7;
  for (int y0 = 0; y0 < tiledHeight; y0 += 8) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 8) {
      const uint8_t* in = src + y0 * srcStride + x0 * kPixelBytes;
      __m256i r[8];
      for (int i = 0; i < 8; ++i) {
        const uint8_t* row = in + i * srcStride;
        r[i] = kPixelBytes == 4 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row))
                                : _mm256_shuffle_epi8(Load2x16(row, row + 8), Load(kExpandAt0And4));
      }
      Transpose8x8(r);
      uint8_t* out = dst + x0 * dstStride + y0 * kPixelBytes;
      for (int c = 0; c < 8; ++c) {
        if (kPixelBytes == 4) {
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c * dstStride), r[c]);
        } else {
          StoreRgb24x8(out + c * dstStride, r[c]);
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

void StoreLanes(uint8_t* lane0, uint8_t* lane1, __m256i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lane0), _mm256_castsi256_si128(v));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lane1), _mm256_extracti128_si256(v, 1));
}

// Bytes: 16 rows x 32 columns, each lane a 16 x 16 block; lane L of column k is destination row
// 16 L + k.
void Transpose8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                int height) {
  const int tiledWidth = width & ~31, tiledHeight = height & ~15;
  for (int y0 = 0; y0 < tiledHeight; y0 += 16) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 32) {
      const uint8_t* in = src + y0 * srcStride + x0;
      __m256i r[16], columns[16];
      for (int i = 0; i < 16; ++i) r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i * srcStride));
      lane_transpose::Bytes16x16<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + y0;
      for (int k = 0; k < 16; ++k) StoreLanes(out + k * dstStride, out + (16 + k) * dstStride, columns[k]);
    }
  }
  TransposeEdges(reference::Transpose8, 1, src, srcStride, dst, dstStride, width, height, tiledWidth, tiledHeight);
}

// 2-byte elements: 8 rows x 16 elements, each lane an 8 x 8 block; lane L of column k is
// destination row 8 L + k.
void Transpose16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  const int tiledWidth = width & ~15, tiledHeight = height & ~7;
  for (int y0 = 0; y0 < tiledHeight; y0 += 8) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 16) {
      const uint8_t* in = src + y0 * srcStride + 2 * x0;
      __m256i r[8], columns[8];
      for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i * srcStride));
      lane_transpose::Words8x8<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + 2 * y0;
      for (int k = 0; k < 8; ++k) StoreLanes(out + k * dstStride, out + (8 + k) * dstStride, columns[k]);
    }
  }
  TransposeEdges(reference::Transpose16, 2, src, srcStride, dst, dstStride, width, height, tiledWidth,
                 tiledHeight);
}

// 4:2:2 in tiles of 8 source rows x 8 source pixels: decode two rows per register (one per lane) to B,
// G, R, X, transpose 8 x 8 dwords, encode two destination rows per register.
void TransposeYuy2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                   int height) {
  const int tiledWidth = ((width / 2) & ~3) * 2;  // whole pairs only: an odd last column is the reference's
  const int tiledHeight = height & ~7;
  for (int y0 = 0; y0 < tiledHeight; y0 += 8) {
    for (int x0 = 0; x0 < tiledWidth; x0 += 8) {
      const uint8_t* in = src + y0 * srcStride + 2 * x0;
      __m256i r[8];
      for (int i = 0; i < 8; i += 2) {
        const Decoded d = yuv_math::DecodeYuy2<Ops>(Load2x16(in + i * srcStride, in + (i + 1) * srcStride));
        const __m256i left = Pick(d, kBgrxFromX0, kBgrxFromY0);   // pixels 0-3 of rows i, i + 1
        const __m256i right = Pick(d, kBgrxFromX1, kBgrxFromY1);  // pixels 4-7
        r[i] = _mm256_permute2x128_si256(left, right, 0x20);
        r[i + 1] = _mm256_permute2x128_si256(left, right, 0x31);
      }
      Transpose8x8(r);
      uint8_t* out = dst + x0 * dstStride + 2 * y0;
      for (int c = 0; c < 8; c += 2) {
        const __m256i first = _mm256_permute2x128_si256(r[c], r[c + 1], 0x20);   // pixels 0-3 of both rows
        const __m256i second = _mm256_permute2x128_si256(r[c], r[c + 1], 0x31);  // pixels 4-7
        StoreLanes(out + c * dstStride, out + (c + 1) * dstStride, yuv_math::EncodePixels<Ops>(first, second));
      }
    }
  }
  TransposeYuy2Edges(src, srcStride, dst, dstStride, width, height, tiledWidth, tiledHeight);
}

}  // namespace

const FrameKernels kAvx2Kernels = {
    "avx2", Yuy2ToRgb24Row, Rgb24ToYuy2Row, Nv12ToRgb24Rows, Rgb32ToRgb24Row,
    Transpose8, Transpose16, Transpose24, Transpose32, TransposeYuy2, Yuy2ToBgr24Row,
};

}  // namespace orvane
