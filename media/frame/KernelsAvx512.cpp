// AVX-512 kernels (F, BW, VL, VBMI), compiled with those flags only here. Bit-exact with the reference
// through the shared arithmetic of YuvVectorMath.h.
//
// Byte permutes (vpermb, vpermt2b) move between 3-byte pixels and the word layouts the arithmetic
// wants, and masked loads and stores finish rows and tiles without touching a byte outside them, so
// the only work left to the reference is the last pixel of an odd 4:2:2 row or column. Masks are for
// those ends only: a masked load that misses the cache is several times slower than a plain one on
// current AMD processors, so every full block uses plain loads and stores.
//
// Everything but the exported table has internal linkage: no function compiled with these flags may be
// merged with one of the same name from another translation unit.
#include <immintrin.h>

#include "media/frame/FrameKernels.h"
#include "media/frame/LaneTranspose.h"
#include "media/frame/YuvVectorMath.h"

namespace orvane {
namespace {

// ---- tables ------------------------------------------------------------------------------------

struct alignas(64) ByteIndex {
  uint8_t at[64];
};

__m512i Load(const ByteIndex& index) { return _mm512_load_si512(index.at); }

// Where decoding (yuv_math::DecodePairs) leaves role r (0..5: even P0, P1, P2, odd P0, P1, P2) of
// pair q: an index into its x register (0..63) followed by its y register (64..127).
constexpr int DecodedByte(int q, int role) {
  const int inLane = yuv_math::DecodedLaneByte(q % 4, role);
  return 16 * (q / 4) + (inLane < 16 ? inLane : 64 + inLane - 16);
}

// 3-byte output: bytes [64 * part, 64 * part + 64) of the 96 that 16 pairs make.
constexpr ByteIndex DecodedToRgb24(int part) {
  ByteIndex index{};
  for (int k = 0; k < 64; ++k) {
    const int byte = 64 * part + k;
    index.at[k] = byte < 96 ? static_cast<uint8_t>(DecodedByte(byte / 6, byte % 6)) : 0;
  }
  return index;
}

// 4-byte B, G, R, X output: pixels [16 * part, 16 * part + 16) of the 32; X is masked to zero.
constexpr ByteIndex DecodedToBgrx(int part) {
  ByteIndex index{};
  for (int k = 0; k < 64; ++k) {
    const int pixel = 16 * part + k / 4, channel = k % 4;
    index.at[k] = channel == 3 ? 0 : static_cast<uint8_t>(DecodedByte(pixel / 2, (pixel % 2) * 3 + channel));
  }
  return index;
}
constexpr __mmask64 kColourBytes = 0x7777777777777777ull;

// Encoding reads words (one source byte, zero-extended) in pairs per dword lane q. Which pixel (of the
// pair's even 0 or odd 1) and channel go into the low and the high word of each arrangement:
struct WordPairing {
  int lowPixel, lowChannel, highPixel, highChannel;
};
constexpr WordPairing kEncodeWords[7] = {
    {0, 0, 0, 1},  // even P0, P1: luma of the even pixel
    {0, 2, 0, 1},  // even P2, P1
    {1, 0, 1, 1},  // odd P0, P1: luma of the odd pixel
    {1, 2, 1, 1},  // odd P2, P1
    {0, 0, 1, 0},  // P0 of both pixels: chroma sums
    {0, 1, 1, 1},  // P1 of both
    {0, 2, 1, 2},  // P2 of both
};
// From 32 pixels of `pixelBytes` bytes each (3 or 4), held in two registers (bytes 0..127).
constexpr ByteIndex EncodeWordIndex(int pixelBytes, int arrangement) {
  ByteIndex index{};
  const WordPairing& w = kEncodeWords[arrangement];
  for (int q = 0; q < 16; ++q) {
    index.at[4 * q + 0] = static_cast<uint8_t>(pixelBytes * (2 * q + w.lowPixel) + w.lowChannel);
    index.at[4 * q + 2] = static_cast<uint8_t>(pixelBytes * (2 * q + w.highPixel) + w.highChannel);
  }
  return index;
}
constexpr __mmask64 kLowBytesOfWords = 0x5555555555555555ull;

struct EncodeTables {
  ByteIndex words[7];
};
constexpr EncodeTables MakeEncodeTables(int pixelBytes) {
  EncodeTables tables{};
  for (int i = 0; i < 7; ++i) tables.words[i] = EncodeWordIndex(pixelBytes, i);
  return tables;
}

// 4-byte to 3-byte pixels: output bytes [64 * part, +64) of 64 pixels held in four registers, as an
// index into the register pair (part, part + 1).
constexpr ByteIndex Bgrx64ToRgb24(int part) {
  ByteIndex index{};
  for (int k = 0; k < 64; ++k) {
    const int byte = 64 * part + k;
    index.at[k] = static_cast<uint8_t>(4 * (byte / 3) + byte % 3 - 64 * part);
  }
  return index;
}
// The same for 16 pixels in one register (48 bytes out), and its inverse (X taken from byte 0).
constexpr ByteIndex Bgrx16ToRgb24() {
  ByteIndex index{};
  for (int k = 0; k < 48; ++k) index.at[k] = static_cast<uint8_t>(4 * (k / 3) + k % 3);
  return index;
}
constexpr ByteIndex Rgb24ToBgrx16() {
  ByteIndex index{};
  for (int k = 0; k < 64; ++k) index.at[k] = k % 4 == 3 ? 0 : static_cast<uint8_t>(3 * (k / 4) + k % 4);
  return index;
}

constexpr ByteIndex kRgb24Out0 = DecodedToRgb24(0), kRgb24Out1 = DecodedToRgb24(1);
constexpr ByteIndex kBgrxOut0 = DecodedToBgrx(0), kBgrxOut1 = DecodedToBgrx(1);
constexpr EncodeTables kEncodeFromRgb24 = MakeEncodeTables(3);
constexpr EncodeTables kEncodeFromBgrx = MakeEncodeTables(4);
constexpr ByteIndex kPack0 = Bgrx64ToRgb24(0), kPack1 = Bgrx64ToRgb24(1), kPack2 = Bgrx64ToRgb24(2);
constexpr ByteIndex kPack16 = Bgrx16ToRgb24();
constexpr ByteIndex kUnpack16 = Rgb24ToBgrx16();

// ---- masks -------------------------------------------------------------------------------------

__mmask64 FirstBytes(int count) { return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1; }
__mmask32 First32(int count) { return count >= 32 ? ~__mmask32{0} : (__mmask32{1} << count) - 1; }
__mmask16 First16(int count) { return static_cast<__mmask16>(count >= 16 ? 0xFFFF : (1u << count) - 1); }
__mmask8 First8(int count) { return static_cast<__mmask8>(count >= 8 ? 0xFF : (1u << count) - 1); }

// ---- YUV to B, G, R --------------------------------------------------------------------------------

struct Ops {
  using V = __m512i;
  static V Set16(int16_t value) { return _mm512_set1_epi16(value); }
  static V Set32(int32_t value) { return _mm512_set1_epi32(value); }
  static V Add32(V a, V b) { return _mm512_add_epi32(a, b); }
  static V Sub32(V a, V b) { return _mm512_sub_epi32(a, b); }
  static V Sub16(V a, V b) { return _mm512_sub_epi16(a, b); }
  static V And(V a, V b) { return _mm512_and_si512(a, b); }
  static V Madd(V a, V b) { return _mm512_madd_epi16(a, b); }
  static V Packs32(V a, V b) { return _mm512_packs_epi32(a, b); }
  static V Packus16(V a, V b) { return _mm512_packus_epi16(a, b); }
  static V Unpacklo8(V a, V b) { return _mm512_unpacklo_epi8(a, b); }
  static V Unpackhi8(V a, V b) { return _mm512_unpackhi_epi8(a, b); }
  static V Unpacklo16(V a, V b) { return _mm512_unpacklo_epi16(a, b); }
  static V Unpackhi16(V a, V b) { return _mm512_unpackhi_epi16(a, b); }
  static V Unpacklo32(V a, V b) { return _mm512_unpacklo_epi32(a, b); }
  static V Unpackhi32(V a, V b) { return _mm512_unpackhi_epi32(a, b); }
  static V Unpacklo64(V a, V b) { return _mm512_unpacklo_epi64(a, b); }
  static V Unpackhi64(V a, V b) { return _mm512_unpackhi_epi64(a, b); }
  template <int kBits> static V Slli32(V v) { return _mm512_slli_epi32(v, kBits); }
  template <int kBits> static V Srai32(V v) { return _mm512_srai_epi32(v, kBits); }
  template <int kBits> static V Srli16(V v) { return _mm512_srli_epi16(v, kBits); }
};
using Decoded = yuv_math::Decoded<Ops>;
using ChromaTerms = yuv_math::ChromaTerms<Ops>;
using yuv_math::WordPair;

Decoded DecodeYuy2(__m512i pairs) { return yuv_math::DecodeYuy2<Ops>(pairs); }
Decoded DecodeYuy2Bgr(__m512i pairs) { return yuv_math::DecodeYuy2Bgr<Ops>(pairs); }

// ---- B, G, R to 4:2:2 ------------------------------------------------------------------------------

// 32 pixels (16 pairs) in two registers, laid out as `tables` say; the result holds the 16 pairs as
// Y0, C1, Y1, C2 dwords. Every intermediate is positive and every result in 16..240 (see
// EncodeYuy2Pair), so plain shifts and ORs finish it.
__m512i EncodePairs(__m512i a, __m512i b, const EncodeTables& tables) {
  __m512i w[7];
  for (int i = 0; i < 7; ++i) {
    w[i] = _mm512_maskz_permutex2var_epi8(kLowBytesOfWords, a, Load(tables.words[i]), b);
  }
  // 33030 P1 = 16515 P1 + 16515 P1: P1 rides along in both luma arrangements.
  const __m512i lumaA = WordPair<Ops>(16843, 16515), lumaB = WordPair<Ops>(6423, 16515);
  const __m512i y0 = _mm512_srli_epi32(
      _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(w[0], lumaA), _mm512_madd_epi16(w[1], lumaB)),
                       _mm512_set1_epi32(0x108000)),
      16);
  const __m512i y1 = _mm512_srli_epi32(
      _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(w[2], lumaA), _mm512_madd_epi16(w[3], lumaB)),
                       _mm512_set1_epi32(0x100000)),
      16);
  const __m512i chromaConstant = _mm512_set1_epi32(0x1010000);
  const __m512i c1 = _mm512_srli_epi32(
      _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(w[4], WordPair<Ops>(28770, 28770)),
                                        _mm512_madd_epi16(w[5], WordPair<Ops>(-24117, -24117))),
                       _mm512_add_epi32(_mm512_madd_epi16(w[6], WordPair<Ops>(-4653, -4653)), chromaConstant)),
      17);
  const __m512i c2 = _mm512_srli_epi32(
      _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(w[6], WordPair<Ops>(28770, 28770)),
                                        _mm512_madd_epi16(w[4], WordPair<Ops>(-9699, -9699))),
                       _mm512_add_epi32(_mm512_madd_epi16(w[5], WordPair<Ops>(-19071, -19071)), chromaConstant)),
      17);
  const __m512i low = _mm512_or_si512(y0, _mm512_slli_epi32(c1, 8));
  return _mm512_ternarylogic_epi32(low, _mm512_slli_epi32(y1, 16), _mm512_slli_epi32(c2, 24), 0xFE);
}

