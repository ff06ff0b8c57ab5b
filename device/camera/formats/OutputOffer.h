// What the virtual camera offers to its clients for the output format that the producer sets through
// property 1 (OutputFormat): the meaning of the record's format code, the ranges the camera accepts,
// and the list of layouts and sizes that its capture pin announces. Platform-neutral; functions and
// constants only, any thread.
//
// Format codes (OutputFormat::format), which this device defines:
//   0  no preference: YUY2 first, then NV12, RGB32, RGB24
//   1  YUY2 first     2  NV12 first     3  RGB24 first     4  RGB32 first
// The code only chooses the layout of the first (default) capability; every layout stays on offer, so
// that a call app that needs another one still finds it. Other codes are refused.
//
// Sizes: the output size first, then the common sizes (1920x1080 down to 160x120) unless oneSizeOnly
// is set. YUY2 needs an even width and NV12 an even width and height: for an odd output size those two
// layouts are offered at the even size just below it. Each size is offered in all four layouts, RGB
// bottom-up (positive height), at the output's frame rate and, on request, any slower one down to one
// frame per second.
#pragma once

#include <cstdint>
#include <vector>

#include "shared/FrameFormat.h"

namespace orvane::camera {

enum OutputFormatCode : int32_t {
  kFormatNoPreference = 0,
  kFormatYUY2 = 1,
  kFormatNV12 = 2,
  kFormatRGB24 = 3,
  kFormatRGB32 = 4,
};

// Property 1 is refused (and changes nothing) outside these ranges.
inline constexpr int32_t kMaxOutputWidth = 4096;
inline constexpr int32_t kMaxOutputHeight = 4096;
inline constexpr int32_t kMaxOutputRate = 1023;  // frames per second

enum class OutputFormatError { None, BadSize, BadRate, UnknownFormat };

// Width 1..4096, height 1..4096 (a positive height: the record has no orientation), 1..1023 frames per
// second and a known format code; oneSizeOnly may hold any value (nonzero means set).
OutputFormatError CheckOutputFormat(const OutputFormat& format);
const char* DescribeOutputFormatError(OutputFormatError error);

// 100-ns units per frame at `fps` frames per second, rounded down, so that a client that computes the
// rate back as 10,000,000 / interval with integer division gets `fps` again (30 -> 333333).
int64_t FrameIntervalOfRate(int32_t fps);

inline constexpr int64_t kSlowestFrameInterval = 10000000;  // one frame per second

struct OfferedFormat {
  FramePixelType type;
  int32_t width;
  int32_t height;  // positive: RGB rows bottom-up
  friend constexpr bool operator==(const OfferedFormat&, const OfferedFormat&) = default;
};

// The formats in announcement order, without repeats. A format that CheckOutputFormat refuses (a
// shared state written by something else) is replaced by the device's default, 1280x720 at 30 fps.
std::vector<OfferedFormat> OfferedFormats(const OutputFormat& format);

// The output format as the offer reads it: `format` when it is acceptable, else the default.
OutputFormat EffectiveOutputFormat(const OutputFormat& format);

}  // namespace orvane::camera
