// What a client sees while no producer frames arrive: a picture held as 32-bit pixels (blue, green,
// red, unused; rows top-down), either decoded from the idle picture file or the neutral "no signal"
// picture drawn here. The same PictureRenderer fits it into each client frame.
// Plain data and functions; any thread may call them. A Picture32 belongs to its creator.
#pragma once

#include <cstdint>
#include <vector>

#include "media/frame/FrameTransform.h"
#include "media/picture/PictureRenderer.h"

namespace orvane::picture {

struct Picture32 {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4 bytes, top row first

  bool empty() const { return width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height) * 4; }
  // The picture as an RGB32 source for PictureRenderer::Render (top-down: negative height).
  FrameView View() const;
};

// Larger decoded pictures are scaled down to fit this box before they are kept.
inline constexpr int32_t kMaxIdlePictureWidth = 3840;
inline constexpr int32_t kMaxIdlePictureHeight = 2160;

// The neutral picture at the given size: a dark, softly lit background with a crossed-out camera
// outline in the middle. False (and `out` empty) for a size that is not positive or too large for
// memory; the size is capped at the idle picture box.
bool MakeNoSignalPicture(int32_t width, int32_t height, Picture32& out);

// Idle pictures take the device's fill mode but are never mirrored or flipped: a picture that carries
// text must stay readable whatever the live picture's orientation settings are.
PictureOptions IdlePictureOptions(const PictureOptions& device);

}  // namespace orvane::picture