// ---- row kernels -------------------------------------------------------------------------------

void StoreRgb24(uint8_t* dst, const Decoded& d, int pairs) {
  const __m512i first = _mm512_permutex2var_epi8(d.x, Load(kRgb24Out0), d.y);
  const __m512i second = _mm512_permutex2var_epi8(d.x, Load(kRgb24Out1), d.y);
  if (pairs == 16) {
    // 96 bytes as three 32-byte stores: a 64-byte store at an odd multiple of 32 would straddle two
    // cache lines, which costs dearly when the destination is not in the cache.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_castsi512_si256(first));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32), _mm512_extracti64x4_epi64(first, 1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 64), _mm512_castsi512_si256(second));
  } else {
    _mm512_mask_storeu_epi8(dst, FirstBytes(6 * pairs), first);
    if (6 * pairs > 64) _mm512_mask_storeu_epi8(dst + 64, FirstBytes(6 * pairs - 64), second);
  }
}

// A YUY2 row in either chroma order (kDecode).
template <Decoded (*kDecode)(__m512i)>
int DecodeYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int pairs = width / 2;  // an odd last pixel is the reference's
  for (int q = 0; q < pairs; q += 16) {
    const int count = pairs - q < 16 ? pairs - q : 16;
    const __m512i in =
        count == 16 ? _mm512_loadu_si512(src + 4 * q) : _mm512_maskz_loadu_epi32(First16(count), src + 4 * q);
    StoreRgb24(dst + 6 * q, kDecode(in), count);
  }
  return 2 * pairs;
}

