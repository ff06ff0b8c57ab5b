#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "PictureTestSupport.h"
#include "media/picture/PictureGeometry.h"
#include "media/picture/PictureRenderer.h"

namespace orvane::picture {
namespace {

using test::Bgr;
using test::PaintFrame;
using test::PaintRecord;
using test::RawSamples;
using test::ReadPixel;
using test::Rows;

constexpr FramePixelType kLayouts[] = {FramePixelType::RGB24, FramePixelType::RGB32, FramePixelType::YUY2,
                                       FramePixelType::NV12};
constexpr FillMode kFillModes[] = {FillMode::AspectFit, FillMode::AspectFill, FillMode::Stretch};

bool IsRgb(FramePixelType type) { return type == FramePixelType::RGB24 || type == FramePixelType::RGB32; }

FrameHeader Geometry(FramePixelType type, int width, int height) {
  return CheckFrameGeometry(FrameHeader{type, width, height, 0}).header;
}

// Four flat quadrants, distinct in every channel and far apart in YUV too.
Bgr Quadrant(bool right, bool bottom) {
  if (!right && !bottom) return {40, 40, 200};
  if (right && !bottom) return {40, 200, 40};
  if (!right) return {200, 40, 40};
  return {220, 220, 220};
}

std::vector<int> Black(FramePixelType type) {
  switch (type) {
    case FramePixelType::RGB24: return {0, 0, 0};
    case FramePixelType::RGB32: return {0, 0, 0, 255};
    default: return {16, 128, 128};
  }
}

struct Case {
  FrameHeader source;
  FrameHeader client;
  PictureOptions options;
  std::string Describe() const {
    return test::DescribeRender(source, client, int(options.fill), options.mirror, options.flip);
  }
};

// Renders the quadrant picture and checks every client pixel: bars exactly black, and inside the
// picture the colour of the quadrant that the fill geometry, mirror and flip put there (away from the
// quadrant borders, where the filter blends them, and with a tolerance for the colour conversions).
void CheckQuadrants(const Case& c) {
  SCOPED_TRACE(c.Describe());
  const int sourceWidth = c.source.width, sourceRows = Rows(c.source);
  const std::vector<uint8_t> record = PaintRecord(c.source, [&](int x, int y) {
    return Quadrant(2 * x >= sourceWidth, 2 * y >= sourceRows);
  });
  std::vector<uint8_t> out(ClientFrameSize(c.client), 0xA5);
  PictureRenderer renderer;
  ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), c.client, out.data(), out.size(), c.options),
            PictureError::None);

  const bool yuvClient = !IsRgb(c.client.pixelType);
  const PictureFit fit = FitPicture(sourceWidth, sourceRows, c.client.width, Rows(c.client), c.options.fill,
                                    yuvClient ? 2 : 1, c.client.pixelType == FramePixelType::NV12 ? 2 : 1);
  const PixelRect& content = fit.content;
  const double scaleX = fit.source.width / content.width, scaleY = fit.source.height / content.height;
  const double margin = 3 * std::max(1.0, std::max(scaleX, scaleY)) + 3;
  int checked = 0;
  for (int y = 0; y < Rows(c.client); ++y) {
    for (int x = 0; x < c.client.width; ++x) {
      const bool inside = x >= content.x && x < content.x + content.width && y >= content.y &&
                          y < content.y + content.height;
      if (!inside) {
        ASSERT_EQ(RawSamples(c.client, out.data(), x, y), Black(c.client.pixelType)) << "bar pixel " << x << "," << y;
        continue;
      }
      // The layouts keep no full chroma for an odd last column (YUY2, NV12) or row (NV12).
      const bool lastColumnOdd = yuvClient && c.client.width % 2 == 1 && x == c.client.width - 1;
      const bool lastRowOdd = c.client.pixelType == FramePixelType::NV12 && Rows(c.client) % 2 == 1 &&
                              y == Rows(c.client) - 1;
      if (lastColumnOdd || lastRowOdd) continue;
      int u = x - content.x, v = y - content.y;
      if (c.options.mirror) u = content.width - 1 - u;
      if (c.options.flip) v = content.height - 1 - v;
      const double sx = fit.source.x + (u + 0.5) * scaleX, sy = fit.source.y + (v + 0.5) * scaleY;
      if (std::abs(sx - sourceWidth / 2.0) < margin || std::abs(sy - sourceRows / 2.0) < margin) continue;
      const Bgr expected = Quadrant(sx >= sourceWidth / 2.0, sy >= sourceRows / 2.0);
      const Bgr actual = ReadPixel(c.client, out.data(), x, y);
      ASSERT_TRUE(std::abs(actual.b - expected.b) <= 6 && std::abs(actual.g - expected.g) <= 6 &&
                  std::abs(actual.r - expected.r) <= 6)
          << "pixel " << x << "," << y << " is " << test::ToString(actual) << ", expected "
          << test::ToString(expected);
      ++checked;
    }
  }
  EXPECT_GT(checked, 0) << "no pixel far enough from the quadrant borders";
}

