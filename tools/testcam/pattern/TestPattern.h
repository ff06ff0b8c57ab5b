// The synthetic webcam's picture: a moving, self-describing test pattern, and the reader that finds
// it again in a received frame. Platform-neutral (no windows.h): the camera writes it, and camera
// clients and tests read it, on any platform.
//
// The picture, in its own top-down coordinates:
//   - a grey background with two bars that move with the frame number;
//   - four corner marks of different colours (top left red, top right green, bottom left blue,
//     bottom right yellow), so mirroring, flipping, rotation and cropping are visible;
//   - a centred data block, 40% of the picture in each direction: a magenta ring around a grid of
//     16 x 13 black (1) and white (0) cells carrying the payload with a checksum.
// The reader finds the ring by scanning outwards from the image centre, so the picture may arrive
// scaled (in each direction independently), letterboxed, cropped around the centre (zoomed up to
// 2.5x), mirrored, flipped or turned by quarter turns, in any of the four layouts, and after lossy
// compression; it tries all eight orientations and accepts only a payload whose checksum holds.
//
// Functions only; any thread. Buffers are checked against their geometry before use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "shared/FrameFormat.h"

namespace orvane {

// The format the camera produced the frame in (the reader learns the received one from its caller).
enum class PatternFormat : uint8_t { RGB24 = 0, RGB32 = 1, YUY2 = 2, NV12 = 3, MJPG = 4, Other = 255 };

// What a frame says about itself.
struct PatternPayload {
  uint32_t frameNumber = 0;
  uint16_t width = 0;   // the picture's size as produced (pixels)
  uint16_t height = 0;
  PatternFormat format = PatternFormat::Other;
  uint8_t cameraIndex = 0;  // 0..15
  // When the frame was made, on the producer's clock in 100-ns units (the camera uses the system's
  // performance counter, which every process of the machine shares, so receivers can measure latency).
  uint64_t timestamp = 0;
  uint16_t zoom = 0;  // the camera's zoom, pan and tilt when the frame was made
  int8_t pan = 0;
  int8_t tilt = 0;
  friend constexpr bool operator==(const PatternPayload&, const PatternPayload&) = default;
};

enum class PatternWriteStatus { Written, BadGeometry, BufferTooSmall, BadPayload };

// Draws frame `payload.frameNumber` of the pattern into `pixels` (`bufferSize` bytes) laid out as
// `frame` (RGB with positive height bottom-up; a stride of 0 or less means the default).
PatternWriteStatus WriteTestPattern(const FrameHeader& frame, uint8_t* pixels, size_t bufferSize,
                                    const PatternPayload& payload);

enum class CornerColour : uint8_t { None, Red, Green, Blue, Yellow };

struct PatternReading {
  bool found = false;
  const char* failure = nullptr;  // why not found
  PatternPayload payload;
  // How the picture appears: mirrored left-right first (if `mirrored`), then turned clockwise by
  // `quarterTurns` quarter turns. A vertical flip reads as mirrored with two quarter turns.
  int quarterTurns = 0;
  bool mirrored = false;
  // The data block's size in the image over its size in the produced picture, along the image's x
  // and y axes (1 for an unscaled frame, 2 for a frame zoomed in twice).
  double scaleX = 0;
  double scaleY = 0;
  // The block's centre minus the image's centre, in image pixels (panning moves it).
  double offsetX = 0;
  double offsetY = 0;
  // The colours found at the image's corners: top left, top right, bottom left, bottom right.
  std::array<CornerColour, 4> corners{};
};

// Looks for the pattern in `pixels` (`bufferSize` bytes) laid out as `frame`.
PatternReading ReadTestPattern(const FrameHeader& frame, const uint8_t* pixels, size_t bufferSize);

}  // namespace orvane