int Yuy2ToRgb24Row(const uint8_t* src, uint8_t* dst, int width) { return DecodeYuy2Row<DecodeYuy2>(src, dst, width); }
int Yuy2ToBgr24Row(const uint8_t* src, uint8_t* dst, int width) { return DecodeYuy2Row<DecodeYuy2Bgr>(src, dst, width); }

// One luma row with its chroma row.
void Nv12ToRgb24Row(const uint8_t* luma, const uint8_t* uv, uint8_t* dst, int pairs) {
  const __m512i bias = _mm512_set1_epi16(128);
  for (int q = 0; q < pairs; q += 16) {
    const int count = pairs - q < 16 ? pairs - q : 16;
    const __mmask32 bytes = First32(2 * count);
    const auto load = [&](const uint8_t* p) {
      return _mm512_cvtepu8_epi16(count == 16 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
                                              : _mm256_maskz_loadu_epi8(bytes, p));
    };
    const ChromaTerms terms = yuv_math::Nv12Chroma<Ops>(_mm512_sub_epi16(load(uv + 2 * q), bias));
    StoreRgb24(dst + 6 * q, yuv_math::DecodePairs<Ops>(load(luma + 2 * q), terms), count);
  }
}

// Row by row rather than both rows in one pass: fewer memory streams at once keep the hardware
// prefetchers ahead when the frame is not in the cache, and the chroma row is still in L1 the second
// time.
int Nv12ToRgb24Rows(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* dst0, uint8_t* dst1,
                    int width) {
  Nv12ToRgb24Row(y0, uv, dst0, width / 2);
  Nv12ToRgb24Row(y1, uv, dst1, width / 2);
  return width & ~1;
}