TEST(PictureRenderer, EveryLayoutPairAndFillMode) {
  const int sources[][2] = {{96, 54}, {60, 80}};
  const int clients[][2] = {{64, 48}, {90, 50}};
  int orientation = 0;
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      for (const auto& s : sources) {
        for (const auto& d : clients) {
          for (FillMode fill : kFillModes) {
            // RGB frames alternate between bottom-up (positive height) and top-down.
            const int sourceSign = IsRgb(from) && (orientation & 1) ? -1 : 1;
            const int clientSign = IsRgb(to) && (orientation & 2) ? -1 : 1;
            ++orientation;
            CheckQuadrants({Geometry(from, s[0], sourceSign * s[1]), Geometry(to, d[0], clientSign * d[1]),
                            PictureOptions{fill, false, false}});
          }
        }
      }
    }
  }
}

TEST(PictureRenderer, MirrorAndFlipInEveryLayoutPair) {
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      for (int bits = 1; bits < 4; ++bits) {
        const PictureOptions options{FillMode::AspectFit, (bits & 1) != 0, (bits & 2) != 0};
        CheckQuadrants({Geometry(from, 80, IsRgb(from) ? -60 : 60), Geometry(to, 64, 64), options});
        // Same size and layout: the copying path.
        if (from == to) CheckQuadrants({Geometry(from, 40, 30), Geometry(to, 40, 30), options});
      }
    }
  }
}

TEST(PictureRenderer, OddSizesInEveryLayoutPair) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {3, 3}, {33, 27}, {7, 5}};
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      for (const auto& s : sizes) {
        for (const auto& d : sizes) {
          for (FillMode fill : kFillModes) {
            const FrameHeader source = Geometry(from, s[0], s[1]);
            const FrameHeader client = Geometry(to, d[0], d[1]);
            SCOPED_TRACE((Case{source, client, {fill, true, false}}.Describe()));
            const std::vector<uint8_t> record = PaintRecord(source, [](int x, int y) {
              return Bgr{(x * 37) % 256, (y * 53) % 256, 128};
            });
            // Exact sizes: AddressSanitizer reports any byte read or written outside them.
            std::vector<uint8_t> out(ClientFrameSize(client));
            PictureRenderer renderer;
            EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                            {fill, true, false}),
                      PictureError::None);
          }
        }
      }
    }
  }
  // Large odd pictures through the quadrant check.
  CheckQuadrants({Geometry(FramePixelType::NV12, 101, 75), Geometry(FramePixelType::YUY2, 73, 41), {}});
  CheckQuadrants({Geometry(FramePixelType::YUY2, 101, 75), Geometry(FramePixelType::NV12, 73, 41), {}});
  CheckQuadrants({Geometry(FramePixelType::RGB24, 101, 75), Geometry(FramePixelType::NV12, 73, 41),
                  {FillMode::AspectFill, true, true}});
}

