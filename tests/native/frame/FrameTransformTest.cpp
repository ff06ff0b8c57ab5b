#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "FrameTestSupport.h"
#include "media/frame/FrameTransform.h"
#include "media/frame/PixelConversion.h"

namespace orvane {
namespace {

using test::FirstDifference;
using test::ForEachSimdLevel;
using test::GuardedBuffer;

using test::NV12;
using test::RGB24;
using test::RGB32;
using test::YUY2;

int Rows(const FrameHeader& header) { return header.height < 0 ? -header.height : header.height; }
int PixelBytes(FramePixelType type) { return static_cast<int>(RowBytes(type, 1)); }

// A frame as a frame record carries it, with random pixels, in a buffer that ends at a guard page.
struct TestFrame {
  FrameHeader header;
  GuardedBuffer pixels;
  TestFrame(FramePixelType type, int width, int height, int padding, std::mt19937& random)
      : header{type, width, height, static_cast<int32_t>(RowBytes(type, width) + padding)},
        pixels(static_cast<size_t>(ImageSize(type, height, header.stride))) {
    test::FillRandom(pixels.data(), pixels.size(), random);
  }
  FrameView view() const { return MakeFrameView(pixels.data(), header); }
};

// ---- crop window -------------------------------------------------------------------------------

TEST(CropWindow, WorkedExamples) {
  struct Case {
    int width, rows, zoom, panX, panY;
    CropWindow window;
  };
  const Case cases[] = {
      {640, 480, 10, 0, 0, {160, 120, 320, 240}},
      {640, 480, 10, -10, 0, {0, 120, 320, 240}},
      {640, 480, 10, 10, 0, {320, 120, 320, 240}},  // 4 * ((20 * 640 / 20) / 8) = 2 * margin
      {640, 480, 1, 0, 0, {28, 20, 584, 440}},
      {640, 480, 0, 5, -5, {0, 0, 640, 480}},       // no zoom: pan is ignored
      {640, 480, -3, 0, 0, {0, 0, 640, 480}},
      {640, 480, 10, 11, -11, {160, 120, 320, 240}},  // a pan beyond the zoom centres
      {640, 480, 40, 40, -40, {512, 0, 128, 96}},
      {1, 1, 40, 40, 40, {0, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComputeCropWindow(c.width, c.rows, c.zoom, c.panX, c.panY), c.window)
        << c.width << "x" << c.rows << " zoom " << c.zoom << " pan " << c.panX << "," << c.panY;
  }
}

// The margins and offsets computed independently for every zoom and pan, with the properties a user
// sees: the window stays inside the picture, shrinks with the zoom, starts at the first column at
// pan = -zoom, is centred at pan = 0, and moves monotonically with the pan.
TEST(CropWindow, EveryZoomAndPanValue) {
  const int sizes[][2] = {{640, 480}, {1920, 1080}, {3840, 2160}, {17, 9}, {4, 4}, {1, 1}, {6, 2001}};
  for (const auto& size : sizes) {
    for (int axis = 0; axis < 2; ++axis) {
      const int64_t extent = size[axis];
      int64_t previousKept = extent;
      for (int zoom = 1; zoom <= 40; ++zoom) {
        const int64_t margin = (zoom * extent / (zoom + 10)) / 8 * 4;
        const int64_t kept = extent - 2 * margin;
        int64_t previousOffset = -1;
        for (int pan = -zoom; pan <= zoom; ++pan) {
          const CropWindow window = axis == 0 ? ComputeCropWindow(size[0], size[1], zoom, pan, 0)
                                              : ComputeCropWindow(size[0], size[1], zoom, 0, pan);
          const int64_t offset = axis == 0 ? window.x : window.y;
          const int64_t length = axis == 0 ? window.width : window.height;
          int64_t expected = margin;
          if (pan != 0) {
            expected = (pan + zoom) * extent / (zoom + 10) / 8 * 4;
            if (expected + kept > extent) expected = 2 * margin;
          }
          SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " axis " << axis << " zoom "
                                          << zoom << " pan " << pan);
          ASSERT_EQ(length, kept);
          ASSERT_EQ(offset, expected);
          ASSERT_EQ(offset % 4, 0);
          ASSERT_GE(offset, 0);
          ASSERT_LE(offset + length, extent);
          ASSERT_GE(offset, previousOffset);
          if (pan == -zoom) {
            ASSERT_EQ(offset, 0);
          }
          previousOffset = offset;
        }
        ASSERT_LE(kept, previousKept);
        previousKept = kept;
      }
    }
  }
  // Extreme values cannot overflow.
  const CropWindow extreme = ComputeCropWindow(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX);
  EXPECT_GE(extreme.width, 1);
  EXPECT_LE(int64_t{extreme.x} + extreme.width, int64_t{INT32_MAX});
}

// ---- crop --------------------------------------------------------------------------------------

TEST(CropFrame, CopiesTheWindowOfEachLayout) {
  struct Case {
    FramePixelType type;
    int width, height, padding, zoom, panX, panY;
  };
  const Case cases[] = {
      {RGB24, 640, 480, 0, 10, 0, 0},   {RGB24, 640, -480, 4, 10, 3, -7}, {RGB24, 99, 31, 1, 7, -7, 7},
      {RGB32, 320, 240, 0, 40, 40, -40}, {RGB32, 33, -17, 12, 3, 1, 2},   {YUY2, 320, 240, 0, 10, -10, 10},
      {YUY2, 81, 45, 6, 20, 5, -5},      {NV12, 640, 480, 0, 10, 4, -4},  {NV12, 320, 240, 64, 15, -15, 15},
      {NV12, 50, 37, 3, 25, 10, 11},
  };
  std::mt19937 random(11);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int(c.type) << " " << c.width << "x" << c.height << " stride +"
                                    << c.padding << " zoom " << c.zoom);
    const TestFrame frame(c.type, c.width, c.height, c.padding, random);
    const int rows = Rows(frame.header);
    const CropWindow window = ComputeCropWindow(c.width, rows, c.zoom, c.panX, c.panY);
    const FrameHeader out = CompactGeometry({c.type, window.width, c.height < 0 ? -window.height : window.height, 0});
    ASSERT_EQ(out.height, c.height < 0 ? -window.height : window.height) << "the height keeps its sign";
    GuardedBuffer dst(static_cast<size_t>(ImageSize(c.type, out.height, out.stride)), 0xCD);
    ASSERT_EQ(CropFrame(frame.pixels.data(), frame.header, window, dst.data()), 0);