int Rgb24ToYuy2Row(const uint8_t* src, uint8_t* dst, int width) {
  const int pairs = width / 2;
  for (int q = 0; q < pairs; q += 16) {
    const int count = pairs - q < 16 ? pairs - q : 16;
    const uint8_t* in = src + 6 * q;
    if (count == 16) {
      const __m512i a = _mm512_loadu_si512(in);
      const __m512i b = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 64)));
      _mm512_storeu_si512(dst + 4 * q, EncodePairs(a, b, kEncodeFromRgb24));
    } else {
      const int bytes = 6 * count;
      const __m512i a = _mm512_maskz_loadu_epi8(FirstBytes(bytes), in);
      const __m512i b = bytes > 64 ? _mm512_maskz_loadu_epi8(FirstBytes(bytes - 64), in + 64) : _mm512_setzero_si512();
      _mm512_mask_storeu_epi32(dst + 4 * q, First16(count), EncodePairs(a, b, kEncodeFromRgb24));
    }
  }
  return 2 * pairs;
}

int Rgb32ToRgb24Row(const uint8_t* src, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const uint8_t* in = src + 4 * x;
    const __m512i a = _mm512_loadu_si512(in), b = _mm512_loadu_si512(in + 64);
    const __m512i c = _mm512_loadu_si512(in + 128), d = _mm512_loadu_si512(in + 192);
    _mm512_storeu_si512(dst + 3 * x, _mm512_permutex2var_epi8(a, Load(kPack0), b));
    _mm512_storeu_si512(dst + 3 * x + 64, _mm512_permutex2var_epi8(b, Load(kPack1), c));
    _mm512_storeu_si512(dst + 3 * x + 128, _mm512_permutex2var_epi8(c, Load(kPack2), d));
  }
  for (; x < width; x += 16) {
    const int count = width - x < 16 ? width - x : 16;
    const __m512i in = _mm512_maskz_loadu_epi8(FirstBytes(4 * count), src + 4 * x);
    _mm512_mask_storeu_epi8(dst + 3 * x, FirstBytes(3 * count), _mm512_permutexvar_epi8(Load(kPack16), in));
  }
  return width;
}