// Orientation is exact: a same-size picture is moved pixel for pixel, whatever the rows' order.
TEST(PictureRenderer, OrientationIsExact) {
  const auto paint = [](int x, int y) { return Bgr{x * 40, y * 60, 7 + x + 10 * y}; };
  for (const int sourceSign : {1, -1}) {
    for (const int clientSign : {1, -1}) {
      for (int bits = 0; bits < 4; ++bits) {
        const bool mirror = bits & 1, flip = bits & 2;
        const FrameHeader source = Geometry(FramePixelType::RGB24, 5, sourceSign * 3);
        const FrameHeader client = Geometry(FramePixelType::RGB32, 5, clientSign * 3);
        const std::vector<uint8_t> record = PaintRecord(source, paint);
        std::vector<uint8_t> out(ClientFrameSize(client));
        PictureRenderer renderer;
        ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                        {FillMode::Stretch, mirror, flip}),
                  PictureError::None);
        for (int y = 0; y < 3; ++y) {
          for (int x = 0; x < 5; ++x) {
            const Bgr expected = paint(mirror ? 4 - x : x, flip ? 2 - y : y);
            const Bgr actual = ReadPixel(client, out.data(), x, y);
            EXPECT_TRUE(actual.b == expected.b && actual.g == expected.g && actual.r == expected.r)
                << "signs " << sourceSign << "," << clientSign << " mirror " << mirror << " flip " << flip
                << " at " << x << "," << y << ": " << test::ToString(actual);
          }
        }
      }
    }
  }
}

TEST(PictureRenderer, ColoursConvertBetweenFamilies) {
  // Studio-range YUV of pure colours (BT.601): black, white, red, blue.
  struct Sample {
    Bgr rgb;
    int y, u, v;
  };
  const Sample samples[] = {
      {{0, 0, 0}, 16, 128, 128}, {{255, 255, 255}, 235, 128, 128},
      {{0, 0, 255}, 82, 90, 240}, {{255, 0, 0}, 41, 240, 110}};
  for (const Sample& s : samples) {
    const FrameHeader source = Geometry(FramePixelType::RGB24, 4, 2);
    const std::vector<uint8_t> record = PaintRecord(source, [&](int, int) { return s.rgb; });
    for (FramePixelType to : {FramePixelType::YUY2, FramePixelType::NV12}) {
      const FrameHeader client = Geometry(to, 4, 2);
      std::vector<uint8_t> out(ClientFrameSize(client));
      PictureRenderer renderer;
      ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), {}),
                PictureError::None);
      const std::vector<int> yuv = RawSamples(client, out.data(), 1, 1);
      EXPECT_NEAR(yuv[0], s.y, 1) << FramePixelTypeName(to) << " " << test::ToString(s.rgb);
      EXPECT_NEAR(yuv[1], s.u, 1) << FramePixelTypeName(to) << " " << test::ToString(s.rgb);
      EXPECT_NEAR(yuv[2], s.v, 1) << FramePixelTypeName(to) << " " << test::ToString(s.rgb);
      // And back to RGB from that YUV frame.
      std::vector<uint8_t> yuvRecord(sizeof client + out.size());
      std::memcpy(yuvRecord.data(), &client, sizeof client);
      std::memcpy(yuvRecord.data() + sizeof client, out.data(), out.size());
      const FrameHeader rgb = Geometry(FramePixelType::RGB24, 4, 2);
      std::vector<uint8_t> back(ClientFrameSize(rgb));
      ASSERT_EQ(renderer.RenderRecord(yuvRecord.data(), yuvRecord.size(), rgb, back.data(), back.size(), {}),
                PictureError::None);
      const Bgr round = ReadPixel(rgb, back.data(), 2, 0);
      EXPECT_TRUE(std::abs(round.b - s.rgb.b) <= 3 && std::abs(round.g - s.rgb.g) <= 3 &&
                  std::abs(round.r - s.rgb.r) <= 3)
          << FramePixelTypeName(to) << " round trip of " << test::ToString(s.rgb) << " gave " << test::ToString(round);
    }
  }
}

