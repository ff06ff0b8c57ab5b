#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/camera/formats/OutputOffer.h"

namespace orvane::camera {
namespace {

constexpr FramePixelType kYUY2 = FramePixelType::YUY2, kNV12 = FramePixelType::NV12,
                         kRGB24 = FramePixelType::RGB24, kRGB32 = FramePixelType::RGB32;

TEST(OutputOffer, ChecksTheRecord) {
  struct Case {
    OutputFormat format;
    OutputFormatError expected;
  };
  const Case cases[] = {
      {{1920, 1080, 30, 0, 0}, OutputFormatError::None},
      {{1, 1, 1, 7, 4}, OutputFormatError::None},
      {{4096, 4096, 1023, 1, 1}, OutputFormatError::None},
      {{0, 480, 30, 0, 0}, OutputFormatError::BadSize},
      {{4097, 480, 30, 0, 0}, OutputFormatError::BadSize},
      {{640, -480, 30, 0, 0}, OutputFormatError::BadSize},
      {{640, 4097, 30, 0, 0}, OutputFormatError::BadSize},
      {{640, 480, 0, 0, 0}, OutputFormatError::BadRate},
      {{640, 480, 1024, 0, 0}, OutputFormatError::BadRate},
      {{640, 480, 30, 0, 5}, OutputFormatError::UnknownFormat},
      {{640, 480, 30, 0, -1}, OutputFormatError::UnknownFormat},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckOutputFormat(c.format), c.expected)
        << c.format.width << "x" << c.format.height << "@" << c.format.fps << " code " << c.format.format;
  }
}

// A client that turns the interval back into a rate with integer division gets the rate again.
TEST(OutputOffer, FrameIntervalsRoundTripTheRate) {
  for (int32_t fps : {1, 15, 24, 25, 30, 50, 60, 120, 1023}) {
    const int64_t interval = FrameIntervalOfRate(fps);
    EXPECT_EQ(10000000 / interval, fps) << fps;
  }
  EXPECT_EQ(FrameIntervalOfRate(30), 333333);
}

TEST(OutputOffer, OutputSizeFirstInThePreferredLayout) {
  struct Case {
    int32_t code;
    std::vector<FramePixelType> order;
  };
  const Case cases[] = {{kFormatNoPreference, {kYUY2, kNV12, kRGB32, kRGB24}},
                        {kFormatYUY2, {kYUY2, kNV12, kRGB32, kRGB24}},
                        {kFormatNV12, {kNV12, kYUY2, kRGB32, kRGB24}},
                        {kFormatRGB24, {kRGB24, kYUY2, kNV12, kRGB32}},
                        {kFormatRGB32, {kRGB32, kYUY2, kNV12, kRGB24}}};
  for (const Case& c : cases) {
    const std::vector<OfferedFormat> offered = OfferedFormats({800, 450, 30, 0, c.code});
    ASSERT_GE(offered.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(offered[i], (OfferedFormat{c.order[i], 800, 450})) << "code " << c.code << " position " << i;
    }
    // The common sizes follow, each in every layout, without repeating the output size.
    EXPECT_NE(std::find(offered.begin(), offered.end(), OfferedFormat{kNV12, 1920, 1080}), offered.end());
    EXPECT_NE(std::find(offered.begin(), offered.end(), OfferedFormat{kRGB24, 320, 240}), offered.end());
    EXPECT_EQ(offered.size(), 4u * 11u);
  }
  const std::vector<OfferedFormat> common = OfferedFormats({1280, 720, 30, 0, 0});
  EXPECT_EQ(common.size(), 4u * 10u) << "the output size is one of the common sizes";
}

TEST(OutputOffer, OneSizeOnlyAndOddSizes) {
  EXPECT_EQ(OfferedFormats({640, 480, 30, 1, kFormatRGB32}),
            (std::vector<OfferedFormat>{{kRGB32, 640, 480}, {kYUY2, 640, 480}, {kNV12, 640, 480}, {kRGB24, 640, 480}}));
  // 4:2:2 and 4:2:0 layouts take the even size just below; a single pixel leaves only RGB.
  EXPECT_EQ(OfferedFormats({641, 481, 30, 1, 0}),
            (std::vector<OfferedFormat>{{kYUY2, 640, 481}, {kNV12, 640, 480}, {kRGB32, 641, 481}, {kRGB24, 641, 481}}));
  EXPECT_EQ(OfferedFormats({1, 1, 30, 1, 0}), (std::vector<OfferedFormat>{{kRGB32, 1, 1}, {kRGB24, 1, 1}}));
}

TEST(OutputOffer, AnUnacceptableRecordFallsBackToTheDefault) {
  const OutputFormat bad{-5, 0, 0, 1, 99};
  EXPECT_EQ(EffectiveOutputFormat(bad), (OutputFormat{1280, 720, 30, 0, 0}));
  EXPECT_EQ(OfferedFormats(bad), OfferedFormats({1280, 720, 30, 0, 0}));
}

}  // namespace
}  // namespace orvane::camera