// ---- transposes --------------------------------------------------------------------------------

// Lane `lane` of v into `bytes` (1..16) bytes at `row`.
void StoreLane(uint8_t* row, __m512i v, int lane, int bytes) {
  __m128i part;
  switch (lane) {
    case 0: part = _mm512_castsi512_si128(v); break;
    case 1: part = _mm512_extracti32x4_epi32(v, 1); break;
    case 2: part = _mm512_extracti32x4_epi32(v, 2); break;
    default: part = _mm512_extracti32x4_epi32(v, 3); break;
  }
  if (bytes == 16 && (reinterpret_cast<uintptr_t>(row) & 15) == 0) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row), part);
  } else if (bytes == 16 && (reinterpret_cast<uintptr_t>(row) & 7) == 0) {
    // Two halves that cannot cross a cache line, where one 16-byte store would every fourth time.
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row), part);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 8), _mm_unpackhi_epi64(part, part));
  } else {
    _mm_mask_storeu_epi8(row, First16(bytes), part);
  }
}

// A transpose reads 8 or 16 rows side by side, more streams than the hardware prefetchers follow well
// from memory; fetching each row's data a few tiles ahead roughly halves the time of a cold frame.
constexpr ptrdiff_t kPrefetchTiles = 4;

// Prefetches, in each of `rows` rows, the line kPrefetchTiles tiles of `tileBytes` ahead, if the row
// goes that far. Always inlined: a call inside a tile loop would clobber every vector register the
// loop keeps.
__attribute__((always_inline)) inline void PrefetchAhead(const uint8_t* tile, ptrdiff_t stride, int rows,
                                                         ptrdiff_t tileBytes, ptrdiff_t bytesLeftInRow) {
  const ptrdiff_t distance = kPrefetchTiles * tileBytes;
  if (bytesLeftInRow <= distance) return;
  for (int i = 0; i < rows; ++i) _mm_prefetch(reinterpret_cast<const char*>(tile + i * stride + distance), _MM_HINT_T0);
}

// 16 x 16 dwords in place: r[i] element j becomes r[j] element i.
void Transpose16x16(__m512i r[16]) {
  // u[4g + k], lane L: column 4L + k of rows 4g..4g+3.
  for (int g = 0; g < 4; ++g) lane_transpose::Dwords4x4<Ops>(r[4 * g], r[4 * g + 1], r[4 * g + 2], r[4 * g + 3]);
  const __m512i* u = r;
  __m512i out[16];
  // Gather lane L of u[k], u[4 + k], u[8 + k], u[12 + k]: column 4L + k of all 16 rows.
  for (int k = 0; k < 4; ++k) {
    const __m512i v0 = _mm512_shuffle_i32x4(u[k], u[4 + k], 0x88);  // lanes 0, 2 of each
    const __m512i v1 = _mm512_shuffle_i32x4(u[k], u[4 + k], 0xDD);  // lanes 1, 3
    const __m512i w0 = _mm512_shuffle_i32x4(u[8 + k], u[12 + k], 0x88);
    const __m512i w1 = _mm512_shuffle_i32x4(u[8 + k], u[12 + k], 0xDD);
    out[k] = _mm512_shuffle_i32x4(v0, w0, 0x88);
    out[8 + k] = _mm512_shuffle_i32x4(v0, w0, 0xDD);
    out[4 + k] = _mm512_shuffle_i32x4(v1, w1, 0x88);
    out[12 + k] = _mm512_shuffle_i32x4(v1, w1, 0xDD);
  }
  for (int i = 0; i < 16; ++i) r[i] = out[i];
}