// The scaler interpolates when enlarging and averages when shrinking: a nearest-neighbour scaler
// fails both.
TEST(PictureRenderer, FilterInterpolatesAndAverages) {
  PictureRenderer renderer;
  {
    const FrameHeader source = Geometry(FramePixelType::RGB32, 2, -1);
    const std::vector<uint8_t> record = PaintRecord(source, [](int x, int) { return x ? Bgr{255, 255, 255} : Bgr{}; });
    const FrameHeader client = Geometry(FramePixelType::RGB32, 8, -1);
    std::vector<uint8_t> out(ClientFrameSize(client));
    ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), {FillMode::Stretch}),
              PictureError::None);
    std::vector<int> ramp;
    for (int x = 0; x < 8; ++x) ramp.push_back(ReadPixel(client, out.data(), x, 0).g);
    EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
    EXPECT_EQ(ramp.front(), 0);
    EXPECT_EQ(ramp.back(), 255);
    EXPECT_GE(std::count_if(ramp.begin(), ramp.end(), [](int v) { return v > 20 && v < 235; }), 4);
  }
  {
    const FrameHeader source = Geometry(FramePixelType::YUY2, 256, 256);
    const std::vector<uint8_t> record =
        PaintRecord(source, [](int x, int y) { return (x + y) % 2 ? Bgr{255, 255, 255} : Bgr{}; });
    for (FramePixelType to : kLayouts) {
      const FrameHeader client = Geometry(to, 16, 16);
      std::vector<uint8_t> out(ClientFrameSize(client));
      ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), {}),
                PictureError::None);
      for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
          const Bgr grey = ReadPixel(client, out.data(), x, y);
          ASSERT_NEAR(grey.g, 128, 10) << FramePixelTypeName(to) << " at " << x << "," << y;
        }
      }
    }
  }
}

// "Aspect Fill" shows only the middle of the source: nothing of what it cuts away bleeds in.
TEST(PictureRenderer, AspectFillCropsWithoutBleeding) {
  const FrameHeader source = Geometry(FramePixelType::RGB24, 90, 30);
  const std::vector<uint8_t> record =
      PaintRecord(source, [](int x, int) { return x >= 30 && x < 60 ? Bgr{0, 255, 0} : Bgr{0, 0, 255}; });
  const FrameHeader client = Geometry(FramePixelType::RGB32, 10, 10);
  std::vector<uint8_t> out(ClientFrameSize(client));
  PictureRenderer renderer;
  ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                  {FillMode::AspectFill}),
            PictureError::None);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const Bgr c = ReadPixel(client, out.data(), x, y);
      ASSERT_TRUE(c.r == 0 && c.g == 255) << x << "," << y << " " << test::ToString(c);
    }
  }
}

