#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "PictureTestSupport.h"
#include "media/picture/IdlePicture.h"
#include "media/picture/PictureRenderer.h"

// Counts the allocations of this test program, to show that a warm renderer allocates nothing.
namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace orvane::picture {
namespace {

using test::Bgr;

FrameHeader Geometry(FramePixelType type, int width, int height) {
  return CheckFrameGeometry(FrameHeader{type, width, height, 0}).header;
}

TEST(PictureRenderer, SteadyStreamAllocatesNothing) {
  const FrameHeader source = Geometry(FramePixelType::YUY2, 64, 36);
  const std::vector<uint8_t> record = test::PaintRecord(source, [](int x, int y) { return Bgr{x, y, 9}; });
  for (FramePixelType to : {FramePixelType::RGB24, FramePixelType::RGB32, FramePixelType::YUY2, FramePixelType::NV12}) {
    const FrameHeader client = Geometry(to, 40, 40);
    std::vector<uint8_t> out(ClientFrameSize(client));
    PictureRenderer renderer;
    const PictureOptions options{FillMode::AspectFit, true, false};
    ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), options),
              PictureError::None);
    const long before = allocations.load();
    for (int frame = 0; frame < 3; ++frame) {
      ASSERT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), options),
                PictureError::None);
    }
    EXPECT_EQ(allocations.load() - before, 0) << FramePixelTypeName(to);
  }
}

TEST(NoSignalPicture, DarkBackgroundWithACentredGlyph) {
  Picture32 picture;
  ASSERT_TRUE(MakeNoSignalPicture(320, 180, picture));
  ASSERT_EQ(picture.width, 320);
  ASSERT_EQ(picture.height, 180);
  ASSERT_FALSE(picture.empty());
  const auto luma = [&](int x, int y) {
    const uint8_t* p = &picture.pixels[(size_t(y) * 320 + x) * 4];
    EXPECT_EQ(p[3], 255);
    return (p[0] + 2 * p[1] + p[2]) / 4;
  };
  // Calm and dark: corners darker than the middle, nothing bright outside the glyph's box.
  EXPECT_LT(luma(0, 0), luma(160, 10));
  EXPECT_LT(luma(160, 10), 60);
  int bright = 0, brightOutside = 0;
  for (int y = 0; y < 180; ++y) {
    for (int x = 0; x < 320; ++x) {
      if (luma(x, y) <= 100) continue;
      ++bright;
      if (std::abs(x - 160) > 50 || std::abs(y - 90) > 50) ++brightOutside;
    }
  }
  EXPECT_GT(bright, 200) << "no visible glyph";
  EXPECT_EQ(brightOutside, 0);
}

TEST(NoSignalPicture, SizesAreCheckedAndCapped) {
  Picture32 picture;
  EXPECT_FALSE(MakeNoSignalPicture(0, 10, picture));
  EXPECT_TRUE(picture.empty());
  EXPECT_FALSE(MakeNoSignalPicture(10, -1, picture));
  ASSERT_TRUE(MakeNoSignalPicture(1, 1, picture));
  EXPECT_EQ(picture.pixels.size(), 4u);
  ASSERT_TRUE(MakeNoSignalPicture(100000, 3, picture));
  EXPECT_EQ(picture.width, kMaxIdlePictureWidth);
}

// An idle picture is fitted with the device's fill mode and never mirrored or flipped.
TEST(IdlePicture, FittedUnmirroredIntoAClient) {
  Picture32 picture;
  picture.width = 4;
  picture.height = 2;
  picture.pixels.assign(4 * 2 * 4, 0);
  for (int x = 0; x < 2; ++x) picture.pixels[size_t(x) * 4 + 2] = 255;  // top-left red, the rest black
  const FrameHeader client = Geometry(FramePixelType::RGB24, 8, 8);
  std::vector<uint8_t> out(ClientFrameSize(client));
  PictureRenderer renderer;
  const PictureOptions device{FillMode::AspectFit, true, true};
  ASSERT_EQ(renderer.Render(picture.View(), client, out.data(), out.size(), IdlePictureOptions(device)),
            PictureError::None);
  // Letterboxed to 8 x 4 in rows 2..5; the red quarter stays top-left.
  EXPECT_EQ(test::ReadPixel(client, out.data(), 0, 2).r, 255);
  EXPECT_EQ(test::ReadPixel(client, out.data(), 7, 5).r, 0);
  EXPECT_EQ(test::RawSamples(client, out.data(), 0, 0), (std::vector<int>{0, 0, 0}));
}

}  // namespace
}  // namespace orvane::picture
