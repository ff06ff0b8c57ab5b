// The command line of camclient.exe, the camera client used for tests, demos and benchmarks. Pure
// parsing, platform-neutral; any thread. UsageText() is the tool's documentation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shared/FrameFormat.h"

namespace orvane::camclient {

enum class Mode { Read, Produce, List };

// How the synthetic webcam's pattern must appear in every frame that carries it.
enum class Orientation { Upright, Mirrored, Flipped, Rotated };

struct ClientOptions {
  Mode mode = Mode::Read;
  // A video input device by its exact friendly name or, when all digits, by its position in the
  // system device enumerator's list. Empty: the first device (read) or the first virtual camera
  // (produce).
  std::wstring device;
  int32_t width = 0;  // 0: the device's default (read); required to produce
  int32_t height = 0;
  std::optional<FramePixelType> format;  // read: the device's default when absent; produce: YUY2
  int32_t fps = 0;                       // 0: the device's default (read), 30 (produce)
  int64_t frames = 0;                    // stop after this many frames...
  double seconds = 0;                    // ...or after this long; neither: 5 seconds
  std::optional<Orientation> verify;
  std::optional<double> expectScaleX, expectScaleY;
  std::wstring save;        // .bmp or .png: the last frame received
  std::wstring readyEvent;  // a named event set when the first frame arrives (read)
  std::optional<OutputFormat> output;  // produce: property 1 set before the first frame
};

struct ParseResult {
  bool ok = false;
  std::string error;
  ClientOptions options;
};

// `arguments` without the program name.
ParseResult ParseClientOptions(const std::vector<std::wstring>& arguments);

const char* UsageText();
// "YUY2", "NV12", "RGB24" or "RGB32", in any letter case.
std::optional<FramePixelType> ParseLayout(const std::wstring& text);
const char* OrientationName(Orientation orientation);

}  // namespace orvane::camclient
