#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "FrameTestSupport.h"
#include "media/frame/FrameRecordBuilder.h"
#include "media/frame/FrameTransform.h"

namespace orvane {
namespace {

using test::NV12;
using test::RGB24;
using test::RGB32;
using test::YUY2;

FrameHeader HeaderOf(const FrameRecord& record) {
  FrameHeader header;
  std::memcpy(&header, record.data, sizeof header);
  return header;
}

std::vector<uint8_t> RandomFrame(const FrameHeader& geometry, std::mt19937& random) {
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  return test::RandomBytes(checked.imageSize, random);
}

TEST(FrameRecordBuilder, PlainFrameIsCopiedWithItsHeader) {
  std::mt19937 random(1);
  const std::vector<uint8_t> pixels = RandomFrame({RGB24, 640, 480, 0}, random);
  FrameRecordBuilder builder;
  const FrameRecord record = builder.Build(pixels.data(), {RGB24, 640, 480, 0}, {});
  ASSERT_TRUE(record.ok()) << DescribeFrameRecordError(record.error);
  EXPECT_EQ(record.size, 16u + 921600u);
  EXPECT_EQ(HeaderOf(record), (FrameHeader{RGB24, 640, 480, 1920}));
  EXPECT_EQ(record.header, HeaderOf(record));
  EXPECT_EQ(std::memcmp(record.data + 16, pixels.data(), pixels.size()), 0);

  // A stride of 0 or less is the layout's default; a larger stride is kept as it is.
  const std::vector<uint8_t> yuy2 = RandomFrame({YUY2, 320, 240, 0}, random);
  EXPECT_EQ(builder.Build(yuy2.data(), {YUY2, 320, 240, 0}, {}).header, (FrameHeader{YUY2, 320, 240, 640}));
  EXPECT_EQ(builder.Build(yuy2.data(), {YUY2, 320, 240, -5}, {}).header.stride, 640);
  EXPECT_EQ(builder.Build(yuy2.data(), {YUY2, 300, 240, 640}, {}).header, (FrameHeader{YUY2, 300, 240, 640}));
  // A positive YUY2 height stays positive: it never becomes a bottom-up frame.
  EXPECT_EQ(builder.Build(yuy2.data(), {YUY2, 320, 240, 0}, {true, 0, 0, 0}).header,
            (FrameHeader{YUY2, 240, 320, 480}));
}

// The builder turns the crop into a view of the caller's frame; the result must be what cropping into
// a buffer and then rotating that buffer gives, for every layout, orientation and padded stride.
TEST(FrameRecordBuilder, TransformedRecordsMatchCropThenRotate) {
  struct Case {
    FrameHeader geometry;
    FrameTransformSettings settings;
  };
  const Case cases[] = {
      {{RGB24, 640, 480, 0}, {false, 10, 0, 0}},     {{RGB24, 640, -480, 1928}, {true, 10, -10, 4}},
      {{RGB24, 99, 51, 0}, {true, 0, 0, 0}},         {{RGB32, 320, 240, 0}, {true, 40, 40, -40}},
      {{RGB32, 97, -33, 400}, {false, 7, 3, 2}},     {{YUY2, 640, 480, 0}, {true, 0, 0, 0}},
      {{YUY2, 322, 242, 700}, {true, 15, -3, 15}},   {{YUY2, 81, 45, 0}, {false, 20, 20, -1}},
      {{NV12, 640, 480, 0}, {true, 0, 0, 0}},        {{NV12, 640, 480, 704}, {true, 10, 2, -6}},
      {{NV12, 320, 240, 384}, {false, 10, -10, 10}}, {{NV12, 62, 38, 70}, {true, 30, 1, 1}},
  };
  std::mt19937 random(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int(c.geometry.pixelType) << " " << c.geometry.width << "x"
                                    << c.geometry.height << " stride " << c.geometry.stride << " rotate "
                                    << c.settings.rotate << " zoom " << c.settings.zoom);
    const std::vector<uint8_t> pixels = RandomFrame(c.geometry, random);
    const FrameHeader resolved = CheckFrameGeometry(c.geometry).header;

    // The long way: a crop buffer at the default stride, then the rotation or a plain copy.
    FrameHeader current = resolved;
    std::vector<uint8_t> picture = pixels;
    if (c.settings.zoom > 0) {
      const int rows = resolved.height < 0 ? -resolved.height : resolved.height;
      const CropWindow window =
          ComputeCropWindow(resolved.width, rows, c.settings.zoom, c.settings.panX, c.settings.panY);
      current = CompactGeometry({resolved.pixelType, window.width,
                                 resolved.height < 0 ? -window.height : window.height, 0});
      picture.assign(size_t(ImageSize(current.pixelType, current.height, current.stride)), 0);
      ASSERT_EQ(CropFrame(pixels.data(), resolved, window, picture.data()), 0);
    }
    if (c.settings.rotate) {
      const FrameHeader turned = RotatedGeometry(current);
      std::vector<uint8_t> rotated(size_t(ImageSize(turned.pixelType, turned.height, turned.stride)));
      ASSERT_EQ(RotateFrame(MakeFrameView(picture.data(), current), rotated.data()), 0);
      current = turned;
      picture = std::move(rotated);
    }

    FrameRecordBuilder builder;
    const FrameRecord record = builder.Build(pixels.data(), c.geometry, c.settings);
    ASSERT_TRUE(record.ok()) << DescribeFrameRecordError(record.error);
    EXPECT_EQ(HeaderOf(record), current);
    ASSERT_EQ(record.size, 16 + picture.size());
    EXPECT_EQ(std::memcmp(record.data + 16, picture.data(), picture.size()), 0)
        << test::FirstDifference(picture.data(), record.data + 16, picture.size());
  }
}

// A refused frame leaves the last record exactly as it was and allocates nothing.
TEST(FrameRecordBuilder, RefusalsWriteNothing) {
  std::mt19937 random(3);
  const std::vector<uint8_t> pixels = RandomFrame({RGB32, 64, 48, 0}, random);
  // Pixels enough for the longest refused rows, so that a builder that took them would read no further.
  const std::vector<uint8_t> wide(4 * 8193 * 2, 7);
  FrameRecordBuilder builder;
  const FrameRecord good = builder.Build(pixels.data(), {RGB32, 64, 48, 0}, {true, 5, 1, 1});
  ASSERT_TRUE(good.ok());
  const std::vector<uint8_t> before(good.data, good.data + good.size);
  const uint32_t capacity = builder.capacity();

  struct Case {
    const uint8_t* pixels;
    FrameHeader geometry;
    FrameTransformSettings settings;
    FrameRecordError error;
    GeometryError geometryError;
  };
  const Case cases[] = {
      {nullptr, {RGB32, 64, 48, 0}, {}, FrameRecordError::NullPixels, GeometryError::None},
      {pixels.data(), {RGB32, 0, 48, 0}, {}, FrameRecordError::BadGeometry, GeometryError::BadWidth},
      {pixels.data(), {RGB32, -64, 48, 0}, {}, FrameRecordError::BadGeometry, GeometryError::BadWidth},
      {pixels.data(), {RGB32, 64, 0, 0}, {}, FrameRecordError::BadGeometry, GeometryError::BadHeight},
      {pixels.data(), {RGB32, 64, 48, 255}, {}, FrameRecordError::BadGeometry, GeometryError::StrideTooSmall},
      {pixels.data(), {static_cast<FramePixelType>(4), 64, 48, 0}, {}, FrameRecordError::BadGeometry,
       GeometryError::UnknownPixelType},
      {pixels.data(), {NV12, 65536, 32768, 0}, {}, FrameRecordError::BadGeometry, GeometryError::TooLarge},
      {pixels.data(), {RGB24, INT32_MAX / 3 + 1, 1, 0}, {}, FrameRecordError::BadGeometry, GeometryError::TooLarge},
      // Sides longer than any camera's or file's picture, in any layout, rotated or cropped.
      {wide.data(), {RGB32, 8193, 2, 0}, {}, FrameRecordError::BadGeometry, GeometryError::SideTooLong},
      {wide.data(), {NV12, 2, 8194, 0}, {true, 0, 0, 0}, FrameRecordError::BadGeometry, GeometryError::SideTooLong},
      {wide.data(), {YUY2, 8194, -2, 0}, {false, 5, 1, 1}, FrameRecordError::BadGeometry,
       GeometryError::SideTooLong},
      {wide.data(), {RGB24, 1, -8193, 0}, {}, FrameRecordError::BadGeometry, GeometryError::SideTooLong},
      // Valid as it arrives, but rotated it would need rows longer than 2 GiB.
      {pixels.data(), {RGB32, 1, 1 << 29, 0}, {true, 0, 0, 0}, FrameRecordError::BadGeometry,
       GeometryError::TooLarge},
  };
  for (const Case& c : cases) {
    const FrameRecord record = builder.Build(c.pixels, c.geometry, c.settings);
    EXPECT_EQ(record.error, c.error) << c.geometry.width << "x" << c.geometry.height;
    EXPECT_EQ(record.geometry, c.geometryError) << c.geometry.width << "x" << c.geometry.height;
    EXPECT_EQ(record.data, nullptr);
    EXPECT_EQ(record.size, 0u);
    EXPECT_EQ(builder.capacity(), capacity);
    EXPECT_EQ(std::memcmp(good.data, before.data(), before.size()), 0) << "the last record was touched";
  }
}

TEST(FrameRecordBuilder, DeliveryBufferOnlyGrows) {
  std::mt19937 random(4);
  const std::vector<uint8_t> large = RandomFrame({NV12, 640, 480, 0}, random);
  FrameRecordBuilder builder;
  EXPECT_EQ(builder.capacity(), 0u);
  const FrameRecord first = builder.Build(large.data(), {NV12, 640, 480, 0}, {});
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(first.size, 460816u);
  EXPECT_EQ(builder.capacity(), 460816u) << "grown to exactly the record's size";
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first.data) % 64, 0u);

  // Smaller frames and transformed frames of the same size reuse the buffer.
  const FrameRecord smaller = builder.Build(large.data(), {NV12, 320, 240, 0}, {true, 10, 0, 0});
  const FrameRecord rotated = builder.Build(large.data(), {NV12, 640, 480, 0}, {true, 0, 0, 0});
  ASSERT_TRUE(smaller.ok() && rotated.ok());
  EXPECT_EQ(smaller.data, first.data);
  EXPECT_EQ(rotated.data, first.data);
  EXPECT_EQ(builder.capacity(), 460816u);

  const std::vector<uint8_t> larger = RandomFrame({RGB24, 641, 480, 0}, random);
  const FrameRecord grown = builder.Build(larger.data(), {RGB24, 641, 480, 0}, {});
  ASSERT_TRUE(grown.ok());
  EXPECT_EQ(builder.capacity(), grown.size);
  EXPECT_EQ(grown.size, 16u + 1924u * 480u);
}

}  // namespace
}  // namespace orvane
