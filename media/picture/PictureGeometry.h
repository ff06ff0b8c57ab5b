// Where a producer picture lands in a client's frame: the part of the source that is shown and the
// rectangle of the client frame it fills, for each fill mode. Pure arithmetic on sizes (no pixels);
// callable from any thread.
#pragma once

#include <cstdint>

#include "shared/VirtualCameraProperties.h"

namespace orvane::picture {

// A rectangle of whole pixels, counted from the top-left of the picture as a viewer sees it.
struct PixelRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The shown part of the source, in source pixels. "Aspect Fill" cuts it to the client's aspect, so it
// may start and end between pixels.
struct SourceWindow {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

struct PictureFit {
  SourceWindow source;
  PixelRect content;  // the client pixels the picture covers; the rest is black bars
};

// `alignX` / `alignY` (1 or 2) keep the content's edges on whole chroma samples of the client's layout,
// so that no chroma sample is shared between a bar and the picture. Sizes must be positive.
PictureFit FitPicture(int32_t sourceWidth, int32_t sourceHeight, int32_t clientWidth, int32_t clientHeight,
                      FillMode mode, int32_t alignX, int32_t alignY);

}  // namespace orvane::picture
