#include "media/frame/FrameTransform.h"

#include <cstddef>
#include <cstring>

#include "media/frame/FrameKernels.h"

namespace orvane {
namespace {

constexpr uint8_t kNoColour = 128;  // U and V of grey

int64_t Rows(const FrameHeader& header) {
  return header.height < 0 ? -int64_t{header.height} : int64_t{header.height};
}

int32_t DefaultStrideOrZero(FramePixelType type, int32_t width) {
  const int64_t stride = DefaultStride(type, width);
  return stride <= INT32_MAX ? static_cast<int32_t>(stride) : 0;
}

int64_t BytesPerPixel(FramePixelType type) { return RowBytes(type, 1); }

// One offset of the crop: pan -zoom reaches the first row or column, +zoom the last position.
int64_t CropOffset(int64_t size, int64_t zoom, int64_t pan, int64_t margin, int64_t kept) {
  const int64_t magnitude = pan < 0 ? -pan : pan;
  if (pan == 0 || magnitude > zoom) return margin;
  int64_t offset = 4 * (((pan + zoom) * size / (zoom + 10)) / 8);
  if (offset < 0) offset = 0;
  if (offset + kept > size) offset = 2 * margin;
  return offset;
}

int CheckView(const FrameView& view) {
  if (view.pixels == nullptr) return kConvertNullPointer;
  if (view.header.pixelType == FramePixelType::NV12 && view.chroma == nullptr) return kConvertNullPointer;
  // The view's own stride is used as given: it must be resolved (positive) already.
  if (view.header.stride <= 0 || !CheckFrameGeometry(view.header).ok()) return kConvertBadSize;
  return kConvertOk;
}

}  // namespace

FrameView MakeFrameView(const uint8_t* pixels, const FrameHeader& header) {
  FrameView view{header, pixels, nullptr};
  if (header.pixelType == FramePixelType::NV12 && pixels != nullptr) {
    view.chroma = pixels + Rows(header) * header.stride;
  }
  return view;
}

CropWindow ComputeCropWindow(int32_t width, int32_t rows, int32_t zoom, int32_t panX, int32_t panY) {
  if (width <= 0 || rows <= 0 || zoom <= 0) return {0, 0, width > 0 ? width : 0, rows > 0 ? rows : 0};
  const int64_t w = width, h = rows, z = zoom;
  const int64_t marginX = 4 * ((z * w / (z + 10)) / 8);
  const int64_t marginY = 4 * ((z * h / (z + 10)) / 8);
  const int64_t keptW = w - 2 * marginX;  // at least 1: a margin is below a quarter of the size
  const int64_t keptH = h - 2 * marginY;
  return {static_cast<int32_t>(CropOffset(w, z, panX, marginX, keptW)),
          static_cast<int32_t>(CropOffset(h, z, panY, marginY, keptH)), static_cast<int32_t>(keptW),
          static_cast<int32_t>(keptH)};
}

FrameView CropView(const FrameView& view, const CropWindow& window) {
  FrameView cropped = view;
  const ptrdiff_t stride = view.header.stride;
  cropped.header.width = window.width;
  cropped.header.height = view.header.height < 0 ? -window.height : window.height;
  cropped.pixels = view.pixels + window.y * stride + window.x * BytesPerPixel(view.header.pixelType);
  if (view.chroma != nullptr) cropped.chroma = view.chroma + (window.y / 2) * stride + window.x;
  return cropped;
}

FrameHeader CompactGeometry(const FrameHeader& header) {
  FrameHeader out = header;
  out.stride = DefaultStrideOrZero(header.pixelType, header.width);
  return out;
}

FrameHeader RotatedGeometry(const FrameHeader& header) {
  const int64_t rows = Rows(header);
  FrameHeader out = header;
  out.width = rows <= INT32_MAX ? static_cast<int32_t>(rows) : 0;
  out.height = header.height > 0 ? header.width : -header.width;
  out.stride = DefaultStrideOrZero(header.pixelType, out.width);
  return out;
}

int CopyFrame(const FrameView& view, uint8_t* dst) {
  if (dst == nullptr) return kConvertNullPointer;
  if (const int status = CheckView(view); status != kConvertOk) return status;
  const FrameHeader out = CompactGeometry(view.header);
  if (!CheckFrameGeometry(out).ok()) return kConvertBadSize;
  const int64_t rows = Rows(view.header);
  const size_t rowBytes = static_cast<size_t>(RowBytes(view.header.pixelType, view.header.width));
  const ptrdiff_t inStride = view.header.stride;
  const ptrdiff_t outStride = out.stride;
  for (int64_t r = 0; r < rows; ++r) {
    uint8_t* row = dst + r * outStride;
    std::memcpy(row, view.pixels + r * inStride, rowBytes);
    if (static_cast<size_t>(outStride) > rowBytes) std::memset(row + rowBytes, 0, outStride - rowBytes);
  }
  if (view.header.pixelType == FramePixelType::NV12) {
    uint8_t* chroma = dst + rows * outStride;
    const int64_t chromaRows = rows / 2;
    for (int64_t r = 0; r < chromaRows; ++r) {
      std::memcpy(chroma + r * outStride, view.chroma + r * inStride, rowBytes);
    }
    const int64_t written = rows * outStride + chromaRows * outStride;
    const int64_t size = ImageSize(out.pixelType, out.height, out.stride);
    if (size > written) std::memset(dst + written, kNoColour, static_cast<size_t>(size - written));
  }
  return kConvertOk;
}

int CropFrame(const uint8_t* src, const FrameHeader& header, const CropWindow& window, uint8_t* dst) {
  if (src == nullptr || dst == nullptr) return kConvertNullPointer;
  const CheckedFrame checked = CheckFrameGeometry(header);
  if (!checked.ok()) return kConvertBadSize;
  const int64_t rows = Rows(header);
  if (window.x < 0 || window.y < 0 || window.width <= 0 || window.height <= 0 ||
      int64_t{window.x} + window.width > header.width || int64_t{window.y} + window.height > rows) {
    return kConvertBadSize;
  }
  return CopyFrame(CropView(MakeFrameView(src, checked.header), window), dst);
}

int RotateFrame(const FrameView& view, uint8_t* dst) {
  if (dst == nullptr) return kConvertNullPointer;
  if (const int status = CheckView(view); status != kConvertOk) return status;
  const FrameHeader out = RotatedGeometry(view.header);
  if (!CheckFrameGeometry(out).ok()) return kConvertBadSize;

  const FrameKernels& kernels = ActiveFrameKernels();
  const int width = view.header.width;
  const int rows = out.width;
  const ptrdiff_t inStride = view.header.stride;
  const ptrdiff_t outStride = out.stride;
  // The viewer's clockwise turn as a plain transpose: with top-down rows the source is read from its
  // last row up; with bottom-up rows the destination is written from its last row up.
  const uint8_t* lastRow = view.pixels + (rows - 1) * inStride;
  switch (view.header.pixelType) {
    case FramePixelType::RGB24:
    case FramePixelType::RGB32: {
      const TransposeFn transpose =
          view.header.pixelType == FramePixelType::RGB24 ? kernels.transpose24 : kernels.transpose32;
      if (view.header.height < 0) {
        transpose(lastRow, -inStride, dst, outStride, width, rows);
      } else {
        transpose(view.pixels, inStride, dst + (width - 1) * outStride, -outStride, width, rows);
      }
      const size_t rowBytes = static_cast<size_t>(RowBytes(out.pixelType, out.width));
      if (static_cast<size_t>(outStride) > rowBytes) {
        for (int x = 0; x < width; ++x) std::memset(dst + x * outStride + rowBytes, 0, outStride - rowBytes);
      }
      break;
    }
    case FramePixelType::YUY2:
      kernels.transposeYuy2(lastRow, -inStride, dst, outStride, width, rows);
      break;
    case FramePixelType::NV12: {
      kernels.transpose8(lastRow, -inStride, dst, outStride, width, rows);
      // U, V pairs turn as 2-byte elements: one destination chroma row per source pair column.
      const int pairColumns = width / 2;
      const int chromaRows = rows / 2;
      uint8_t* chroma = dst + static_cast<ptrdiff_t>(width) * outStride;
      if (pairColumns > 0 && chromaRows > 0) {
        kernels.transpose16(view.chroma + (chromaRows - 1) * inStride, -inStride, chroma, outStride,
                            pairColumns, chromaRows);
      }
      const ptrdiff_t pairBytes = 2 * static_cast<ptrdiff_t>(chromaRows);
      if (outStride > pairBytes) {
        for (int p = 0; p < pairColumns; ++p) {
          std::memset(chroma + p * outStride + pairBytes, kNoColour, outStride - pairBytes);
        }
      }
      const int64_t written = int64_t{width} * outStride + int64_t{pairColumns} * outStride;
      const int64_t size = ImageSize(out.pixelType, out.height, out.stride);
      if (size > written) std::memset(dst + written, kNoColour, static_cast<size_t>(size - written));
      break;
    }
  }
  return kConvertOk;
}

}  // namespace orvane
