// The self-describing test pattern: written in every layout and read back, and read again after
// what the virtual camera and its clients do to a picture (scaling, letterboxing, zoom and pan,
// mirroring, flipping, rotation, lossy coding).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "tools/testcam/pattern/TestPattern.h"

namespace orvane {
namespace {

struct Rgb {
  uint8_t r, g, b;
};

// A top-down RGB picture, the form the transformations below work on.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Image Blank(int width, int height, Rgb colour = {0, 0, 0}) {
  return {width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, colour)};
}

PatternPayload SamplePayload(uint16_t width, uint16_t height) {
  PatternPayload payload;
  payload.frameNumber = 123456;
  payload.width = width;
  payload.height = height;
  payload.format = PatternFormat::YUY2;
  payload.cameraIndex = 3;
  payload.timestamp = 0x0123456789ABCDEFull;
  payload.zoom = 140;
  payload.pan = -7;
  payload.tilt = 5;
  return payload;
}

// RGB24 top-down buffer <-> Image.
std::vector<uint8_t> ToBuffer(const Image& image, FrameHeader& frame) {
  frame = {FramePixelType::RGB24, image.width, -image.height, (image.width * 3 + 3) & ~3};
  std::vector<uint8_t> buffer(static_cast<size_t>(frame.stride) * image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint8_t* pixel = &buffer[static_cast<size_t>(y) * frame.stride + 3 * static_cast<size_t>(x)];
      pixel[0] = image.at(x, y).b;
      pixel[1] = image.at(x, y).g;
      pixel[2] = image.at(x, y).r;
    }
  }
  return buffer;
}

Image Render(int width, int height, const PatternPayload& payload) {
  FrameHeader frame{FramePixelType::RGB24, width, -height, 0};
  const CheckedFrame checked = CheckFrameGeometry(frame);
  std::vector<uint8_t> buffer(checked.imageSize);
  EXPECT_EQ(WriteTestPattern(frame, buffer.data(), buffer.size(), payload), PatternWriteStatus::Written);
  Image image = Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* pixel = &buffer[static_cast<size_t>(y) * checked.header.stride + 3 * static_cast<size_t>(x)];
      image.at(x, y) = {pixel[2], pixel[1], pixel[0]};
    }
  }
  return image;
}

PatternReading Read(const Image& image) {
  FrameHeader frame{};
  const std::vector<uint8_t> buffer = ToBuffer(image, frame);
  return ReadTestPattern(frame, buffer.data(), buffer.size());
}

Image Mirror(const Image& in) {
  Image out = Blank(in.width, in.height);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.at(in.width - 1 - x, y) = in.at(x, y);
  return out;
}

Image Flip(const Image& in) {
  Image out = Blank(in.width, in.height);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.at(x, in.height - 1 - y) = in.at(x, y);
  return out;
}

Image TurnClockwise(const Image& in) {
  Image out = Blank(in.height, in.width);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.at(in.height - 1 - y, x) = in.at(x, y);
  return out;
}

// Bilinear resampling of the source rectangle [x0, x0 + w) x [y0, y0 + h) into width x height.
Image Resample(const Image& in, double x0, double y0, double w, double h, int width, int height) {
  Image out = Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double sx = std::clamp(x0 + (x + 0.5) * w / width - 0.5, 0.0, in.width - 1.0);
      const double sy = std::clamp(y0 + (y + 0.5) * h / height - 0.5, 0.0, in.height - 1.0);
      const int ix = static_cast<int>(sx), iy = static_cast<int>(sy);
      const int jx = std::min(ix + 1, in.width - 1), jy = std::min(iy + 1, in.height - 1);
      const double fx = sx - ix, fy = sy - iy;
      auto mix = [&](uint8_t Rgb::*channel) {
        const double top = in.at(ix, iy).*channel * (1 - fx) + in.at(jx, iy).*channel * fx;
        const double bottom = in.at(ix, jy).*channel * (1 - fx) + in.at(jx, jy).*channel * fx;
        return static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
      };
      out.at(x, y) = {mix(&Rgb::r), mix(&Rgb::g), mix(&Rgb::b)};
    }
  }
  return out;
}

Image Scale(const Image& in, int width, int height) { return Resample(in, 0, 0, in.width, in.height, width, height); }

