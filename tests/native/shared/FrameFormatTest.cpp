#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "shared/FrameFormat.h"

namespace orvane {
namespace {

constexpr FramePixelType RGB24 = FramePixelType::RGB24;
constexpr FramePixelType RGB32 = FramePixelType::RGB32;
constexpr FramePixelType YUY2 = FramePixelType::YUY2;
constexpr FramePixelType NV12 = FramePixelType::NV12;

TEST(FrameFormat, DefaultStrideOfEachLayout) {
  struct Case {
    FramePixelType type;
    int32_t width;
    int64_t stride;
  };
  const Case cases[] = {
      {RGB24, 1, 4},  {RGB24, 5, 16}, {RGB24, 4, 12}, {RGB24, 640, 1920}, {RGB24, 2, 8},
      {RGB32, 5, 20}, {RGB32, 1, 4},  {YUY2, 5, 10},  {YUY2, 320, 640},   {NV12, 5, 5},
      {NV12, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultStride(c.type, c.width), c.stride)
        << "type " << static_cast<int>(c.type) << " width " << c.width;
    if (c.type == RGB24) {
      // The bitmap formula used by the interfaces that take device-independent bitmaps agrees.
      EXPECT_EQ(DefaultStride(c.type, c.width), (int64_t{c.width} * 24 + 31) / 32 * 4);
    }
  }
}

TEST(FrameFormat, ImageSizeAndRecordSize) {
  struct Case {
    FramePixelType type;
    int32_t width, height, stride;
    uint32_t imageSize;
  };
  const Case cases[] = {
      {NV12, 640, 480, 640, 460800},     // luma 307200 + chroma 153600
      {RGB24, 640, 480, 0, 921600},      // bottom-up
      {RGB24, 640, -480, 0, 921600},     // top-down: same size, only the sign differs
      {YUY2, 1280, 720, 0, 1843200},
      {NV12, 6, 3, 8, 36},               // odd height: L + L / 2 with integer division
      {RGB32, 3, -2, 16, 32},            // padded stride is honoured
  };
  for (const Case& c : cases) {
    const CheckedFrame checked = CheckFrameGeometry({c.type, c.width, c.height, c.stride});
    ASSERT_TRUE(checked.ok()) << DescribeGeometryError(checked.error);
    EXPECT_EQ(checked.imageSize, c.imageSize) << c.width << "x" << c.height;
    EXPECT_EQ(checked.recordSize(), c.imageSize + 16);
    EXPECT_EQ(checked.header.height, c.height) << "the height's sign is carried unchanged";
  }
  EXPECT_EQ(CheckFrameGeometry({NV12, 640, 480, 640}).recordSize(), 460816u);
}

TEST(FrameFormat, StrideOfZeroOrLessBecomesTheDefault) {
  EXPECT_EQ(CheckFrameGeometry({YUY2, 320, 240, 0}).header.stride, 640);
  EXPECT_EQ(CheckFrameGeometry({RGB24, 5, 2, -7}).header.stride, 16);
  EXPECT_EQ(CheckFrameGeometry({RGB32, 5, 2, 64}).header.stride, 64);
}

TEST(FrameFormat, RefusesGeometryThatCannotBeDelivered) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  struct Case {
    FrameHeader frame;
    GeometryError error;
  };
  const Case cases[] = {
      {{static_cast<FramePixelType>(4), 640, 480, 0}, GeometryError::UnknownPixelType},
      {{static_cast<FramePixelType>(-1), 640, 480, 0}, GeometryError::UnknownPixelType},
      {{RGB24, 0, 480, 0}, GeometryError::BadWidth},
      {{NV12, -640, 480, 0}, GeometryError::BadWidth},
      {{YUY2, 640, 0, 0}, GeometryError::BadHeight},
      {{RGB24, 640, 480, 1919}, GeometryError::StrideTooSmall},
      {{RGB32, 640, 480, 2559}, GeometryError::StrideTooSmall},
      {{YUY2, 5, 4, 9}, GeometryError::StrideTooSmall},
      {{NV12, 8, 4, 7}, GeometryError::StrideTooSmall},
      // Sizes whose byte count does not fit in 32 bits, in the stride and in the image.
      {{RGB32, kMax, 1, 0}, GeometryError::TooLarge},
      {{RGB24, 0x2AAAAAAB, 1, 0}, GeometryError::TooLarge},
      {{RGB24, 65536, 65536, 0}, GeometryError::TooLarge},
      {{NV12, 1, kMin, kMax}, GeometryError::TooLarge},
      {{NV12, 32768, 43691, 0}, GeometryError::TooLarge},  // 32768 * 43691 * 1.5 + 16 > 2^31 - 1
  };
  for (const Case& c : cases) {
    const CheckedFrame checked = CheckFrameGeometry(c.frame);
    EXPECT_EQ(checked.error, c.error)
        << "type " << static_cast<int>(c.frame.pixelType) << " " << c.frame.width << "x"
        << c.frame.height << " stride " << c.frame.stride << ": "
        << DescribeGeometryError(checked.error);
    EXPECT_EQ(checked.imageSize, 0u);
  }
}

// No side may be longer than kMaxFrameSide, whatever the layout, the rows' order or the stride; a
// geometry just inside the limit is accepted. (Sides beyond the limit whose bytes also overflow are
// still reported as TooLarge, above.)
TEST(FrameFormat, SidesAreCappedAt8192) {
  static_assert(kMaxFrameSide == 8192);
  struct Case {
    FramePixelType type;
    int32_t width, height, stride;
    GeometryError error;
  };
  const Case cases[] = {
      {RGB24, 8192, 8192, 0, GeometryError::None},         {RGB24, 8193, 1, 0, GeometryError::SideTooLong},
      {RGB24, 1, 8193, 0, GeometryError::SideTooLong},     {RGB24, 1, -8193, 0, GeometryError::SideTooLong},
      {RGB24, 8192, -8192, 0, GeometryError::None},        {RGB24, 8193, 2, 1 << 16, GeometryError::SideTooLong},
      {RGB32, 8192, 8192, 0, GeometryError::None},         {RGB32, 8193, 8192, 0, GeometryError::SideTooLong},
      {RGB32, 8192, -8193, 0, GeometryError::SideTooLong}, {RGB32, 1, -8192, 0, GeometryError::None},
      {YUY2, 8192, 8192, 0, GeometryError::None},          {YUY2, 8194, 2, 0, GeometryError::SideTooLong},
      {YUY2, 8193, 1, 0, GeometryError::SideTooLong},      {YUY2, 2, 8193, 0, GeometryError::SideTooLong},
      {YUY2, 2, -8193, 0, GeometryError::SideTooLong},     {YUY2, 8192, -8192, 0, GeometryError::None},
      {NV12, 8192, 8192, 0, GeometryError::None},          {NV12, 8194, 2, 0, GeometryError::SideTooLong},
      {NV12, 8193, 8192, 8200, GeometryError::SideTooLong}, {NV12, 2, 8194, 0, GeometryError::SideTooLong},
      {NV12, 2, 8193, 0, GeometryError::SideTooLong},      {NV12, 8192, 1, 0, GeometryError::None},
  };
  for (const Case& c : cases) {
    const CheckedFrame checked = CheckFrameGeometry({c.type, c.width, c.height, c.stride});
    EXPECT_EQ(checked.error, c.error) << FramePixelTypeName(c.type) << " " << c.width << "x" << c.height
                                      << " stride " << c.stride << ": " << DescribeGeometryError(checked.error);
    EXPECT_EQ(checked.imageSize == 0, c.error != GeometryError::None) << c.width << "x" << c.height;
  }
}

TEST(FrameFormat, LargestRecordThatFitsIsAccepted) {
  // 16 + 2147483631 = 2^31 - 1 bytes exactly; one byte more is refused.
  const CheckedFrame checked = CheckFrameGeometry({RGB24, 1, 1, 2147483631});
  ASSERT_TRUE(checked.ok());
  EXPECT_EQ(checked.recordSize(), 2147483647u);
  EXPECT_EQ(CheckFrameGeometry({RGB24, 1, 1, 2147483632}).error, GeometryError::TooLarge);
}

}  // namespace
}  // namespace orvane