TEST(PictureRenderer, RefusesBadRecordsAndWritesNothing) {
  const FrameHeader good = Geometry(FramePixelType::YUY2, 8, 4);
  const std::vector<uint8_t> record = PaintRecord(good, [](int, int) { return Bgr{}; });
  const auto withHeader = [&](FrameHeader header, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    std::memcpy(bytes.data(), &header, std::min(size, sizeof header));
    return bytes;
  };
  struct Bad {
    const char* what;
    std::vector<uint8_t> bytes;
    PictureError error;
  };
  const Bad cases[] = {
      {"empty", {}, PictureError::RecordTooShort},
      {"half a header", std::vector<uint8_t>(record.begin(), record.begin() + 8), PictureError::RecordTooShort},
      {"one byte short", std::vector<uint8_t>(record.begin(), record.end() - 1), PictureError::RecordLength},
      {"one byte long", withHeader(good, record.size() + 1), PictureError::RecordLength},
      {"header only", withHeader(good, 16), PictureError::RecordLength},
      {"unknown layout", withHeader({FramePixelType(4), 8, 4, 16}, 80), PictureError::RecordGeometry},
      {"negative layout", withHeader({FramePixelType(-1), 8, 4, 16}, 80), PictureError::RecordGeometry},
      {"zero width", withHeader({FramePixelType::YUY2, 0, 4, 16}, 80), PictureError::RecordGeometry},
      {"negative width", withHeader({FramePixelType::YUY2, -8, 4, 16}, 80), PictureError::RecordGeometry},
      {"zero height", withHeader({FramePixelType::YUY2, 8, 0, 16}, 16), PictureError::RecordGeometry},
      {"stride shorter than a row", withHeader({FramePixelType::YUY2, 8, 4, 15}, 76), PictureError::RecordGeometry},
      {"size overflows 32 bits", withHeader({FramePixelType::RGB32, 65536, 65536, 0}, 80), PictureError::RecordGeometry},
      {"size at INT32_MIN height", withHeader({FramePixelType::NV12, 2, INT32_MIN, 2}, 80), PictureError::RecordGeometry},
      // Whole records of a length that matches, but with a side longer than any frame may have.
      {"wider than 8192", withHeader({FramePixelType::NV12, 8194, 2, 0}, 16 + 8194 * 3), PictureError::RecordGeometry},
      {"taller than 8192", withHeader({FramePixelType::RGB24, 4, -8193, 0}, 16 + 12 * 8193),
       PictureError::RecordGeometry},
  };
  const FrameHeader client = Geometry(FramePixelType::NV12, 8, 4);
  PictureRenderer renderer;
  for (const Bad& bad : cases) {
    std::vector<uint8_t> out(ClientFrameSize(client), 0xA5);
    EXPECT_EQ(renderer.RenderRecord(bad.bytes.empty() ? nullptr : bad.bytes.data(), bad.bytes.size(), client,
                                    out.data(), out.size(), {}),
              bad.error)
        << bad.what;
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xA5; })) << bad.what;
  }
}

TEST(PictureRenderer, RefusesBadClientsAndWritesNothing) {
  const FrameHeader source = Geometry(FramePixelType::RGB24, 8, 4);
  const std::vector<uint8_t> record = PaintRecord(source, [](int, int) { return Bgr{1, 2, 3}; });
  const FrameHeader client = Geometry(FramePixelType::RGB24, 8, 4);
  std::vector<uint8_t> out(ClientFrameSize(client) + 8, 0xA5);
  PictureRenderer renderer;
  EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), ClientFrameSize(client) - 1, {}),
            PictureError::ClientBufferTooSmall);
  EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), {FramePixelType::RGB24, 0, 4, 0}, out.data(),
                                  out.size(), {}),
            PictureError::ClientGeometry);
  EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                  {FillMode(3), false, false}),
            PictureError::ClientGeometry);
  // A client frame wider than any frame may be; the buffer is large enough for it.
  std::vector<uint8_t> wide(ClientFrameSize(Geometry(FramePixelType::RGB24, 8192, 1)) + 4, 0xA5);
  EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), {FramePixelType::RGB24, 8193, 1, 0}, wide.data(),
                                  wide.size(), {}),
            PictureError::ClientGeometry);
  EXPECT_TRUE(std::all_of(wide.begin(), wide.end(), [](uint8_t b) { return b == 0xA5; }));
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xA5; }));
}

