#include "device/camera/formats/OutputOffer.h"

#include <algorithm>
#include <array>

namespace orvane::camera {
namespace {

constexpr OutputFormat kDefaultOutput{1280, 720, 30, 0, kFormatNoPreference};

struct Size {
  int32_t width, height;
};
constexpr Size kCommonSizes[] = {{1920, 1080}, {1280, 720}, {1024, 768}, {960, 540}, {800, 600},
                                 {640, 480},   {640, 360},  {320, 240},  {320, 180}, {160, 120}};

// The layouts in announcement order for a format code: the preferred one, then the others in the
// order of no preference.
std::array<FramePixelType, 4> LayoutOrder(int32_t code) {
  constexpr std::array<FramePixelType, 4> kDefaultOrder{FramePixelType::YUY2, FramePixelType::NV12,
                                                        FramePixelType::RGB32, FramePixelType::RGB24};
  FramePixelType first = FramePixelType::YUY2;
  switch (code) {
    case kFormatNV12: first = FramePixelType::NV12; break;
    case kFormatRGB24: first = FramePixelType::RGB24; break;
    case kFormatRGB32: first = FramePixelType::RGB32; break;
    default: break;
  }
  std::array<FramePixelType, 4> order{first};
  size_t next = 1;
  for (const FramePixelType type : kDefaultOrder) {
    if (type != first) order[next++] = type;
  }
  return order;
}

// The size a layout can have closest below the asked one: 4:2:2 needs an even width, 4:2:0 an even
// width and height. A zero means the layout cannot show that size.
Size SizeFor(FramePixelType type, Size size) {
  if (type == FramePixelType::YUY2) size.width &= ~1;
  if (type == FramePixelType::NV12) {
    size.width &= ~1;
    size.height &= ~1;
  }
  return size;
}

}  // namespace

OutputFormatError CheckOutputFormat(const OutputFormat& format) {
  if (format.width < 1 || format.width > kMaxOutputWidth || format.height < 1 || format.height > kMaxOutputHeight) {
    return OutputFormatError::BadSize;
  }
  if (format.fps < 1 || format.fps > kMaxOutputRate) return OutputFormatError::BadRate;
  if (format.format < kFormatNoPreference || format.format > kFormatRGB32) return OutputFormatError::UnknownFormat;
  return OutputFormatError::None;
}

const char* DescribeOutputFormatError(OutputFormatError error) {
  switch (error) {
    case OutputFormatError::None: return "valid";
    case OutputFormatError::BadSize: return "size outside 1..4096 x 1..4096";
    case OutputFormatError::BadRate: return "frame rate outside 1..1023";
    case OutputFormatError::UnknownFormat: return "unknown format code";
  }
  return "unknown error";
}

int64_t FrameIntervalOfRate(int32_t fps) { return fps > 0 ? 10000000 / fps : kSlowestFrameInterval; }

OutputFormat EffectiveOutputFormat(const OutputFormat& format) {
  return CheckOutputFormat(format) == OutputFormatError::None ? format : kDefaultOutput;
}

std::vector<OfferedFormat> OfferedFormats(const OutputFormat& requested) {
  const OutputFormat output = EffectiveOutputFormat(requested);
  std::vector<Size> sizes{{output.width, output.height}};
  if (output.oneSizeOnly == 0) sizes.insert(sizes.end(), std::begin(kCommonSizes), std::end(kCommonSizes));
  std::vector<OfferedFormat> offered;
  for (const Size& size : sizes) {
    for (const FramePixelType type : LayoutOrder(output.format)) {
      const Size fitted = SizeFor(type, size);
      if (fitted.width == 0 || fitted.height == 0) continue;
      const OfferedFormat format{type, fitted.width, fitted.height};
      if (std::find(offered.begin(), offered.end(), format) == offered.end()) offered.push_back(format);
    }
  }
  return offered;
}

}  // namespace orvane::camera
