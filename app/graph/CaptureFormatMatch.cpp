#include "app/graph/CaptureFormatMatch.h"

#include <limits>

namespace orvane::graph {
namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;

std::optional<uint32_t> HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return static_cast<uint32_t>(c - L'0');
  if (c >= L'a' && c <= L'f') return static_cast<uint32_t>(c - L'a' + 10);
  if (c >= L'A' && c <= L'F') return static_cast<uint32_t>(c - L'A' + 10);
  return std::nullopt;
}

// `count` hexadecimal digits from `text` at `at` into `value`.
bool ReadHex(std::wstring_view text, size_t at, size_t count, uint32_t& value) {
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const std::optional<uint32_t> digit = HexDigit(text[at + i]);
    if (!digit) return false;
    value = value << 4 | *digit;
  }
  return true;
}

}  // namespace

std::optional<GuidValue> ParseBraceGuid(std::wstring_view text) {
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return std::nullopt;
  for (size_t dash : {9u, 14u, 19u, 24u}) {
    if (text[dash] != L'-') return std::nullopt;
  }
  GuidValue guid;
  uint32_t part = 0;
  if (!ReadHex(text, 1, 8, guid.data1)) return std::nullopt;
  if (!ReadHex(text, 10, 4, part)) return std::nullopt;
  guid.data2 = static_cast<uint16_t>(part);
  if (!ReadHex(text, 15, 4, part)) return std::nullopt;
  guid.data3 = static_cast<uint16_t>(part);
  // The last two groups are the eight bytes of data4, two digits each.
  const size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, byteAt[i], 2, part)) return std::nullopt;
    guid.data4[i] = static_cast<uint8_t>(part);
  }
  return guid;
}

StoredFormatProblem CheckStoredCaptureFormat(std::wstring_view subtypeText, uint32_t width, uint32_t height,
                                             uint32_t fps, StoredCaptureFormat& format) {
  const std::optional<GuidValue> subtype = ParseBraceGuid(subtypeText);
  if (!subtype) return StoredFormatProblem::NotAGuid;
  constexpr uint32_t kLargest = std::numeric_limits<int32_t>::max();
  if (width == 0 || width > kLargest) return StoredFormatProblem::BadWidth;
  const int32_t signedHeight = static_cast<int32_t>(height);
  if (signedHeight == 0 || signedHeight == std::numeric_limits<int32_t>::min()) return StoredFormatProblem::BadHeight;
  // No average time per frame of at least one unit gives more than this many frames per second.
  if (fps == 0 || fps > kUnitsPerSecond) return StoredFormatProblem::BadFrameRate;
  format.subtype = *subtype;
  format.width = static_cast<int32_t>(width);
  format.height = signedHeight;
  format.fps = static_cast<int32_t>(fps);
  return StoredFormatProblem::None;
}

std::optional<int64_t> FramesPerSecond(int64_t averageTimePerFrame) {
  if (averageTimePerFrame <= 0) return std::nullopt;
  return kUnitsPerSecond / averageTimePerFrame;
}

bool MatchesStoredFormat(const CapabilityFormat& capability, const StoredCaptureFormat& stored) {
  if (!capability.videoMajorType || capability.block == VideoFormatBlock::Other) return false;
  const std::optional<int64_t> fps = FramesPerSecond(capability.averageTimePerFrame);
  return fps && *fps == stored.fps && capability.width == stored.width && capability.height == stored.height &&
         capability.subtype == stored.subtype;
}

}  // namespace orvane::graph
