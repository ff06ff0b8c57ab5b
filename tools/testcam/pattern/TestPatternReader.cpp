#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tools/testcam/pattern/PatternLayout.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane {
namespace {

using pattern::Rgb;

// Reads pixels of a checked frame in top-down picture coordinates, as RGB.
class Sampler {
 public:
  Sampler(const FrameHeader& frame, const uint8_t* pixels)
      : frame_(frame), pixels_(pixels), width(frame.width), height(std::abs(frame.height)) {}

  Rgb At(int x, int y) const {
    const size_t stride = static_cast<size_t>(frame_.stride);
    switch (frame_.pixelType) {
      case FramePixelType::RGB24:
      case FramePixelType::RGB32: {
        const bool bottomUp = frame_.height > 0;
        const size_t row = static_cast<size_t>(bottomUp ? height - 1 - y : y);
        const size_t size = frame_.pixelType == FramePixelType::RGB24 ? 3 : 4;
        const uint8_t* pixel = pixels_ + row * stride + static_cast<size_t>(x) * size;
        return {pixel[2], pixel[1], pixel[0]};
      }
      case FramePixelType::YUY2: {
        const uint8_t* row = pixels_ + static_cast<size_t>(y) * stride;
        const size_t pair = static_cast<size_t>(x / 2) * 4;
        return pattern::ToRgb(row[2 * static_cast<size_t>(x)], row[pair + 1], row[pair + 3]);
      }
      case FramePixelType::NV12: {
        const uint8_t luma = pixels_[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
        const uint8_t* chroma = pixels_ + static_cast<size_t>(height) * stride + static_cast<size_t>(y / 2) * stride +
                                static_cast<size_t>(x & ~1);
        return pattern::ToRgb(luma, chroma[0], chroma[1]);
      }
    }
    return {};
  }

  // The mean colour of the square of `radius` around (x, y), clipped to the picture.
  Rgb Mean(int x, int y, int radius) const {
    int r = 0, g = 0, b = 0, count = 0;
    for (int v = std::max(0, y - radius); v <= std::min(height - 1, y + radius); ++v) {
      for (int u = std::max(0, x - radius); u <= std::min(width - 1, x + radius); ++u) {
        const Rgb c = At(u, v);
        r += c.r;
        g += c.g;
        b += c.b;
        ++count;
      }
    }
    if (count == 0) return {};
    return {static_cast<uint8_t>(r / count), static_cast<uint8_t>(g / count), static_cast<uint8_t>(b / count)};
  }

 private:
  const FrameHeader frame_;
  const uint8_t* const pixels_;

 public:
  const int width;
  const int height;
};

int Luma(Rgb c) { return (77 * c.r + 150 * c.g + 29 * c.b) >> 8; }

bool IsRing(Rgb c) { return c.r - c.g > 60 && c.b - c.g > 60; }

CornerColour Classify(Rgb c) {
  const bool r = c.r > 160, g = c.g > 160, b = c.b > 160;
  const bool lowR = c.r < 100, lowG = c.g < 100, lowB = c.b < 100;
  if (r && lowG && lowB) return CornerColour::Red;
  if (g && lowR && lowB) return CornerColour::Green;
  if (b && lowR && lowG) return CornerColour::Blue;
  if (r && g && lowB) return CornerColour::Yellow;
  return CornerColour::None;
}

// The grid interior between the ring's inner edges, found by scanning outwards from the centre.
struct Interior {
  int left, top, width, height;
};

bool FindInterior(const Sampler& image, Interior& interior) {
  const int cx = image.width / 2;
  const int cy = image.height / 2;
  int left = cx, right = cx, top = cy, bottom = cy;
  while (left >= 0 && !IsRing(image.At(left, cy))) --left;
  while (right < image.width && !IsRing(image.At(right, cy))) ++right;
  while (top >= 0 && !IsRing(image.At(cx, top))) --top;
  while (bottom < image.height && !IsRing(image.At(cx, bottom))) ++bottom;
  if (left < 0 || top < 0 || right >= image.width || bottom >= image.height) return false;
  interior = {left + 1, top + 1, right - left - 1, bottom - top - 1};
  // Fewer than two pixels per cell cannot be read.
  return interior.width >= 2 * pattern::kGridRows && interior.height >= 2 * pattern::kGridRows;
}

// Mean luma at the centre of every cell of a columns x rows grid laid over the interior.
std::vector<int> SampleCells(const Sampler& image, const Interior& interior, int columns, int rows) {
  std::vector<int> lumas;
  lumas.reserve(static_cast<size_t>(columns * rows));
  const double cellWidth = static_cast<double>(interior.width) / columns;
  const double cellHeight = static_cast<double>(interior.height) / rows;
  const int radius = std::max(0, static_cast<int>(std::min(cellWidth, cellHeight) / 4));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const int x = interior.left + static_cast<int>((column + 0.5) * cellWidth);
      const int y = interior.top + static_cast<int>((row + 0.5) * cellHeight);
      lumas.push_back(Luma(image.Mean(x, y, radius)));
    }
  }
  return lumas;
}

