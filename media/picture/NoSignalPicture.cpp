#include <algorithm>
#include <cmath>
#include <new>

#include "media/picture/IdlePicture.h"

namespace orvane::picture {
namespace {

struct Point {
  double x, y;
};

double SegmentDistance(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance to the outline of a rectangle with rounded corners centred at `centre`.
double RoundedRectOutline(Point p, Point centre, double halfWidth, double halfHeight, double radius) {
  const double qx = std::abs(p.x - centre.x) - (halfWidth - radius);
  const double qy = std::abs(p.y - centre.y) - (halfHeight - radius);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  const double inside = std::min(std::max(qx, qy), 0.0);
  return std::abs(outside + inside - radius);
}

// Coverage of a stroke of half width `half` at distance `d`, smoothed over one pixel (`pixel` units).
double Stroke(double d, double half, double pixel) { return std::clamp((half - d) / pixel + 0.5, 0.0, 1.0); }

}  // namespace

FrameView Picture32::View() const {
  FrameView view;
  view.header = FrameHeader{FramePixelType::RGB32, width, -height, width * 4};
  view.pixels = pixels.data();
  return view;
}

PictureOptions IdlePictureOptions(const PictureOptions& device) { return PictureOptions{device.fill, false, false}; }

bool MakeNoSignalPicture(int32_t width, int32_t height, Picture32& out) {
  out = Picture32{};
  if (width <= 0 || height <= 0) return false;
  width = std::min(width, kMaxIdlePictureWidth);
  height = std::min(height, kMaxIdlePictureHeight);
  try {
    out.pixels.resize(size_t(width) * size_t(height) * 4);
  } catch (const std::bad_alloc&) {
    out.pixels.clear();
    return false;
  }
  out.width = width;
  out.height = height;

  // Units: the shorter side is 1, the centre is (0, 0), y grows downwards.
  const double unit = std::min(width, height);
  const double pixel = 1.0 / unit;
  const Point body{-0.045, 0};
  const Point lens[3] = {{0.085, -0.035}, {0.175, -0.085}, {0.175, 0.085}};
  const Point lensEnd{0.085, 0.035};
  const Point slashFrom{-0.2, -0.15}, slashTo{0.2, 0.15};
  const double stroke = std::max(0.009, 1.2 * pixel);  // half the stroke width
  const double extent = 0.26;                           // nothing of the glyph lies farther out

  // Slate background, lighter in the middle; the glyph in a muted grey.
  const double centreColour[3] = {58, 52, 46};  // blue, green, red
  const double edgeColour[3] = {30, 26, 23};
  const double glyphColour[3] = {168, 160, 152};
  const double radiusScale = std::hypot(width / unit, height / unit) / 2;

  for (int32_t row = 0; row < height; ++row) {
    uint8_t* pixelOut = out.pixels.data() + size_t(row) * width * 4;
    const double y = (row + 0.5 - height / 2.0) / unit;
    for (int32_t column = 0; column < width; ++column, pixelOut += 4) {
      const double x = (column + 0.5 - width / 2.0) / unit;
      const double falloff = std::min(1.0, std::hypot(x, y) / radiusScale);
      const double light = 1 - falloff * falloff;
      double cover = 0;
      if (std::abs(x) < extent && std::abs(y) < extent) {
        const Point p{x, y};
        double d = RoundedRectOutline(p, body, 0.13, 0.095, 0.03);
        d = std::min(d, SegmentDistance(p, lens[0], lens[1]));
        d = std::min(d, SegmentDistance(p, lens[1], lens[2]));
        d = std::min(d, SegmentDistance(p, lens[2], lensEnd));
        cover = Stroke(d, stroke, pixel);
        // The slash, cut free of the outline by a gap of background on either side.
        const double slash = SegmentDistance(p, slashFrom, slashTo);
        cover *= 1 - Stroke(slash, 3 * stroke, pixel);
        cover = std::max(cover, Stroke(slash, stroke, pixel));
      }
      for (int channel = 0; channel < 3; ++channel) {
        const double background = edgeColour[channel] + (centreColour[channel] - edgeColour[channel]) * light;
        const double value = background + (glyphColour[channel] - background) * cover;
        pixelOut[channel] = static_cast<uint8_t>(std::lround(value));
      }
      pixelOut[3] = 255;
    }
  }
  return true;
}

}  // namespace orvane::picture
