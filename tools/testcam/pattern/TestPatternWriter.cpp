#include <algorithm>
#include <cstdlib>

#include "tools/testcam/pattern/PatternLayout.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane {
namespace {

using pattern::Rgb;

// Paints rectangles of one colour into a frame of any of the four layouts. In YUY2 a pixel pair
// takes the chroma of its left pixel, in NV12 a 2 x 2 block that of its top-left pixel.
class Canvas {
 public:
  Canvas(const FrameHeader& frame, uint8_t* pixels)
      : frame_(frame), pixels_(pixels), width_(frame.width), height_(std::abs(frame.height)) {}

  // Fills [x0, x1) x [y0, y1), clipped to the picture.
  void Fill(int x0, int y0, int x1, int y1, Rgb colour) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    if (x0 >= x1 || y0 >= y1) return;
    const pattern::Yuv yuv = pattern::ToYuv(colour);
    for (int y = y0; y < y1; ++y) {
      switch (frame_.pixelType) {
        case FramePixelType::RGB24: FillRgb(Row(y), x0, x1, colour, 3); break;
        case FramePixelType::RGB32: FillRgb(Row(y), x0, x1, colour, 4); break;
        case FramePixelType::YUY2: FillYuy2(Row(y), x0, x1, yuv); break;
        case FramePixelType::NV12: FillNv12(y, x0, x1, yuv); break;
      }
    }
  }

 private:
  // Row y of the picture (top-down); bottom-up RGB frames store it from the end.
  uint8_t* Row(int y) const {
    const bool bottomUp = frame_.height > 0 &&
                          (frame_.pixelType == FramePixelType::RGB24 || frame_.pixelType == FramePixelType::RGB32);
    const int stored = bottomUp ? height_ - 1 - y : y;
    return pixels_ + static_cast<size_t>(stored) * static_cast<size_t>(frame_.stride);
  }

  static void FillRgb(uint8_t* row, int x0, int x1, Rgb colour, int bytesPerPixel) {
    for (int x = x0; x < x1; ++x) {
      uint8_t* pixel = row + static_cast<size_t>(x) * bytesPerPixel;
      pixel[0] = colour.b;
      pixel[1] = colour.g;
      pixel[2] = colour.r;
      if (bytesPerPixel == 4) pixel[3] = 0xFF;
    }
  }

  static void FillYuy2(uint8_t* row, int x0, int x1, pattern::Yuv yuv) {
    for (int x = x0; x < x1; ++x) {
      row[2 * x] = yuv.y;
      if (x % 2 == 0) {
        row[2 * x + 1] = yuv.u;
        row[2 * x + 3] = yuv.v;
      }
    }
  }

  void FillNv12(int y, int x0, int x1, pattern::Yuv yuv) {
    const size_t stride = static_cast<size_t>(frame_.stride);
    uint8_t* luma = pixels_ + static_cast<size_t>(y) * stride;
    for (int x = x0; x < x1; ++x) luma[x] = yuv.y;
    if (y % 2 != 0) return;
    uint8_t* chroma = pixels_ + static_cast<size_t>(height_) * stride + static_cast<size_t>(y / 2) * stride;
    for (int x = x0 + x0 % 2; x < x1; x += 2) {
      chroma[x] = yuv.u;
      chroma[x + 1] = yuv.v;
    }
  }

  const FrameHeader frame_;
  uint8_t* const pixels_;
  const int width_;
  const int height_;
};

}  // namespace

PatternWriteStatus WriteTestPattern(const FrameHeader& frame, uint8_t* pixels, size_t bufferSize,
                                    const PatternPayload& payload) {
  const CheckedFrame checked = CheckFrameGeometry(frame);
  if (!checked.ok() || pixels == nullptr) return PatternWriteStatus::BadGeometry;
  if (bufferSize < checked.imageSize) return PatternWriteStatus::BufferTooSmall;
  if (payload.cameraIndex > 15) return PatternWriteStatus::BadPayload;
  // YUY2 and NV12 pair pixels; an odd width or height has no room for the last pair's chroma.
  const bool pairs = frame.pixelType == FramePixelType::YUY2 || frame.pixelType == FramePixelType::NV12;
  if (pairs && (frame.width % 2 != 0 || frame.height < 0)) return PatternWriteStatus::BadGeometry;
  if (frame.pixelType == FramePixelType::NV12 && frame.height % 2 != 0) return PatternWriteStatus::BadGeometry;

  const int width = checked.header.width;
  const int height = std::abs(checked.header.height);
  Canvas canvas(checked.header, pixels);
  canvas.Fill(0, 0, width, height, pattern::kBackground);

  // Two bars travel along the top and bottom edges between the corner marks, in opposite directions.
  const int mark = pattern::CornerMarkSize(width, height);
  const int barWidth = std::max(2, mark / 2);
  const int travel = std::max(1, width - 2 * mark - barWidth);
  const int step = static_cast<int>((uint64_t{payload.frameNumber} * 4) % static_cast<uint64_t>(travel));
  canvas.Fill(mark + step, 0, mark + step + barWidth, mark, pattern::kMovingBar);
  canvas.Fill(width - mark - barWidth - step, height - mark, width - mark - step, height, pattern::kMovingBar);

  canvas.Fill(0, 0, mark, mark, pattern::kTopLeftMark);
  canvas.Fill(width - mark, 0, width, mark, pattern::kTopRightMark);
  canvas.Fill(0, height - mark, mark, height, pattern::kBottomLeftMark);
  canvas.Fill(width - mark, height - mark, width, height, pattern::kBottomRightMark);

  const pattern::BlockGeometry block = pattern::BlockFor(width, height);
  canvas.Fill(block.left, block.top, block.left + block.ringWidth(), block.top + block.ringHeight(), pattern::kRing);
  const pattern::PayloadBytes bytes = pattern::PackPayload(payload);
  for (int index = 0; index < pattern::kGridColumns * pattern::kGridRows; ++index) {
    const int x = block.left + (index % pattern::kGridColumns + 1) * block.cellWidth;
    const int y = block.top + (index / pattern::kGridColumns + 1) * block.cellHeight;
    canvas.Fill(x, y, x + block.cellWidth, y + block.cellHeight,
                pattern::PayloadBit(bytes, index) ? pattern::kOneBit : pattern::kZeroBit);
  }
  return PatternWriteStatus::Written;
}

}  // namespace orvane
