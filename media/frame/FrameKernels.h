// The inner loops of the frame path, one table per processor level. The reference functions are plain
// C++ and define the results; each vector table (KernelsSsse3.cpp, KernelsAvx2.cpp, KernelsAvx512.cpp,
// each compiled with its own instruction-set flags) must produce exactly the same bytes. Only
// SimdDispatch.cpp picks a table; callers use ActiveFrameKernels(). Internal to media/frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

// Row kernels convert a leading part of one row and return how many pixels they did, never reading or
// writing past `width` pixels; the caller finishes the row with the matching reference function from
// the returned pixel on. The 4:2:2 kernels return an even count and leave a last odd pixel (whose
// chroma rule differs) to the reference.
using Yuy2ToRgb24RowFn = int (*)(const uint8_t* src, uint8_t* dst, int width);
using Rgb24ToYuy2RowFn = int (*)(const uint8_t* src, uint8_t* dst, int width);
using Rgb32ToRgb24RowFn = int (*)(const uint8_t* src, uint8_t* dst, int width);
using Yuy2ToBgr24RowFn = int (*)(const uint8_t* src, uint8_t* dst, int width);
// Two luma rows sharing one row of interleaved U, V; `width` is even.
using Nv12ToRgb24RowsFn = int (*)(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* dst0,
                                  uint8_t* dst1, int width);

// Plane kernels: dst row x, element y = src row y, element x, for a source of width x height elements.
// Strides are signed, so a caller can walk either plane backwards to turn the transpose into a
// clockwise rotation. The destination must hold `width` rows of `height` elements.
using TransposeFn = void (*)(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                             int width, int height);

struct FrameKernels {
  const char* name;
  Yuy2ToRgb24RowFn yuy2ToRgb24;
  Rgb24ToYuy2RowFn rgb24ToYuy2;
  Nv12ToRgb24RowsFn nv12ToRgb24;
  Rgb32ToRgb24RowFn rgb32ToRgb24;
  TransposeFn transpose8;   // NV12 luma
  TransposeFn transpose16;  // NV12 chroma: U, V pairs move together
  TransposeFn transpose24;  // RGB24
  TransposeFn transpose32;  // RGB32
  // 4:2:2 source rows of `width` pixels; each destination row is the 4:2:2 encoding of one source
  // column, `height` pixels long. Equal, byte for byte, to Convert422To24, a 3-byte transpose and
  // Convert24To422 in a row, without the two intermediate images.
  TransposeFn transposeYuy2;
  // YUY2 in DirectShow's order (U first) to blue, green, red, as the virtual camera's clients see it.
  Yuy2ToBgr24RowFn yuy2ToBgr24;
};

// The table of the active level (SimdLevel.h), chosen on the first call.
const FrameKernels& ActiveFrameKernels();

extern const FrameKernels kReferenceKernels;
extern const FrameKernels kSsse3Kernels;
extern const FrameKernels kAvx2Kernels;
extern const FrameKernels kAvx512Kernels;

namespace reference {

// Convert pixels [begin, width) of one row; `begin` is even.
void Yuy2ToRgb24Row(const uint8_t* src, uint8_t* dst, int begin, int width);
void Rgb24ToYuy2Row(const uint8_t* src, uint8_t* dst, int begin, int width);
void Rgb32ToRgb24Row(const uint8_t* src, uint8_t* dst, int begin, int width);
void Yuy2ToBgr24Row(const uint8_t* src, uint8_t* dst, int begin, int width);
// Pixels [begin, end) of one luma row with its chroma row; begin and end are even.
void Nv12ToRgb24Row(const uint8_t* y, const uint8_t* uv, uint8_t* dst, int begin, int end);

void Transpose8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                int height);
void Transpose16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height);
void Transpose24(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height);
void Transpose32(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height);
void TransposeYuy2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                   int height);

// The part of a 4:2:2 transpose that vector kernels leave over: destination rows [x0, x1) (source
// columns of a row `width` pixels wide), destination pixels [y0, height) (source rows). y0 is even, so
// destination pairs never straddle the boundary.
void TransposeYuy2Part(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                       int width, int height, int x0, int x1, int y0);

}  // namespace reference

// Vector transposes cover whole tiles and hand the right and bottom strips to this helper, which calls
// `edge` (a reference transpose) on them. tileWidth and tileHeight are in source elements.
void TransposeEdges(TransposeFn edge, int elementBytes, const uint8_t* src, ptrdiff_t srcStride,
                    uint8_t* dst, ptrdiff_t dstStride, int width, int height, int tiledWidth,
                    int tiledHeight);

// The same for a 4:2:2 transpose, whose tiles cover whole pixel pairs only: source columns
// [tiledWidth, width) of every row (with an odd last column), then source rows [tiledHeight, height) of
// the tiled columns. Both tiled sizes are even.
void TransposeYuy2Edges(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                        int height, int tiledWidth, int tiledHeight);

}  // namespace orvane