// Where canonical cell (column, row) appears after mirroring and `turns` clockwise quarter turns,
// as an index into the observed grid's samples.
int ObservedIndex(int column, int row, bool mirrored, int turns) {
  int columns = pattern::kGridColumns;
  int rows = pattern::kGridRows;
  if (mirrored) column = columns - 1 - column;
  for (int i = 0; i < turns; ++i) {
    const int turnedColumn = rows - 1 - row;
    row = column;
    column = turnedColumn;
    std::swap(columns, rows);
  }
  return row * columns + column;
}

bool DecodeCells(const std::vector<int>& lumas, bool mirrored, int turns, PatternPayload& payload) {
  const auto [darkest, brightest] = std::minmax_element(lumas.begin(), lumas.end());
  if (*brightest - *darkest < 40) return false;
  const int threshold = (*brightest + *darkest) / 2;
  pattern::PayloadBytes bytes{};
  for (int index = 0; index < pattern::kGridColumns * pattern::kGridRows; ++index) {
    const int observed = ObservedIndex(index % pattern::kGridColumns, index / pattern::kGridColumns, mirrored, turns);
    if (lumas[static_cast<size_t>(observed)] < threshold) bytes[index / 8] |= static_cast<uint8_t>(0x80 >> (index % 8));
  }
  return pattern::UnpackPayload(bytes, payload);
}

}  // namespace

PatternReading ReadTestPattern(const FrameHeader& frame, const uint8_t* pixels, size_t bufferSize) {
  PatternReading reading;
  const CheckedFrame checked = CheckFrameGeometry(frame);
  if (!checked.ok() || pixels == nullptr) {
    reading.failure = "unusable frame geometry";
    return reading;
  }
  if (bufferSize < checked.imageSize) {
    reading.failure = "buffer smaller than the frame";
    return reading;
  }
  const Sampler image(checked.header, pixels);

  const int inset = std::max(1, std::min(image.width, image.height) / 40);
  const int radius = std::min(image.width, image.height) / 80;
  reading.corners = {Classify(image.Mean(inset, inset, radius)),
                     Classify(image.Mean(image.width - 1 - inset, inset, radius)),
                     Classify(image.Mean(inset, image.height - 1 - inset, radius)),
                     Classify(image.Mean(image.width - 1 - inset, image.height - 1 - inset, radius))};

  Interior interior{};
  if (!FindInterior(image, interior)) {
    reading.failure = "no data block around the centre";
    return reading;
  }
  const std::vector<int> upright = SampleCells(image, interior, pattern::kGridColumns, pattern::kGridRows);
  const std::vector<int> turned = SampleCells(image, interior, pattern::kGridRows, pattern::kGridColumns);
  for (int turns = 0; turns < 4 && !reading.found; ++turns) {
    for (const bool mirrored : {false, true}) {
      if (DecodeCells(turns % 2 == 0 ? upright : turned, mirrored, turns, reading.payload)) {
        reading.found = true;
        reading.quarterTurns = turns;
        reading.mirrored = mirrored;
        break;
      }
    }
  }
  if (!reading.found) {
    reading.failure = "no valid payload in the data block";
    return reading;
  }

  const pattern::BlockGeometry produced = pattern::BlockFor(reading.payload.width, reading.payload.height);
  double producedWidth = pattern::kGridColumns * produced.cellWidth;
  double producedHeight = pattern::kGridRows * produced.cellHeight;
  if (reading.quarterTurns % 2 != 0) std::swap(producedWidth, producedHeight);
  reading.scaleX = interior.width / producedWidth;
  reading.scaleY = interior.height / producedHeight;
  reading.offsetX = interior.left + interior.width / 2.0 - image.width / 2.0;
  reading.offsetY = interior.top + interior.height / 2.0 - image.height / 2.0;
  return reading;
}

}  // namespace orvane