// The picture fitted into width x height with black bars (aspect fit).
Image Letterbox(const Image& in, int width, int height) {
  const double scale = std::min(static_cast<double>(width) / in.width, static_cast<double>(height) / in.height);
  const int w = static_cast<int>(in.width * scale), h = static_cast<int>(in.height * scale);
  const Image fitted = Scale(in, w, h);
  Image out = Blank(width, height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.at((width - w) / 2 + x, (height - h) / 2 + y) = fitted.at(x, y);
  return out;
}

// A digital zoom by `factor` around the centre moved by (panX, panY) picture pixels.
Image Zoom(const Image& in, double factor, double panX = 0, double panY = 0) {
  const double w = in.width / factor, h = in.height / factor;
  return Resample(in, (in.width - w) / 2 + panX, (in.height - h) / 2 + panY, w, h, in.width, in.height);
}

// Lossy coding stand-in: every channel off by up to `amplitude`.
Image Noisy(const Image& in, int amplitude) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> offset(-amplitude, amplitude);
  Image out = in;
  for (Rgb& pixel : out.pixels) {
    pixel.r = static_cast<uint8_t>(std::clamp(pixel.r + offset(random), 0, 255));
    pixel.g = static_cast<uint8_t>(std::clamp(pixel.g + offset(random), 0, 255));
    pixel.b = static_cast<uint8_t>(std::clamp(pixel.b + offset(random), 0, 255));
  }
  return out;
}

using C = CornerColour;

