#include "platform/dshow/MediaTypeGeometry.h"

#include <cstring>

namespace orvane {
namespace {

constexpr Guid kMediaTypeVideo = {
    0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr Guid kFormatVideoInfo = {
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
constexpr Guid kFormatVideoInfo2 = {
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

struct SubtypePixelType {
  Guid subtype;
  FramePixelType pixelType;
};
constexpr SubtypePixelType kSubtypes[] = {
    {{0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}, FramePixelType::RGB24},
    {{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}, FramePixelType::RGB32},
    {{0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}, FramePixelType::YUY2},
    {{0x3231564E, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}, FramePixelType::NV12},
};

// Where BITMAPINFOHEADER starts in each format block, and its size (40 bytes).
constexpr size_t kVideoInfoBitmapOffset = 48;
constexpr size_t kVideoInfo2BitmapOffset = 72;
constexpr size_t kBitmapHeaderSize = 40;
constexpr size_t kBiWidthOffset = 4;
constexpr size_t kBiHeightOffset = 8;

bool SameGuid(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof(Guid)) == 0; }

int32_t ReadLittleEndian32(const uint8_t* bytes) {
  const uint32_t value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                         uint32_t{bytes[3]} << 24;
  return static_cast<int32_t>(value);
}

}  // namespace

const char* DescribeMediaTypeError(MediaTypeError error) {
  switch (error) {
    case MediaTypeError::None: return "valid";
    case MediaTypeError::NotVideo: return "not a video media type";
    case MediaTypeError::UnknownSubtype: return "unsupported video subtype";
    case MediaTypeError::UnknownFormatType: return "unsupported format type";
    case MediaTypeError::FormatBlockTooSmall: return "format block too small";
    case MediaTypeError::BadGeometry: return "unusable frame geometry";
  }
  return "unknown error";
}

VideoMediaGeometry GeometryFromMediaType(const VideoMediaType& type) {
  VideoMediaGeometry result;
  if (!SameGuid(type.majorType, kMediaTypeVideo)) {
    result.error = MediaTypeError::NotVideo;
    return result;
  }
  const SubtypePixelType* match = nullptr;
  for (const SubtypePixelType& entry : kSubtypes) {
    if (SameGuid(type.subtype, entry.subtype)) match = &entry;
  }
  if (match == nullptr) {
    result.error = MediaTypeError::UnknownSubtype;
    return result;
  }
  size_t bitmapOffset = 0;
  if (SameGuid(type.formatType, kFormatVideoInfo)) {
    bitmapOffset = kVideoInfoBitmapOffset;
  } else if (SameGuid(type.formatType, kFormatVideoInfo2)) {
    bitmapOffset = kVideoInfo2BitmapOffset;
  } else {
    result.error = MediaTypeError::UnknownFormatType;
    return result;
  }
  if (type.formatBlock == nullptr || type.formatSize < bitmapOffset + kBitmapHeaderSize) {
    result.error = MediaTypeError::FormatBlockTooSmall;
    return result;
  }
  const uint8_t* bitmap = type.formatBlock + bitmapOffset;
  // The stride always comes from the subtype and the width: a media type's biSizeImage and source
  // rectangle are not trusted to describe the buffer.
  result.frame = CheckFrameGeometry({match->pixelType, ReadLittleEndian32(bitmap + kBiWidthOffset),
                                     ReadLittleEndian32(bitmap + kBiHeightOffset), 0});
  if (!result.frame.ok()) result.error = MediaTypeError::BadGeometry;
  return result;
}

}  // namespace orvane
