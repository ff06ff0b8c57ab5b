#include "app/ui/OutputKeys.h"

#include <algorithm>

namespace orvane {
namespace {

// Virtual-key codes of the platform, kept here so that the rules build without it.
constexpr uint32_t kVkPause = 0x13;
constexpr uint32_t kVkLeft = 0x25;
constexpr uint32_t kVkUp = 0x26;
constexpr uint32_t kVkRight = 0x27;
constexpr uint32_t kVkDown = 0x28;
constexpr uint32_t kVkAdd = 0x6B;
constexpr uint32_t kVkSubtract = 0x6D;
constexpr uint32_t kVkOemPlus = 0xBB;
constexpr uint32_t kVkOemMinus = 0xBD;

}  // namespace

OutputKey OutputKeyOf(uint32_t virtualKey, bool ctrl) {
  if (virtualKey == kVkPause) return OutputKey::Pause;
  if (!ctrl) return OutputKey::None;
  switch (virtualKey) {
    case 'F': return OutputKey::Flip;
    case 'M': return OutputKey::Mirror;
    case 'R': return OutputKey::Rotate;
    case 'S': return OutputKey::NextFillMode;
    case 'P': return OutputKey::Pause;
    case 'Z': return OutputKey::Reset;
    case kVkAdd:
    case kVkOemPlus: return OutputKey::ZoomIn;
    case kVkSubtract:
    case kVkOemMinus: return OutputKey::ZoomOut;
    case kVkLeft: return OutputKey::PanLeft;
    case kVkRight: return OutputKey::PanRight;
    case kVkUp: return OutputKey::PanUp;
    case kVkDown: return OutputKey::PanDown;
    default: return OutputKey::None;
  }
}

std::optional<CameraSteps> CameraStepsOf(OutputKey key) {
  switch (key) {
    case OutputKey::ZoomIn: return CameraSteps{+1, 0, 0};
    case OutputKey::ZoomOut: return CameraSteps{-1, 0, 0};
    case OutputKey::PanLeft: return CameraSteps{0, -1, 0};
    case OutputKey::PanRight: return CameraSteps{0, +1, 0};
    case OutputKey::PanUp: return CameraSteps{0, 0, +1};  // the camera tilts up
    case OutputKey::PanDown: return CameraSteps{0, 0, -1};
    case OutputKey::Reset: return CameraSteps{};
    default: return std::nullopt;
  }
}

OutputOptions AfterKey(OutputOptions options, OutputKey key, bool cameraTookIt) {
  switch (key) {
    case OutputKey::Flip:
      options.flip = !options.flip;
      break;
    case OutputKey::Mirror:
      options.mirror = !options.mirror;
      break;
    case OutputKey::Rotate:
      options.rotate = !options.rotate;
      break;
    case OutputKey::NextFillMode:
    {
      // In 64 bits and never negative: a stored mode outside the range lands inside it.
      const int64_t next = (static_cast<int64_t>(options.fillMode) + 1) % kFillModeCount;
      options.fillMode = static_cast<int32_t>(next < 0 ? next + kFillModeCount : next);
      break;
    }
    case OutputKey::Reset:
      options = OutputOptions{};
      break;
    case OutputKey::ZoomIn:
      if (!cameraTookIt && options.zoom < kMaxDigitalZoom) ++options.zoom;
      break;
    case OutputKey::ZoomOut:
      if (!cameraTookIt && options.zoom > 0) --options.zoom;
      // The pan stays inside the smaller cropped area.
      options.panX = std::clamp(options.panX, -options.zoom, options.zoom);
      options.panY = std::clamp(options.panY, -options.zoom, options.zoom);
      break;
    case OutputKey::PanLeft:
      if (!cameraTookIt && options.panX > -options.zoom) --options.panX;
      break;
    case OutputKey::PanRight:
      if (!cameraTookIt && options.panX < options.zoom) ++options.panX;
      break;
    case OutputKey::PanUp:
      if (!cameraTookIt && options.panY > -options.zoom) --options.panY;
      break;
    case OutputKey::PanDown:
      if (!cameraTookIt && options.panY < options.zoom) ++options.panY;
      break;
    case OutputKey::Pause:
    case OutputKey::None:
      break;
  }
  return options;
}

}  // namespace orvane