    const int bpp = PixelBytes(c.type);
    const size_t rowBytes = size_t(window.width) * bpp;
    for (int r = 0; r < window.height; ++r) {
      const uint8_t* expected = frame.pixels.data() + size_t(window.y + r) * frame.header.stride + window.x * bpp;
      const uint8_t* actual = dst.data() + size_t(r) * out.stride;
      ASSERT_EQ(std::memcmp(actual, expected, rowBytes), 0) << "row " << r;
      for (size_t pad = rowBytes; pad < size_t(out.stride); ++pad) ASSERT_EQ(actual[pad], 0) << "row padding";
    }
    if (c.type == NV12) {
      // Chroma rows are found at the frame's own stride, after |height| rows of that stride.
      const uint8_t* chroma = frame.pixels.data() + size_t(rows) * frame.header.stride;
      const uint8_t* outChroma = dst.data() + size_t(window.height) * out.stride;
      for (int r = 0; r < window.height / 2; ++r) {
        ASSERT_EQ(std::memcmp(outChroma + size_t(r) * out.stride,
                              chroma + size_t(window.y / 2 + r) * frame.header.stride + window.x, window.width),
                  0)
            << "chroma row " << r;
      }
      for (size_t i = size_t(window.height) * out.stride + size_t(window.height / 2) * out.stride; i < dst.size(); ++i) {
        ASSERT_EQ(dst.data()[i], 128) << "chroma outside an odd-sized picture is neutral";
      }
    }
  }
}

TEST(CropFrame, RefusesWindowsOutsideThePicture) {
  std::vector<uint8_t> src(64 * 4 * 8), dst(src.size(), 0x77);
  const FrameHeader header{RGB32, 64, 8, 0};
  const CropWindow bad[] = {{-4, 0, 8, 8}, {0, 0, 65, 8}, {60, 0, 8, 8}, {0, 4, 8, 5}, {0, 0, 0, 8}};
  for (const CropWindow& window : bad) {
    EXPECT_EQ(CropFrame(src.data(), header, window, dst.data()), -6) << window.x << "," << window.y;
  }
  EXPECT_EQ(CropFrame(nullptr, header, {0, 0, 8, 8}, dst.data()), -8);
  EXPECT_EQ(CropFrame(src.data(), {RGB32, 0, 8, 0}, {0, 0, 8, 8}, dst.data()), -6);
  EXPECT_EQ(std::count(dst.begin(), dst.end(), 0x77), ptrdiff_t(dst.size()));
}