// Tiles of 16 x 16 pixels of 4 (or, unpacked, 3) bytes. Partial tiles at the right and bottom use
// masked loads and stores; rows past the picture are never read (they stay zero and are not stored).
template <int kPixelBytes>
void TransposePixels(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                     int height) {
  for (int y0 = 0; y0 < height; y0 += 16) {
    const int rows = height - y0 < 16 ? height - y0 : 16;
    for (int x0 = 0; x0 < width; x0 += 16) {
      const int columns = width - x0 < 16 ? width - x0 : 16;
      const uint8_t* in = src + y0 * srcStride + x0 * kPixelBytes;
      PrefetchAhead(in, srcStride, rows, 16 * kPixelBytes, ptrdiff_t{width - x0} * kPixelBytes);
      __m512i r[16];
      for (int i = 0; i < 16; ++i) {
        if (i >= rows) {
          r[i] = _mm512_setzero_si512();
        } else if (kPixelBytes == 4) {
          r[i] = columns == 16 ? _mm512_loadu_si512(in + i * srcStride)
                               : _mm512_maskz_loadu_epi32(First16(columns), in + i * srcStride);
        } else {
          const uint8_t* row = in + i * srcStride;
          const __m512i bytes =
              columns == 16
                  ? _mm512_inserti32x4(_mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row))),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 32)), 2)
                  : _mm512_maskz_loadu_epi8(FirstBytes(3 * columns), row);
          r[i] = _mm512_permutexvar_epi8(Load(kUnpack16), bytes);
        }
      }
      Transpose16x16(r);
      uint8_t* out = dst + x0 * dstStride + y0 * kPixelBytes;
      for (int c = 0; c < columns; ++c) {
        if (kPixelBytes == 4) {
          if (rows == 16) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c * dstStride), _mm512_castsi512_si256(r[c]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c * dstStride + 32), _mm512_extracti64x4_epi64(r[c], 1));
          } else {
            _mm512_mask_storeu_epi32(out + c * dstStride, First16(rows), r[c]);
          }
        } else {
          const __m512i packed = _mm512_permutexvar_epi8(Load(kPack16), r[c]);
          uint8_t* row = out + c * dstStride;
          if (rows == 16) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), _mm512_castsi512_si256(packed));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 32), _mm512_extracti32x4_epi32(packed, 2));
          } else {
            _mm512_mask_storeu_epi8(row, FirstBytes(3 * rows), packed);
          }
        }
      }
    }
  }
}

void Transpose32(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposePixels<4>(src, srcStride, dst, dstStride, width, height);
}

void Transpose24(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposePixels<3>(src, srcStride, dst, dstStride, width, height);
}

// Bytes: tiles of 16 rows x 64 columns. Each 128-bit lane transposes its own 16 x 16 block; lane L of
// columns[k] is then destination row 16 L + k.
void Transpose8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                int height) {
  for (int y0 = 0; y0 < height; y0 += 16) {
    const int rows = height - y0 < 16 ? height - y0 : 16;
    for (int x0 = 0; x0 < width; x0 += 64) {
      const int tileColumns = width - x0 < 64 ? width - x0 : 64;
      const uint8_t* in = src + y0 * srcStride + x0;
      PrefetchAhead(in, srcStride, rows, 64, width - x0);
      __m512i r[16];
      for (int i = 0; i < 16; ++i) {
        r[i] = i >= rows ? _mm512_setzero_si512()
                         : tileColumns == 64 ? _mm512_loadu_si512(in + i * srcStride)
                                         : _mm512_maskz_loadu_epi8(FirstBytes(tileColumns), in + i * srcStride);
      }
      __m512i columns[16];
      lane_transpose::Bytes16x16<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + y0;
      for (int k = 0; k < 16 && k < tileColumns; ++k) {
        for (int lane = 0; lane < 4 && 16 * lane + k < tileColumns; ++lane) {
          StoreLane(out + (16 * lane + k) * dstStride, columns[k], lane, rows);
        }
      }
    }
  }
}

