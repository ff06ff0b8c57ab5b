// The pixel layouts of the frame path and the two records that cross from the renderer into the
// virtual camera: the frame record (FrameHeader followed by the pixels) and the output-format record.
// Plain data and constexpr arithmetic; callable from any thread. Sizes are computed in 64 bits and
// checked, because every geometry here arrives from outside (a media type, a caller, another process).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

// A 32-bit signed integer on the wire; other values are refused by CheckFrameGeometry.
enum class FramePixelType : int32_t {
  RGB24 = 0,  // B, G, R
  RGB32 = 1,  // B, G, R, X (X carried, never interpreted)
  YUY2 = 2,   // Y0, C1, Y1, C2 per pixel pair
  NV12 = 3,   // luma plane, then |height|/2 rows of interleaved U, V at the same stride
};

constexpr bool IsFramePixelType(int32_t value) { return value >= 0 && value <= 3; }

constexpr const char* FramePixelTypeName(FramePixelType type) {
  switch (type) {
    case FramePixelType::RGB24: return "RGB24";
    case FramePixelType::RGB32: return "RGB32";
    case FramePixelType::YUY2: return "YUY2";
    case FramePixelType::NV12: return "NV12";
  }
  return "?";
}

// The geometry of a frame, and on the wire the 16 bytes in front of its pixels.
struct FrameHeader {
  FramePixelType pixelType;
  int32_t width;   // pixels per row
  int32_t height;  // rows; RGB positive = bottom-up, negative = top-down; YUY2 and NV12 always top-down
  int32_t stride;  // bytes from one row to the next (for NV12 the luma and the chroma rows alike)
  friend constexpr bool operator==(const FrameHeader&, const FrameHeader&) = default;
};
static_assert(sizeof(FrameHeader) == 16);
static_assert(offsetof(FrameHeader, pixelType) == 0 && offsetof(FrameHeader, width) == 4);
static_assert(offsetof(FrameHeader, height) == 8 && offsetof(FrameHeader, stride) == 12);

// What the virtual camera offers its clients. The control interface takes the last two fields in the
// opposite order (format, then oneSizeOnly); this record keeps the driver's order.
struct OutputFormat {
  int32_t width;
  int32_t height;
  int32_t fps;
  int32_t oneSizeOnly;  // nonzero: offer this one size only
  int32_t format;       // the virtual camera's format code; 0 = no preference
  friend constexpr bool operator==(const OutputFormat&, const OutputFormat&) = default;
};
static_assert(sizeof(OutputFormat) == 20);
static_assert(offsetof(OutputFormat, fps) == 8 && offsetof(OutputFormat, oneSizeOnly) == 12);
static_assert(offsetof(OutputFormat, format) == 16);

// Bytes that the pixels of one row occupy, without any padding.
constexpr int64_t RowBytes(FramePixelType type, int32_t width) {
  switch (type) {
    case FramePixelType::RGB24: return 3 * int64_t{width};
    case FramePixelType::RGB32: return 4 * int64_t{width};
    case FramePixelType::YUY2: return 2 * int64_t{width};
    case FramePixelType::NV12: return width;
  }
  return 0;
}

// The stride used when none (0 or less) is given: RGB24 rows are padded to 4 bytes, like a bitmap's.
constexpr int64_t DefaultStride(FramePixelType type, int32_t width) {
  const int64_t row = RowBytes(type, width);
  return type == FramePixelType::RGB24 ? (row + 3) & ~int64_t{3} : row;
}

// Bytes of pixels in a frame of |height| rows; NV12 adds a chroma plane of half the luma plane's
// bytes right after it. Cannot overflow for any 32-bit height and stride.
constexpr int64_t ImageSize(FramePixelType type, int32_t height, int32_t stride) {
  const int64_t rows = height < 0 ? -int64_t{height} : int64_t{height};
  const int64_t luma = rows * stride;
  return type == FramePixelType::NV12 ? luma + luma / 2 : luma;
}

inline constexpr int64_t kFrameHeaderSize = sizeof(FrameHeader);
// A frame record's length travels as a 32-bit count (property data, buffer capacities), so the whole
// record, header included, is at most 2 GiB - 1 bytes.
inline constexpr int64_t kMaxFrameRecordSize = INT32_MAX;
// The longest side, in pixels, of any frame: 8K (7680 x 4320, and the cinema 8192 x 4320) is the
// largest picture a camera or a video file delivers. Every process that can set a frame reaches the
// virtual camera of every call app, which scales each frame for its clients; a side this long bounds
// that work and the memory of one frame (at most 256 MiB of RGB32).
inline constexpr int32_t kMaxFrameSide = 8192;

enum class GeometryError {
  None,
  UnknownPixelType,
  BadWidth,        // width <= 0
  BadHeight,       // height == 0
  StrideTooSmall,  // a given stride shorter than one row of pixels
  TooLarge,        // the record would not fit in kMaxFrameRecordSize
  SideTooLong,     // width or |height| over kMaxFrameSide
};

constexpr const char* DescribeGeometryError(GeometryError error) {
  switch (error) {
    case GeometryError::None: return "valid";
    case GeometryError::UnknownPixelType: return "unknown pixel type";
    case GeometryError::BadWidth: return "width is not positive";
    case GeometryError::BadHeight: return "height is zero";
    case GeometryError::StrideTooSmall: return "stride is shorter than a row";
    case GeometryError::TooLarge: return "frame is too large";
    case GeometryError::SideTooLong: return "width or height is over 8192 pixels";
  }
  return "unknown error";
}

struct CheckedFrame {
  GeometryError error = GeometryError::None;
  FrameHeader header{};    // with the stride resolved; meaningful only without error
  uint32_t imageSize = 0;  // ImageSize of header; the record is kFrameHeaderSize bytes longer
  constexpr bool ok() const { return error == GeometryError::None; }
  constexpr uint32_t recordSize() const { return imageSize + uint32_t{kFrameHeaderSize}; }
};

// Checks a frame's geometry before anything is computed from it, replacing a stride of 0 or less by the
// default. A frame that cannot be delivered is refused here, so no later size arithmetic can go wrong.
constexpr CheckedFrame CheckFrameGeometry(FrameHeader frame) {
  CheckedFrame result;
  if (!IsFramePixelType(static_cast<int32_t>(frame.pixelType))) {
    result.error = GeometryError::UnknownPixelType;
  } else if (frame.width <= 0) {
    result.error = GeometryError::BadWidth;
  } else if (frame.height == 0) {
    result.error = GeometryError::BadHeight;
  } else {
    const int64_t stride =
        frame.stride > 0 ? frame.stride : DefaultStride(frame.pixelType, frame.width);
    if (stride > INT32_MAX) {
      result.error = GeometryError::TooLarge;
    } else if (stride < RowBytes(frame.pixelType, frame.width)) {
      result.error = GeometryError::StrideTooSmall;
    } else {
      frame.stride = static_cast<int32_t>(stride);
      const int64_t size = ImageSize(frame.pixelType, frame.height, frame.stride);
      const int64_t rows = frame.height < 0 ? -int64_t{frame.height} : int64_t{frame.height};
      if (size + kFrameHeaderSize > kMaxFrameRecordSize) {
        result.error = GeometryError::TooLarge;
      } else if (frame.width > kMaxFrameSide || rows > kMaxFrameSide) {
        // Checked after the byte count, so that a record too large to exist is reported as such.
        result.error = GeometryError::SideTooLong;
      } else {
        result.header = frame;
        result.imageSize = static_cast<uint32_t>(size);
      }
    }
  }
  return result;
}

}  // namespace orvane
