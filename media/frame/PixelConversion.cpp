#include "media/frame/PixelConversion.h"

#include <cstddef>

#include "media/frame/FrameKernels.h"

namespace orvane {
namespace {

int CheckArguments(const void* src, const void* dst, int32_t width, int32_t height) {
  if (src == nullptr || dst == nullptr) return kConvertNullPointer;
  if (width <= 0 || height <= 0) return kConvertBadSize;
  return kConvertOk;
}

// Checks the arguments, then runs the active level's row kernel over each row and lets the reference
// finish what it left.
template <typename VectorRow, typename ReferenceRow>
int ConvertRows(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width, int32_t height,
                VectorRow vectorRow, ReferenceRow referenceRow) {
  if (const int status = CheckArguments(src, dst, width, height); status != kConvertOk) return status;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = src + static_cast<ptrdiff_t>(y) * srcStep;
    uint8_t* out = dst + static_cast<ptrdiff_t>(y) * dstStep;
    const int done = vectorRow(in, out, width);
    if (done < width) referenceRow(in, out, done, width);
  }
  return kConvertOk;
}

}  // namespace

int Convert422To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                   int32_t height) {
  return ConvertRows(src, srcStep, dst, dstStep, width, height, ActiveFrameKernels().yuy2ToRgb24,
                     reference::Yuy2ToRgb24Row);
}

int Convert24To422(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                   int32_t height) {
  return ConvertRows(src, srcStep, dst, dstStep, width, height, ActiveFrameKernels().rgb24ToYuy2,
                     reference::Rgb24ToYuy2Row);
}

int ConvertYUY2To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                    int32_t height) {
  return ConvertRows(src, srcStep, dst, dstStep, width, height, ActiveFrameKernels().yuy2ToBgr24,
                     reference::Yuy2ToBgr24Row);
}

int Convert32To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                  int32_t height) {
  return ConvertRows(src, srcStep, dst, dstStep, width, height, ActiveFrameKernels().rgb32ToRgb24,
                     reference::Rgb32ToRgb24Row);
}

int ConvertNV12To24(const uint8_t* srcY, int32_t yStep, const uint8_t* srcUV, int32_t uvStep, uint8_t* dst,
                    int32_t dstStep, int32_t width, int32_t height) {
  if (srcUV == nullptr) return kConvertNullPointer;
  if (const int status = CheckArguments(srcY, dst, width, height); status != kConvertOk) return status;
  const int32_t evenWidth = width & ~1;
  const int32_t evenHeight = height & ~1;
  const Nv12ToRgb24RowsFn vectorRows = ActiveFrameKernels().nv12ToRgb24;
  for (int32_t y = 0; y < evenHeight && evenWidth > 0; y += 2) {
    const uint8_t* luma0 = srcY + static_cast<ptrdiff_t>(y) * yStep;
    const uint8_t* luma1 = luma0 + yStep;
    const uint8_t* chroma = srcUV + static_cast<ptrdiff_t>(y / 2) * uvStep;
    uint8_t* out0 = dst + static_cast<ptrdiff_t>(y) * dstStep;
    uint8_t* out1 = out0 + dstStep;
    const int done = vectorRows(luma0, luma1, chroma, out0, out1, evenWidth);
    if (done < evenWidth) {
      reference::Nv12ToRgb24Row(luma0, chroma, out0, done, evenWidth);
      reference::Nv12ToRgb24Row(luma1, chroma, out1, done, evenWidth);
    }
  }
  return evenWidth == width && evenHeight == height ? kConvertOk : kConvertOddSize;
}

}  // namespace orvane
