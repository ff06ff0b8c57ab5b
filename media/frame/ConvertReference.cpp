// Reference row kernels of the four conversions: the formulas of ConvertFormulas.h applied pixel by
// pixel. They define the results that every vector kernel must reproduce, and they finish every row
// that a vector kernel leaves over.
#include <cstring>

#include "media/frame/ConvertFormulas.h"
#include "media/frame/FrameKernels.h"

namespace orvane::reference {

void Yuy2ToRgb24Row(const uint8_t* src, uint8_t* dst, int begin, int width) {
  for (int x = begin; x < width; ++x) {
    formulas::Yuy2RowPixel(src, x, width, dst + 3 * static_cast<ptrdiff_t>(x));
  }
}

void Yuy2ToBgr24Row(const uint8_t* src, uint8_t* dst, int begin, int width) {
  for (int x = begin; x < width; ++x) {
    formulas::Yuy2BgrRowPixel(src, x, width, dst + 3 * static_cast<ptrdiff_t>(x));
  }
}

void Rgb24ToYuy2Row(const uint8_t* src, uint8_t* dst, int begin, int width) {
  int x = begin;
  for (; x + 1 < width; x += 2) {
    formulas::EncodeYuy2Pair(src + 3 * static_cast<ptrdiff_t>(x), src + 3 * static_cast<ptrdiff_t>(x) + 3,
                             dst + 2 * static_cast<ptrdiff_t>(x));
  }
  if (x < width) formulas::EncodeYuy2Single(src + 3 * static_cast<ptrdiff_t>(x), dst + 2 * static_cast<ptrdiff_t>(x));
}

void Rgb32ToRgb24Row(const uint8_t* src, uint8_t* dst, int begin, int width) {
  for (int x = begin; x < width; ++x) {
    std::memcpy(dst + 3 * static_cast<ptrdiff_t>(x), src + 4 * static_cast<ptrdiff_t>(x), 3);
  }
}

void Nv12ToRgb24Row(const uint8_t* y, const uint8_t* uv, uint8_t* dst, int begin, int end) {
  for (int x = begin; x < end; x += 2) {
    formulas::Nv12Pixel(y[x], uv[x], uv[x + 1], dst + 3 * static_cast<ptrdiff_t>(x));
    formulas::Nv12Pixel(y[x + 1], uv[x], uv[x + 1], dst + 3 * static_cast<ptrdiff_t>(x) + 3);
  }
}

}  // namespace orvane::reference