// ---- rotation ----------------------------------------------------------------------------------

// Where the viewer's clockwise turn sends source pixel (row y, column x), rows in memory order.
void OracleRotatePacked(const uint8_t* src, const FrameHeader& in, uint8_t* dst, const FrameHeader& out) {
  const int bpp = PixelBytes(in.pixelType), width = in.width, rows = Rows(in);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < width; ++x) {
      const int outRow = in.height < 0 ? x : width - 1 - x;
      const int outColumn = in.height < 0 ? rows - 1 - y : y;
      std::memcpy(dst + size_t(outRow) * out.stride + size_t(outColumn) * bpp,
                  src + size_t(y) * in.stride + size_t(x) * bpp, bpp);
    }
  }
}

// NV12: luma as top-down 1-byte pixels; chroma pair column p becomes chroma row p, read upwards.
void OracleRotateNv12(const uint8_t* src, const FrameHeader& in, uint8_t* dst, const FrameHeader& out) {
  const int width = in.width, rows = Rows(in);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < width; ++x) dst[size_t(x) * out.stride + rows - 1 - y] = src[size_t(y) * in.stride + x];
  }
  const uint8_t* chroma = src + size_t(rows) * in.stride;
  uint8_t* outChroma = dst + size_t(width) * out.stride;
  for (int p = 0; p < width / 2; ++p) {
    for (int j = 0; j < rows / 2; ++j) {
      std::memcpy(outChroma + size_t(p) * out.stride + 2 * j, chroma + size_t(rows / 2 - 1 - j) * in.stride + 2 * p, 2);
    }
  }
}

// YUY2 the long way: to 3-byte pixels, turned with the top-down rule, and back.
void OracleRotateYuy2(const uint8_t* src, const FrameHeader& in, uint8_t* dst, const FrameHeader& out) {
  const int width = in.width, rows = Rows(in);
  const FrameHeader wide{RGB24, width, -rows, static_cast<int32_t>(DefaultStride(RGB24, width))};
  const FrameHeader turned{RGB24, rows, -width, static_cast<int32_t>(DefaultStride(RGB24, rows))};
  std::vector<uint8_t> first(size_t(ImageSize(RGB24, wide.height, wide.stride)));
  std::vector<uint8_t> second(size_t(ImageSize(RGB24, turned.height, turned.stride)));
  ASSERT_EQ(Convert422To24(src, in.stride, first.data(), wide.stride, width, rows), kConvertOk);
  OracleRotatePacked(first.data(), wide, second.data(), turned);
  ASSERT_EQ(Convert24To422(second.data(), turned.stride, dst, out.stride, rows, width), kConvertOk);
}

TEST(RotateFrame, WorkedGeometry) {
  struct Case {
    FrameHeader in, out;
    uint32_t imageSize;
  };
  const Case cases[] = {
      {{YUY2, 640, 480, 0}, {YUY2, 480, 640, 960}, 614400},
      {{RGB32, 4, 2, 0}, {RGB32, 2, 4, 8}, 32},
      {{NV12, 640, 480, 0}, {NV12, 480, 640, 480}, 460800},
      {{RGB24, 5, -3, 0}, {RGB24, 3, -5, 12}, 60},
      {{YUY2, 640, -480, 0}, {YUY2, 480, -640, 960}, 614400},  // the sign carries, whatever it means
  };
  for (const Case& c : cases) {
    const FrameHeader out = RotatedGeometry(CheckFrameGeometry(c.in).header);
    EXPECT_EQ(out, c.out) << c.in.width << "x" << c.in.height;
    EXPECT_EQ(CheckFrameGeometry(out).imageSize, c.imageSize);
  }
}

