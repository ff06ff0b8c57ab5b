// Helpers of the picture pipeline tests: frames of any layout painted from a colour function, and
// reading a frame's pixel back as blue, green, red at picture coordinates (top row first).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shared/FrameFormat.h"

namespace orvane::test {

struct Bgr {
  int b = 0, g = 0, r = 0;
};
std::string ToString(const Bgr& colour);

using Painter = std::function<Bgr(int x, int y)>;

// A frame of `header` (stride resolved) whose pixels show `paint`; RGB follows its height's sign.
std::vector<uint8_t> PaintFrame(const FrameHeader& header, const Painter& paint);

// A whole frame record (header + pixels).
std::vector<uint8_t> PaintRecord(const FrameHeader& header, const Painter& paint);

// The colour of picture pixel (x, y); YUV layouts are decoded with their pair's or block's chroma.
Bgr ReadPixel(const FrameHeader& header, const uint8_t* frame, int x, int y);

// The raw samples of the pixel: Y, U, V for YUV layouts, B, G, R (and X) for RGB.
std::vector<int> RawSamples(const FrameHeader& header, const uint8_t* frame, int x, int y);

int Rows(const FrameHeader& header);

// "YUY2 96x64 -> NV12 64x-48 fill 1 mirror flip": a render's inputs for a failure message.
std::string DescribeRender(const FrameHeader& source, const FrameHeader& client, int fill, bool mirror, bool flip);

}  // namespace orvane::test
