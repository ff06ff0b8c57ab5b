// The rule that picks the camera's capture format the user chose earlier: which stored records are
// usable at all, and which capability of the camera's capture pin matches one. Pure computation on
// plain values (no windows.h) so that it builds and is tested natively; CDSRender reads the registry
// and the pin's capabilities and hands the values in. Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane::graph {

// A GUID as its four fields, independent of the platform's GUID type.
struct GuidValue {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};

  friend bool operator==(const GuidValue&, const GuidValue&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits of either case, exactly 38
// characters; anything else is not a GUID.
std::optional<GuidValue> ParseBraceGuid(std::wstring_view text);

// The capture format as stored in the per-device settings (cap_format, cap_width, cap_height, cap_fps).
struct StoredCaptureFormat {
  GuidValue subtype;
  int32_t width = 0;
  int32_t height = 0;  // the format block's signed height: negative for a top-down picture
  int32_t fps = 0;
};

// Why a stored record is not used; None when it is usable.
enum class StoredFormatProblem { None, NotAGuid, BadWidth, BadHeight, BadFrameRate };

// The usable record from the raw stored values, or the reason it is refused. The numbers come from
// 32-bit registry values, so they arrive unsigned: a width or frame rate above INT32_MAX is an
// overflow, not a large size. The height may be negative (top-down) but not 0, and not INT32_MIN,
// whose magnitude has no 32-bit value.
StoredFormatProblem CheckStoredCaptureFormat(std::wstring_view subtypeText, uint32_t width, uint32_t height,
                                             uint32_t fps, StoredCaptureFormat& format);

// Whole frames per second of an average time per frame in 100-ns units, by integer division (333,333
// gives 30, 333,667 gives 29). A time of 0 or less has no frame rate: nullopt, so it never matches.
std::optional<int64_t> FramesPerSecond(int64_t averageTimePerFrame);

enum class VideoFormatBlock { VideoInfo, VideoInfo2, Other };

// One capability of the capture pin, as read from its media type and format block.
struct CapabilityFormat {
  bool videoMajorType = false;
  GuidValue subtype;
  VideoFormatBlock block = VideoFormatBlock::Other;
  int32_t width = 0;
  int32_t height = 0;  // signed, as in the bitmap header
  int64_t averageTimePerFrame = 0;
};

// A video capability in either video format block whose width, signed height, whole frame rate and
// subtype all equal the stored ones.
bool MatchesStoredFormat(const CapabilityFormat& capability, const StoredCaptureFormat& stored);

}  // namespace orvane::graph
