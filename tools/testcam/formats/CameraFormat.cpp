#include "tools/testcam/formats/CameraFormat.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace orvane {
namespace {

constexpr int32_t kLargestSide = 16384;
constexpr int64_t kLongestInterval = 100000000;  // 10 s
constexpr int64_t kUnitsPerSecond = 10000000;

struct SubtypeName {
  CameraSubtype subtype;
  std::string_view name;
};
constexpr std::array<SubtypeName, 5> kNames{{{CameraSubtype::RGB24, "RGB24"},
                                             {CameraSubtype::RGB32, "RGB32"},
                                             {CameraSubtype::YUY2, "YUY2"},
                                             {CameraSubtype::NV12, "NV12"},
                                             {CameraSubtype::MJPG, "MJPG"}}};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Reads a whole decimal integer from `text`, advancing it.
template <typename Integer>
bool TakeInteger(std::string_view& text, Integer& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

// "30", "29.97", "7.5": frames per second in thousandths.
bool TakeRate(std::string_view text, int64_t& millihertz) {
  int64_t whole = 0;
  if (!TakeInteger(text, whole) || whole < 0 || whole > 1000) return false;
  int64_t fraction = 0;
  int digits = 0;
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    while (!text.empty() && std::isdigit(static_cast<unsigned char>(text.front())) && digits < 3) {
      fraction = fraction * 10 + (text.front() - '0');
      text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0) return false;
  }
  if (!text.empty()) return false;
  while (digits++ < 3) fraction *= 10;
  millihertz = whole * 1000 + fraction;
  return millihertz > 0 && millihertz <= 1000000;
}

}  // namespace

std::optional<CameraFormat> ParseCameraFormat(std::string_view text) {
  const size_t space = text.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  CameraFormat format;
  bool known = false;
  for (const SubtypeName& entry : kNames) {
    if (SameLetters(text.substr(0, space), entry.name)) {
      format.subtype = entry.subtype;
      known = true;
    }
  }
  if (!known) return std::nullopt;
  text.remove_prefix(space + 1);

  if (!TakeInteger(text, format.width) || text.empty() || text.front() != 'x') return std::nullopt;
  text.remove_prefix(1);
  if (!TakeInteger(text, format.height) || text.empty()) return std::nullopt;
  if (format.width <= 0 || format.width > kLargestSide) return std::nullopt;
  if (format.height == 0 || format.height > kLargestSide || format.height < -kLargestSide) return std::nullopt;

  const char separator = text.front();
  text.remove_prefix(1);
  if (separator == '@') {
    int64_t millihertz = 0;
    if (!TakeRate(text, millihertz)) return std::nullopt;
    // Rounded to the nearest 100 ns: 29.97 fps gives 333667.
    format.interval = static_cast<int64_t>(std::llround(kUnitsPerSecond * 1000.0 / millihertz));
    return format;
  }
  if (separator == '/') {
    if (!TakeInteger(text, format.interval) || !text.empty()) return std::nullopt;
    if (format.interval < 0 || format.interval > kLongestInterval) return std::nullopt;
    return format;
  }
  return std::nullopt;
}

std::string DescribeCameraFormat(const CameraFormat& format) {
  std::string name;
  for (const SubtypeName& entry : kNames) {
    if (entry.subtype == format.subtype) name = entry.name;
  }
  return name + " " + std::to_string(format.width) + "x" + std::to_string(format.height) + "/" +
         std::to_string(format.interval);
}

const std::vector<CameraFormat>& DefaultCameraFormats() {
  static const std::vector<CameraFormat> formats = [] {
    constexpr int64_t k30 = 333333;
    std::vector<CameraFormat> list;
    for (const CameraSubtype subtype : {CameraSubtype::YUY2, CameraSubtype::NV12, CameraSubtype::RGB24,
                                        CameraSubtype::RGB32, CameraSubtype::MJPG}) {
      for (const auto& [width, height] : {std::pair{640, 480}, std::pair{320, 240}, std::pair{1280, 720}}) {
        list.push_back({subtype, width, height, k30});
      }
    }
    list.push_back({CameraSubtype::MJPG, 1920, 1080, k30});
    list.push_back({CameraSubtype::YUY2, 1280, 720, 1000000});  // 10 fps, as USB 2 cameras offer it
    return list;
  }();
  return formats;
}

}  // namespace orvane
