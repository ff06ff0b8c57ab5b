// Reference transposes of the rotation: element by element, for any element size and any signed
// strides. The 4:2:2 transpose decodes each source pixel with the formulas of ConvertFormulas.h and
// encodes destination pairs straight away, which gives exactly the bytes of converting the whole frame
// to 3-byte pixels, rotating that and converting back, without the two intermediate images.
#include <cstring>

#include "media/frame/ConvertFormulas.h"
#include "media/frame/FrameKernels.h"

namespace orvane {
namespace {

template <int kBytes>
void TransposeElements(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                       int width, int height) {
  for (int x = 0; x < width; ++x) {
    uint8_t* out = dst + x * dstStride;
    const uint8_t* in = src + static_cast<ptrdiff_t>(x) * kBytes;
    for (int y = 0; y < height; ++y) {
      std::memcpy(out + static_cast<ptrdiff_t>(y) * kBytes, in + y * srcStride, kBytes);
    }
  }
}

}  // namespace

namespace reference {

void Transpose8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                int height) {
  TransposeElements<1>(src, srcStride, dst, dstStride, width, height);
}
void Transpose16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposeElements<2>(src, srcStride, dst, dstStride, width, height);
}
void Transpose24(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposeElements<3>(src, srcStride, dst, dstStride, width, height);
}
void Transpose32(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                 int height) {
  TransposeElements<4>(src, srcStride, dst, dstStride, width, height);
}

void TransposeYuy2Part(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                       int width, int height, int x0, int x1, int y0) {
  for (int x = x0; x < x1; ++x) {
    uint8_t* out = dst + x * dstStride;
    int y = y0;
    for (; y + 1 < height; y += 2) {
      uint8_t p[3], q[3];
      formulas::Yuy2RowPixel(src + y * srcStride, x, width, p);
      formulas::Yuy2RowPixel(src + (y + 1) * srcStride, x, width, q);
      formulas::EncodeYuy2Pair(p, q, out + 2 * static_cast<ptrdiff_t>(y));
    }
    if (y < height) {
      uint8_t p[3];
      formulas::Yuy2RowPixel(src + y * srcStride, x, width, p);
      formulas::EncodeYuy2Single(p, out + 2 * static_cast<ptrdiff_t>(y));
    }
  }
}

void TransposeYuy2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                   int height) {
  TransposeYuy2Part(src, srcStride, dst, dstStride, width, height, 0, width, 0);
}

}  // namespace reference

void TransposeEdges(TransposeFn edge, int elementBytes, const uint8_t* src, ptrdiff_t srcStride,
                    uint8_t* dst, ptrdiff_t dstStride, int width, int height, int tiledWidth,
                    int tiledHeight) {
  // Right strip: source columns [tiledWidth, width) of every row.
  if (tiledWidth < width) {
    edge(src + static_cast<ptrdiff_t>(tiledWidth) * elementBytes, srcStride, dst + tiledWidth * dstStride,
         dstStride, width - tiledWidth, height);
  }
  // Bottom strip: source rows [tiledHeight, height) of the tiled columns.
  if (tiledHeight < height && tiledWidth > 0) {
    edge(src + tiledHeight * srcStride, srcStride, dst + static_cast<ptrdiff_t>(tiledHeight) * elementBytes,
         dstStride, tiledWidth, height - tiledHeight);
  }
}

void TransposeYuy2Edges(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                        int height, int tiledWidth, int tiledHeight) {
  if (tiledWidth < width) {
    reference::TransposeYuy2Part(src, srcStride, dst, dstStride, width, height, tiledWidth, width, 0);
  }
  if (tiledHeight < height && tiledWidth > 0) {
    reference::TransposeYuy2Part(src, srcStride, dst, dstStride, width, height, 0, tiledWidth, tiledHeight);
  }
}

}  // namespace orvane