// Each layout and orientation against the direct pixel mapping, at every level, with sources and
// destinations against guard pages and destinations pre-filled differently. Sizes straddle the tile
// sizes of the vector kernels.
TEST(RotateFrame, MatchesThePixelMappingForEachLayout) {
  const FramePixelType types[] = {RGB24, RGB32, YUY2, NV12};
  const int sizes[][2] = {{1, 1},  {2, 2},  {1, 7},  {9, 1},   {3, 5},   {16, 16}, {17, 15},  {32, 18}, {33, 65},
                          {64, 8}, {70, 34}, {130, 3}, {6, 129}, {96, 66}, {31, 47}, {200, 120}};
  std::mt19937 random(5);
  for (FramePixelType type : types) {
    for (int sign : {1, -1}) {
      if ((type == YUY2 || type == NV12) && sign > 0) continue;  // those rows are always top-down
      for (const auto& size : sizes) {
        for (int padding : {0, 3}) {
          SCOPED_TRACE(testing::Message() << "type " << int(type) << " " << size[0] << "x" << sign * size[1]
                                          << " stride +" << padding);
          const TestFrame frame(type, size[0], sign * size[1], padding, random);
          const FrameHeader out = RotatedGeometry(frame.header);
          const size_t outSize = size_t(ImageSize(type, out.height, out.stride));
          std::vector<uint8_t> expected(outSize, 0);
          if (type == YUY2) {
            SetSimdLevelMask(1u << int(SimdLevel::Reference));
            OracleRotateYuy2(frame.pixels.data(), frame.header, expected.data(), out);
            SetSimdLevelMask(kAllSimdLevels);
          } else if (type == NV12) {
            std::fill(expected.begin(), expected.end(), 128);
            OracleRotateNv12(frame.pixels.data(), frame.header, expected.data(), out);
          } else {
            OracleRotatePacked(frame.pixels.data(), frame.header, expected.data(), out);
          }
          ForEachSimdLevel([&](SimdLevel) {
            for (uint8_t fill : {uint8_t{0x00}, uint8_t{0x9C}}) {
              GuardedBuffer dst(outSize, fill);
              ASSERT_EQ(RotateFrame(frame.view(), dst.data()), 0);
              ASSERT_EQ(dst.bytes(), expected) << FirstDifference(expected.data(), dst.data(), outSize);
            }
          });
        }
      }
    }
  }
}

// A crop view keeps the source's stride: NV12 chroma is read at that stride, half the rows down.
TEST(RotateFrame, TurnsCropViewsAtTheSourceStride) {
  std::mt19937 random(3);
  for (FramePixelType type : {NV12, YUY2, RGB24}) {
    const TestFrame frame(type, 96, -64, 40, random);
    const CropWindow window = ComputeCropWindow(96, 64, 10, 3, -2);
    std::vector<uint8_t> cropped(size_t(ImageSize(type, window.height, int32_t(DefaultStride(type, window.width)))));
    ASSERT_EQ(CropFrame(frame.pixels.data(), frame.header, window, cropped.data()), 0);
    const FrameHeader compact = CompactGeometry({type, window.width, -window.height, 0});
    const FrameHeader out = RotatedGeometry(compact);
    std::vector<uint8_t> viaCopy(size_t(ImageSize(type, out.height, out.stride))), viaView(viaCopy.size());
    ASSERT_EQ(RotateFrame(MakeFrameView(cropped.data(), compact), viaCopy.data()), 0);
    ASSERT_EQ(RotateFrame(CropView(frame.view(), window), viaView.data()), 0);
    EXPECT_EQ(viaView, viaCopy) << "type " << int(type) << ": "
                                << FirstDifference(viaCopy.data(), viaView.data(), viaCopy.size());
  }
}

TEST(RotateFrame, RefusesWhatItCannotDescribe) {
  std::vector<uint8_t> src(64), dst(64, 0x31);
  EXPECT_EQ(RotateFrame(MakeFrameView(nullptr, {RGB32, 2, 2, 8}), dst.data()), -8);
  EXPECT_EQ(RotateFrame(MakeFrameView(src.data(), {RGB32, 2, 2, 8}), nullptr), -8);
  EXPECT_EQ(RotateFrame(MakeFrameView(src.data(), {RGB32, 2, 0, 8}), dst.data()), -6);
  EXPECT_EQ(RotateFrame(MakeFrameView(src.data(), {RGB32, 2, 2, 0}), dst.data()), -6) << "stride unresolved";
  // One column of 2^29 rows is a valid frame, but its rotation would need rows of 2 GiB.
  EXPECT_EQ(RotateFrame(MakeFrameView(src.data(), {RGB32, 1, 1 << 29, 4}), dst.data()), -6);
  EXPECT_EQ(std::count(dst.begin(), dst.end(), 0x31), 64);
}

}  // namespace
}  // namespace orvane