// 2-byte elements (U, V pairs): tiles of 8 rows x 32 elements, each lane an 8 x 8 block; lane L of
// columns[k] is destination row 8 L + k.
void Transpose16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  for (int y0 = 0; y0 < height; y0 += 8) {
    const int rows = height - y0 < 8 ? height - y0 : 8;
    for (int x0 = 0; x0 < width; x0 += 32) {
      const int tileColumns = width - x0 < 32 ? width - x0 : 32;
      const uint8_t* in = src + y0 * srcStride + 2 * x0;
      PrefetchAhead(in, srcStride, rows, 64, 2 * ptrdiff_t{width - x0});
      __m512i r[8];
      for (int i = 0; i < 8; ++i) {
        r[i] = i >= rows ? _mm512_setzero_si512()
                         : tileColumns == 32 ? _mm512_loadu_si512(in + i * srcStride)
                                         : _mm512_maskz_loadu_epi16(First32(tileColumns), in + i * srcStride);
      }
      __m512i columns[8];
      lane_transpose::Words8x8<Ops>(r, columns);
      uint8_t* out = dst + x0 * dstStride + 2 * y0;
      for (int k = 0; k < 8 && k < tileColumns; ++k) {
        for (int lane = 0; lane < 4 && 8 * lane + k < tileColumns; ++lane) {
          StoreLane(out + (8 * lane + k) * dstStride, columns[k], lane, 2 * rows);
        }
      }
    }
  }
}

// 4:2:2 tiles of 16 source rows x 16 source pixels: decode two rows at a time to B, G, R, X, transpose
// the 16 x 16 dwords, encode two destination rows at a time. Destination pairs are pairs of source
// rows, so every tile starts at an even source row; a last odd row or column goes to the reference.
void TransposeYuy2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                   int height) {
  const int pairColumns = width / 2;
  const int evenRows = height & ~1;
  for (int y0 = 0; y0 < evenRows; y0 += 16) {
    const int rows = evenRows - y0 < 16 ? evenRows - y0 : 16;
    for (int p0 = 0; p0 < pairColumns; p0 += 8) {
      const int pairs = pairColumns - p0 < 8 ? pairColumns - p0 : 8;
      const __mmask8 pairMask = First8(pairs);
      const uint8_t* in = src + y0 * srcStride + 4 * p0;
      if ((p0 & 15) == 0) PrefetchAhead(in, srcStride, rows, 32, 4 * ptrdiff_t{pairColumns - p0});
      __m512i r[16];
      for (int i = 0; i < 16; i += 2) {
        if (i >= rows) {
          r[i] = r[i + 1] = _mm512_setzero_si512();
          continue;
        }
        const uint8_t* firstRow = in + i * srcStride;
        const uint8_t* secondRow = firstRow + srcStride;
        const __m256i first = pairs == 8 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(firstRow))
                                         : _mm256_maskz_loadu_epi32(pairMask, firstRow);
        const __m256i second = pairs == 8 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(secondRow))
                                          : _mm256_maskz_loadu_epi32(pairMask, secondRow);
        const Decoded d = DecodeYuy2(_mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1));
        r[i] = _mm512_maskz_permutex2var_epi8(kColourBytes, d.x, Load(kBgrxOut0), d.y);
        r[i + 1] = _mm512_maskz_permutex2var_epi8(kColourBytes, d.x, Load(kBgrxOut1), d.y);
      }
      Transpose16x16(r);
      const int columns = 2 * pairs;
      const __mmask8 outMask = First8(rows / 2);
      uint8_t* out = dst + (2 * p0) * dstStride + 2 * y0;
      for (int k = 0; k < columns; k += 2) {
        const __m512i encoded = EncodePairs(r[k], r[k + 1], kEncodeFromBgrx);
        uint8_t* first = out + k * dstStride;
        uint8_t* second = first + dstStride;
        if (rows == 16) {
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(first), _mm512_castsi512_si256(encoded));
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(second), _mm512_extracti64x4_epi64(encoded, 1));
        } else {
          _mm256_mask_storeu_epi32(first, outMask, _mm512_castsi512_si256(encoded));
          _mm256_mask_storeu_epi32(second, outMask, _mm512_extracti64x4_epi64(encoded, 1));
        }
      }
    }
  }
  TransposeYuy2Edges(src, srcStride, dst, dstStride, width, height, 2 * pairColumns, evenRows);
}

}  // namespace

const FrameKernels kAvx512Kernels = {
    "avx512", Yuy2ToRgb24Row, Rgb24ToYuy2Row, Nv12ToRgb24Rows, Rgb32ToRgb24Row,
    Transpose8, Transpose16, Transpose24, Transpose32, TransposeYuy2, Yuy2ToBgr24Row,
};

}  // namespace orvane