TEST(TestPattern, ReadsBackFromEveryLayout) {
  struct Case {
    const char* name;
    FramePixelType type;
    int width, height;  // height sign as in the frame
    int padding;        // bytes added to the default stride
  };
  const Case cases[] = {
      {"RGB24 bottom-up", FramePixelType::RGB24, 640, 480, 0},
      {"RGB24 top-down, odd width", FramePixelType::RGB24, 321, -240, 0},
      {"RGB32 bottom-up, padded", FramePixelType::RGB32, 320, 240, 64},
      {"RGB32 top-down", FramePixelType::RGB32, 1280, -720, 0},
      {"YUY2", FramePixelType::YUY2, 1280, 720, 0},
      {"YUY2 padded", FramePixelType::YUY2, 320, 240, 32},
      {"NV12", FramePixelType::NV12, 640, 480, 0},
      {"NV12 padded", FramePixelType::NV12, 176, 144, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t stride = static_cast<int32_t>(DefaultStride(c.type, c.width)) + c.padding;
    const FrameHeader frame{c.type, c.width, c.height, stride};
    const CheckedFrame checked = CheckFrameGeometry(frame);
    ASSERT_TRUE(checked.ok());
    std::vector<uint8_t> buffer(checked.imageSize);
    const PatternPayload payload = SamplePayload(static_cast<uint16_t>(c.width), static_cast<uint16_t>(std::abs(c.height)));
    ASSERT_EQ(WriteTestPattern(frame, buffer.data(), buffer.size(), payload), PatternWriteStatus::Written);

    const PatternReading reading = ReadTestPattern(frame, buffer.data(), buffer.size());
    ASSERT_TRUE(reading.found) << reading.failure;
    EXPECT_EQ(reading.payload, payload);
    EXPECT_EQ(reading.quarterTurns, 0);
    EXPECT_FALSE(reading.mirrored);
    // 4:2:0 chroma may move the ring's edge by a pixel.
    EXPECT_NEAR(reading.scaleX, 1.0, 0.03);
    EXPECT_NEAR(reading.scaleY, 1.0, 0.03);
    EXPECT_EQ(reading.corners, (std::array{C::Red, C::Green, C::Blue, C::Yellow}));
  }
}

TEST(TestPattern, ReadsWhatReceiversDoToThePicture) {
  const PatternPayload payload = SamplePayload(640, 480);
  const Image picture = Render(640, 480, payload);
  struct Case {
    const char* name;
    std::function<Image(const Image&)> transform;
    int quarterTurns;
    bool mirrored;
    std::array<CornerColour, 4> corners;
    double scaleX, scaleY;
  };
  const Case cases[] = {
      {"unchanged", [](const Image& i) { return i; }, 0, false, {C::Red, C::Green, C::Blue, C::Yellow}, 1, 1},
      {"mirrored", Mirror, 0, true, {C::Green, C::Red, C::Yellow, C::Blue}, 1, 1},
      {"flipped", Flip, 2, true, {C::Blue, C::Yellow, C::Red, C::Green}, 1, 1},
      {"turned clockwise", TurnClockwise, 1, false, {C::Blue, C::Red, C::Yellow, C::Green}, 1, 1},
      {"turned twice", [](const Image& i) { return TurnClockwise(TurnClockwise(i)); }, 2, false,
       {C::Yellow, C::Blue, C::Green, C::Red}, 1, 1},
      {"turned three times", [](const Image& i) { return TurnClockwise(TurnClockwise(TurnClockwise(i))); }, 3, false,
       {C::Green, C::Yellow, C::Red, C::Blue}, 1, 1},
      {"mirrored and turned", [](const Image& i) { return TurnClockwise(Mirror(i)); }, 1, true,
       {C::Yellow, C::Green, C::Blue, C::Red}, 1, 1},
      {"halved", [](const Image& i) { return Scale(i, 320, 240); }, 0, false, {C::Red, C::Green, C::Blue, C::Yellow}, 0.5, 0.5},
      {"stretched to 16:9", [](const Image& i) { return Scale(i, 1280, 720); }, 0, false,
       {C::Red, C::Green, C::Blue, C::Yellow}, 2, 1.5},
      {"letterboxed", [](const Image& i) { return Letterbox(i, 1280, 720); }, 0, false,
       {C::None, C::None, C::None, C::None}, 1.5, 1.5},
      {"zoomed twice", [](const Image& i) { return Zoom(i, 2); }, 0, false, {C::None, C::None, C::None, C::None}, 2, 2},
      {"noisy", [](const Image& i) { return Noisy(i, 24); }, 0, false, {C::Red, C::Green, C::Blue, C::Yellow}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PatternReading reading = Read(c.transform(picture));
    ASSERT_TRUE(reading.found) << reading.failure;
    EXPECT_EQ(reading.payload, payload);
    EXPECT_EQ(reading.quarterTurns, c.quarterTurns);
    EXPECT_EQ(reading.mirrored, c.mirrored);
    EXPECT_EQ(reading.corners, c.corners);
    EXPECT_NEAR(reading.scaleX, c.scaleX, 0.05);
    EXPECT_NEAR(reading.scaleY, c.scaleY, 0.05);
  }
}

TEST(TestPattern, PanningMovesTheBlockOffCentre) {
  const Image picture = Render(640, 480, SamplePayload(640, 480));
  const PatternReading right = Read(Zoom(picture, 2, 40, 0));
  ASSERT_TRUE(right.found) << right.failure;
  EXPECT_NEAR(right.offsetX, -80, 3) << "panning right by 40 picture pixels at zoom 2 moves the block 80 left";
  EXPECT_NEAR(right.offsetY, 0, 3);
}

TEST(TestPattern, MovesFromFrameToFrame) {
  PatternPayload payload = SamplePayload(320, 240);
  const Image first = Render(320, 240, payload);
  ++payload.frameNumber;
  const Image second = Render(320, 240, payload);
  int changedInTopBand = 0;
  for (int x = 0; x < 320; ++x) {
    const Rgb a = first.at(x, 5), b = second.at(x, 5);
    changedInTopBand += a.r != b.r || a.g != b.g || a.b != b.b;
  }
  EXPECT_GT(changedInTopBand, 0) << "the bar along the top edge moves";
  EXPECT_EQ(Read(second).payload.frameNumber, payload.frameNumber);
}

TEST(TestPattern, RefusesWhatItCannotUse) {
  const PatternPayload payload = SamplePayload(320, 240);
  std::vector<uint8_t> buffer(320 * 240 * 4);
  const FrameHeader rgb32{FramePixelType::RGB32, 320, 240, 0};
  EXPECT_EQ(WriteTestPattern(rgb32, buffer.data(), buffer.size() - 1, payload), PatternWriteStatus::BufferTooSmall);
  EXPECT_EQ(WriteTestPattern({FramePixelType::RGB32, 0, 240, 0}, buffer.data(), buffer.size(), payload),
            PatternWriteStatus::BadGeometry);
  EXPECT_EQ(WriteTestPattern({FramePixelType::YUY2, 321, 240, 0}, buffer.data(), buffer.size(), payload),
            PatternWriteStatus::BadGeometry);
  EXPECT_EQ(WriteTestPattern(rgb32, nullptr, buffer.size(), payload), PatternWriteStatus::BadGeometry);
  PatternPayload badCamera = payload;
  badCamera.cameraIndex = 16;
  EXPECT_EQ(WriteTestPattern(rgb32, buffer.data(), buffer.size(), badCamera), PatternWriteStatus::BadPayload);

  EXPECT_FALSE(ReadTestPattern(rgb32, buffer.data(), buffer.size() - 1).found);
  EXPECT_FALSE(ReadTestPattern({FramePixelType::RGB32, 320, 0, 0}, buffer.data(), buffer.size()).found);

  const PatternReading blank = Read(Blank(320, 240, {128, 128, 128}));
  EXPECT_FALSE(blank.found);
  EXPECT_STREQ(blank.failure, "no data block around the centre");

  // One wrong cell breaks the checksum: a damaged frame is not misread.
  Image damaged = Render(640, 480, SamplePayload(640, 480));
  const PatternReading intact = Read(damaged);
  ASSERT_TRUE(intact.found);
  for (int y = 240 - 40; y < 240 - 20; ++y) {
    for (int x = 320 - 10; x < 320 + 10; ++x) damaged.at(x, y) = {0, 0, 0};
  }
  for (int y = 240 + 20; y < 240 + 40; ++y) {
    for (int x = 320 - 10; x < 320 + 10; ++x) damaged.at(x, y) = {255, 255, 255};
  }
  const PatternReading broken = Read(damaged);
  EXPECT_FALSE(broken.found);
  EXPECT_STREQ(broken.failure, "no valid payload in the data block");
}

}  // namespace
}  // namespace orvane
