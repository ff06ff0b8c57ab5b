// Renderings shared by the streams of one device: a frame is taken from another stream only when it
// is the same producer frame, geometry and options, and a lone stream keeps no copies.
#include <gtest/gtest.h>

#include <vector>

#include "PictureTestSupport.h"
#include "media/picture/SharedRenderings.h"

namespace orvane::picture {
namespace {

FrameHeader Geometry(FramePixelType type, int width, int height) {
  return CheckFrameGeometry(FrameHeader{type, width, height, 0}).header;
}

struct Fixture {
  FrameHeader source = Geometry(FramePixelType::YUY2, 96, 64);
  FrameHeader client = Geometry(FramePixelType::NV12, 64, 48);
  std::vector<uint8_t> record =
      test::PaintRecord(source, [](int x, int y) { return test::Bgr{2 * x, 3 * y, 200 - x}; });

  std::vector<uint8_t> Render(const PictureOptions& options) const {
    std::vector<uint8_t> out(ClientFrameSize(client));
    PictureRenderer renderer;
    EXPECT_EQ(renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), options),
              PictureError::None);
    return out;
  }
};

TEST(SharedRenderings, StreamsShowingTheSamePictureRenderItOnce) {
  const Fixture f;
  const std::shared_ptr<SharedRenderings> renderings = SharedRenderings::ForDevice(7001);
  EXPECT_EQ(SharedRenderings::ForDevice(7001), renderings);
  EXPECT_NE(SharedRenderings::ForDevice(7002), renderings);
  renderings->Join(f.client);
  renderings->Join(f.client);

  const SharedRenderings::Key key{41, f.client, {}};
  const std::vector<uint8_t> first = f.Render(key.options);
  renderings->Publish(key, first.data(), first.size());
  std::vector<uint8_t> second(first.size(), 0xA5);
  ASSERT_TRUE(renderings->Take(key, second.data(), second.size()));
  EXPECT_EQ(second, first);

  // Another producer frame, another geometry, a buffer of another size: nothing to take.
  SharedRenderings::Key next = key;
  next.frame = 42;
  EXPECT_FALSE(renderings->Take(next, second.data(), second.size()));
  SharedRenderings::Key other = key;
  other.client = Geometry(FramePixelType::NV12, 64, 36);
  EXPECT_FALSE(renderings->Take(other, second.data(), second.size()));
  EXPECT_FALSE(renderings->Take(key, second.data(), second.size() - 1));

  // Alone again: the stream renders and keeps nothing.
  renderings->Leave(f.client);
  renderings->Publish(next, first.data(), first.size());
  EXPECT_FALSE(renderings->Take(next, second.data(), second.size()));
  renderings->Leave(f.client);
}

TEST(SharedRenderings, StreamsWithOtherOptionsKeepTheirOwnPicture) {
  const Fixture f;
  const std::shared_ptr<SharedRenderings> renderings = SharedRenderings::ForDevice(7003);
  renderings->Join(f.client);
  renderings->Join(f.client);
  const PictureOptions plain{}, mirrored{FillMode::AspectFit, true, false};
  const SharedRenderings::Key plainKey{5, f.client, plain}, mirroredKey{5, f.client, mirrored};

  // The plain stream publishes; the mirrored one finds nothing for its options and renders its own.
  const std::vector<uint8_t> plainFrame = f.Render(plain);
  renderings->Publish(plainKey, plainFrame.data(), plainFrame.size());
  std::vector<uint8_t> seen(plainFrame.size());
  EXPECT_FALSE(renderings->Take(mirroredKey, seen.data(), seen.size()));
  const std::vector<uint8_t> mirroredFrame = f.Render(mirrored);
  ASSERT_NE(mirroredFrame, plainFrame);
  renderings->Publish(mirroredKey, mirroredFrame.data(), mirroredFrame.size());

  // Each stream takes only its own picture.
  ASSERT_TRUE(renderings->Take(mirroredKey, seen.data(), seen.size()));
  EXPECT_EQ(seen, mirroredFrame);
  EXPECT_FALSE(renderings->Take(plainKey, seen.data(), seen.size()));
  renderings->Leave(f.client);
  renderings->Leave(f.client);
}

}  // namespace
}  // namespace orvane::picture
