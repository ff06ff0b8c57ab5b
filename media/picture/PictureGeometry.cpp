#include "media/picture/PictureGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvane::picture {
namespace {

// The letterboxed length of one side: the scaled size rounded to the alignment, never 0 and never
// more than the client has. The offset centres it, also on the alignment.
void PlaceSide(double scaled, int32_t clientSize, int32_t align, int32_t& offset, int32_t& size) {
  int64_t length = std::llround(scaled / align) * align;
  length = std::clamp<int64_t>(length, std::min<int32_t>(align, clientSize), clientSize);
  if (length == clientSize) {
    offset = 0;
  } else {
    offset = static_cast<int32_t>((clientSize - length) / (2 * align) * align);
  }
  size = static_cast<int32_t>(length);
}

}  // namespace

PictureFit FitPicture(int32_t sourceWidth, int32_t sourceHeight, int32_t clientWidth, int32_t clientHeight,
                      FillMode mode, int32_t alignX, int32_t alignY) {
  PictureFit fit;
  fit.source = {0, 0, static_cast<double>(sourceWidth), static_cast<double>(sourceHeight)};
  fit.content = {0, 0, clientWidth, clientHeight};
  // Aspects are compared as cross products in 64 bits: exact for every 32-bit size.
  const int64_t sourceAcross = int64_t{sourceWidth} * clientHeight;
  const int64_t clientAcross = int64_t{clientWidth} * sourceHeight;
  if (mode == FillMode::Stretch || sourceAcross == clientAcross) return fit;

  const bool sourceWider = sourceAcross > clientAcross;
  if (mode == FillMode::AspectFill) {
    // Keep the whole height (or width) and cut the other side to the client's aspect, centred.
    if (sourceWider) {
      const double shown = static_cast<double>(clientAcross) / clientHeight;
      fit.source.x = (sourceWidth - shown) / 2;
      fit.source.width = shown;
    } else {
      const double shown = static_cast<double>(sourceAcross) / clientWidth;
      fit.source.y = (sourceHeight - shown) / 2;
      fit.source.height = shown;
    }
    return fit;
  }

  // Aspect Fit: the whole source, as large as fits, bars on the two other sides.
  if (sourceWider) {
    const double scaled = static_cast<double>(sourceHeight) * clientWidth / sourceWidth;
    PlaceSide(scaled, clientHeight, alignY, fit.content.y, fit.content.height);
  } else {
    const double scaled = static_cast<double>(sourceWidth) * clientHeight / sourceHeight;
    PlaceSide(scaled, clientWidth, alignX, fit.content.x, fit.content.width);
  }
  return fit;
}

}  // namespace orvane::picture
