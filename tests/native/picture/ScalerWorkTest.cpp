// The scaler's work for producers at the size cap: what a render's plan reads follows the client's
// size, and a shrink too steep to read every covered sample still averages the picture.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "PictureTestSupport.h"
#include "media/picture/PictureGeometry.h"
#include "media/picture/PictureRenderer.h"
#include "media/picture/Resampler.h"

namespace orvane::picture {
namespace {

using test::Bgr;
using test::ReadPixel;

FrameHeader Geometry(FramePixelType type, int width, int height) {
  return CheckFrameGeometry(FrameHeader{type, width, height, 0}).header;
}

// A record whose every byte is 128: a flat mid grey in each layout, made without painting pixel by
// pixel (the largest records hold 96 MiB).
std::vector<uint8_t> FlatRecord(const FrameHeader& header) {
  const CheckedFrame checked = CheckFrameGeometry(header);
  std::vector<uint8_t> record(checked.recordSize(), 128);
  std::memcpy(record.data(), &checked.header, sizeof checked.header);
  return record;
}

std::string Describe(const FrameHeader& source, const FrameHeader& client, FillMode fill) {
  return std::string(FramePixelTypeName(source.pixelType)) + " " + std::to_string(source.width) + "x" +
         std::to_string(source.height) + " -> " + FramePixelTypeName(client.pixelType) + " " +
         std::to_string(client.width) + "x" + std::to_string(client.height) + " fill " +
         std::to_string(int(fill));
}

TEST(ScalerWork, FollowsTheClientNotTheProducer) {
  struct Case {
    FrameHeader source;
    FrameHeader client;
  };
  const Case cases[] = {
      {Geometry(FramePixelType::RGB24, 8192, 1), Geometry(FramePixelType::RGB32, 1280, 720)},
      {Geometry(FramePixelType::RGB24, 8192, 1), Geometry(FramePixelType::NV12, 2, 2)},
      {Geometry(FramePixelType::RGB32, 1, -8192), Geometry(FramePixelType::YUY2, 2, 1)},
      {Geometry(FramePixelType::YUY2, 8192, 2), Geometry(FramePixelType::RGB24, 1, 1)},
      // The largest accepted geometry, into a common client size and into the smallest ones.
      {Geometry(FramePixelType::NV12, 8192, 8192), Geometry(FramePixelType::YUY2, 1280, 720)},
      {Geometry(FramePixelType::NV12, 8192, 8192), Geometry(FramePixelType::NV12, 64, 36)},
      {Geometry(FramePixelType::NV12, 8192, 8192), Geometry(FramePixelType::RGB24, 2, 2)},
      {Geometry(FramePixelType::NV12, 8192, 8192), Geometry(FramePixelType::YUY2, 8, 2048)},
      {Geometry(FramePixelType::NV12, 8192, 8192), Geometry(FramePixelType::RGB32, 1, -1)},
  };
  std::map<int64_t, std::vector<uint8_t>> records;  // the large ones are made once
  for (const Case& c : cases) {
    const int64_t key = (int64_t{c.source.width} << 32) ^ (int64_t{c.source.height} << 4) ^ int(c.source.pixelType);
    std::vector<uint8_t>& record = records[key];
    if (record.empty()) record = FlatRecord(c.source);
    // What the same flat grey looks like scaled without any shrink.
    const FrameHeader small = Geometry(c.source.pixelType, 2, 2);
    const std::vector<uint8_t> smallRecord = FlatRecord(small);
    const int clientRows = test::Rows(c.client);
    for (FillMode fill : {FillMode::AspectFit, FillMode::AspectFill, FillMode::Stretch}) {
      SCOPED_TRACE(Describe(c.source, c.client, fill));
      const PictureOptions options{fill, true, true};
      std::vector<uint8_t> out(ClientFrameSize(c.client));
      std::vector<uint8_t> expected(out.size());
      PictureRenderer renderer, reference;
      ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), c.client, out.data(), out.size(), options),
                PictureError::None);
      const PictureRenderer::Work work = renderer.PlannedWork();
      // Per client sample: up to kMaxTaps rows of up to kMaxTaps samples of up to 4 bytes for the vertical
      // passes, kMaxTaps samples of each of 3 channels for the horizontal ones.
      const int64_t samples = int64_t{c.client.width} * clientRows;
      EXPECT_LE(work.rowReads, 4 * kMaxTaps * kMaxTaps * samples);
      EXPECT_LE(work.sampleReads, 3 * kMaxTaps * samples);
      ASSERT_EQ(reference.RenderRecord(smallRecord.data(), smallRecord.size(), c.client, expected.data(),
                                       expected.size(), {FillMode::Stretch}),
                PictureError::None);
      const bool yuvClient = c.client.pixelType == FramePixelType::YUY2 || c.client.pixelType == FramePixelType::NV12;
      const PixelRect content = FitPicture(c.source.width, test::Rows(c.source), c.client.width, clientRows, fill,
                                           yuvClient ? 2 : 1, c.client.pixelType == FramePixelType::NV12 ? 2 : 1)
                                    .content;
      const Bgr grey = ReadPixel(c.client, expected.data(), 0, 0);
      const Bgr middle =
          ReadPixel(c.client, out.data(), content.x + content.width / 2, content.y + content.height / 2);
      EXPECT_TRUE(middle.b == grey.b && middle.g == grey.g && middle.r == grey.r)
          << test::ToString(middle) << " instead of " << test::ToString(grey);
    }
  }
}

// Past kMaxTaps the scaler reads every step-th sample. A checkerboard alternates every sample in both
// directions: a lattice that kept to one phase would turn it black or white instead of grey.
TEST(ScalerWork, SteepShrinkStillAveragesAlternatingSamples) {
  const FrameHeader source = Geometry(FramePixelType::RGB24, 8192, 256);
  const std::vector<uint8_t> record =
      test::PaintRecord(source, [](int x, int y) { return (x + y) % 2 ? Bgr{255, 255, 255} : Bgr{}; });
  for (const auto& size : {std::pair{4, 2}, std::pair{1, 1}, std::pair{100, 3}}) {
    const FrameHeader client = Geometry(FramePixelType::RGB32, size.first, size.second);
    std::vector<uint8_t> out(ClientFrameSize(client));
    PictureRenderer renderer;
    ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(),
                                    {FillMode::Stretch}),
              PictureError::None);
    for (int y = 0; y < size.second; ++y) {
      for (int x = 0; x < size.first; ++x) {
        const Bgr grey = ReadPixel(client, out.data(), x, y);
        ASSERT_NEAR(grey.g, 128, 24) << size.first << "x" << size.second << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace orvane::picture