// A padded client stride: the padding is written as black, the picture lands in the rows.
TEST(PictureRenderer, HonoursClientStride) {
  const FrameHeader source = Geometry(FramePixelType::NV12, 16, 8);
  const std::vector<uint8_t> record = PaintRecord(source, [](int, int) { return Bgr{30, 160, 90}; });
  for (FramePixelType to : kLayouts) {
    const FrameHeader client{to, 6, 4, static_cast<int32_t>(RowBytes(to, 6) + 10)};
    std::vector<uint8_t> out(ClientFrameSize(client), 0xA5);
    PictureRenderer renderer;
    ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                    {FillMode::Stretch}),
              PictureError::None);
    const Bgr c = ReadPixel(client, out.data(), 5, 3);
    EXPECT_NEAR(c.g, 160, 6) << FramePixelTypeName(to);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xA5), 0) << FramePixelTypeName(to) << " left bytes unwritten";
  }
}

TEST(PictureRenderer, FillBlackPaintsEveryLayout) {
  for (FramePixelType type : kLayouts) {
    const FrameHeader client = Geometry(type, 7, 5);
    std::vector<uint8_t> out(ClientFrameSize(client), 0xA5);
    ASSERT_EQ(FillBlack(client, out.data(), out.size()), PictureError::None);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) {
        ASSERT_EQ(RawSamples(client, out.data(), x, y), Black(type)) << FramePixelTypeName(type) << " " << x << "," << y;
      }
    }
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xA5), 0) << FramePixelTypeName(type);
  }
}

TEST(FitPicture, GeometryOfEachFillMode) {
  struct Row {
    int sw, sh, cw, ch;
    FillMode mode;
    int align;
    SourceWindow source;
    PixelRect content;
  };
  const Row rows[] = {
      {1920, 1080, 640, 480, FillMode::AspectFit, 1, {0, 0, 1920, 1080}, {0, 60, 640, 360}},
      {1920, 1080, 640, 480, FillMode::AspectFill, 1, {240, 0, 1440, 1080}, {0, 0, 640, 480}},
      {1920, 1080, 640, 480, FillMode::Stretch, 1, {0, 0, 1920, 1080}, {0, 0, 640, 480}},
      {640, 480, 1280, 720, FillMode::AspectFit, 1, {0, 0, 640, 480}, {160, 0, 960, 720}},
      {640, 480, 1280, 720, FillMode::AspectFill, 1, {0, 60, 640, 360}, {0, 0, 1280, 720}},
      {1280, 720, 1920, 1080, FillMode::AspectFit, 2, {0, 0, 1280, 720}, {0, 0, 1920, 1080}},
      // An odd letterbox stays on whole chroma pairs.
      {100, 100, 301, 200, FillMode::AspectFit, 2, {0, 0, 100, 100}, {50, 0, 200, 200}},
      {100, 100, 201, 200, FillMode::AspectFit, 1, {0, 0, 100, 100}, {0, 0, 200, 200}},
      {3, 1000, 10, 10, FillMode::AspectFit, 2, {0, 0, 3, 1000}, {4, 0, 2, 10}},
      {1, 1, 1, 1, FillMode::AspectFit, 2, {0, 0, 1, 1}, {0, 0, 1, 1}},
  };
  for (const Row& r : rows) {
    const PictureFit fit = FitPicture(r.sw, r.sh, r.cw, r.ch, r.mode, r.align, r.align);
    const std::string what = std::to_string(r.sw) + "x" + std::to_string(r.sh) + " in " + std::to_string(r.cw) +
                             "x" + std::to_string(r.ch) + " mode " + std::to_string(int(r.mode));
    EXPECT_EQ(fit.content, r.content) << what << ": " << fit.content.x << "," << fit.content.y << " "
                                      << fit.content.width << "x" << fit.content.height;
    EXPECT_DOUBLE_EQ(fit.source.x, r.source.x) << what;
    EXPECT_DOUBLE_EQ(fit.source.y, r.source.y) << what;
    EXPECT_DOUBLE_EQ(fit.source.width, r.source.width) << what;
    EXPECT_DOUBLE_EQ(fit.source.height, r.source.height) << what;
  }
}

}  // namespace
}  // namespace orvane::picture
