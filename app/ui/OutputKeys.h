// The output options of the virtual camera picture that the main window holds (mirror, flip, rotation,
// fill mode, digital zoom and pan) and the keys that change them while something plays. Pure; any
// thread. The window asks the camera first for zoom and pan keys (its own zoom, pan and tilt) and
// changes the digital values only when the camera has no such control.
#pragma once

#include <cstdint>
#include <optional>

namespace orvane {

inline constexpr int32_t kMaxDigitalZoom = 40;
inline constexpr int32_t kFillModeCount = 3;  // fit, fill, stretch

struct OutputOptions {
  bool mirror = false;
  bool flip = false;
  bool rotate = false;
  int32_t fillMode = 0;  // as stored at start, then 0 to 2 after any key
  int32_t zoom = 0;      // 0 to 40
  int32_t panX = 0;      // each within -zoom to +zoom
  int32_t panY = 0;

  bool operator==(const OutputOptions&) const = default;
};

enum class OutputKey {
  None,
  Flip,
  Mirror,
  Rotate,
  NextFillMode,
  Pause,
  ZoomIn,
  ZoomOut,
  PanLeft,
  PanRight,
  PanUp,
  PanDown,
  Reset,
};

// The key for a virtual-key code; `ctrl`: the Control key was down. Pause works with or without it,
// every other key only with it.
OutputKey OutputKeyOf(uint32_t virtualKey, bool ctrl);

// Steps of the camera's own zoom, pan and tilt that a key asks for first; all 0 for Reset, which puts
// them back to the camera's defaults; nothing for keys that do not move the camera.
struct CameraSteps {
  int zoom = 0;
  int pan = 0;
  int tilt = 0;
};
std::optional<CameraSteps> CameraStepsOf(OutputKey key);

// The options after `key`; `cameraTookIt`: the camera carried out the key's steps itself (the digital
// zoom and pan then stay). Keys beyond their range leave the values as they are.
OutputOptions AfterKey(OutputOptions options, OutputKey key, bool cameraTookIt);

}  // namespace orvane
