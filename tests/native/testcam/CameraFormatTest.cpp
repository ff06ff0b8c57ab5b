// The synthetic webcam's format text: the accepted forms, what is refused, and the default list.
#include <gtest/gtest.h>

#include <string>

#include "tools/testcam/formats/CameraFormat.h"

namespace orvane {
namespace {

TEST(CameraFormat, ParsesBothRateForms) {
  struct Case {
    const char* text;
    CameraFormat expected;
  };
  const Case cases[] = {
      {"YUY2 640x480@30", {CameraSubtype::YUY2, 640, 480, 333333}},
      {"yuy2 1280x720@29.97", {CameraSubtype::YUY2, 1280, 720, 333667}},
      {"NV12 1280x720/333333", {CameraSubtype::NV12, 1280, 720, 333333}},
      {"RGB24 640x-480@15", {CameraSubtype::RGB24, 640, -480, 666667}},
      {"RGB32 320x240@7.5", {CameraSubtype::RGB32, 320, 240, 1333333}},
      {"MJPG 1920x1080/0", {CameraSubtype::MJPG, 1920, 1080, 0}},
  };
  for (const Case& c : cases) {
    const std::optional<CameraFormat> parsed = ParseCameraFormat(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.expected) << c.text;
    EXPECT_EQ(ParseCameraFormat(DescribeCameraFormat(*parsed)), parsed) << "described form of " << c.text;
  }
}

TEST(CameraFormat, RefusesMalformedText) {
  for (const char* text : {"", "YUY2", "YUY2 640x480", "I420 640x480@30", "YUY2 640*480@30", "YUY2 0x480@30",
                           "YUY2 640x0@30", "YUY2 20000x480@30", "YUY2 640x480@0", "YUY2 640x480@1001",
                           "YUY2 640x480@30.", "YUY2 640x480@30fps", "YUY2 640x480/-1", "YUY2 640x480/100000001",
                           "YUY2 640x480/99999999999999999999", "YUY2  640x480@30", "YUY2 640x480@30 "}) {
    EXPECT_FALSE(ParseCameraFormat(text).has_value()) << '"' << text << '"';
  }
}

TEST(CameraFormat, DefaultListStartsWithTheDefaultAndCoversEverySubtype) {
  const std::vector<CameraFormat>& formats = DefaultCameraFormats();
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats.front(), (CameraFormat{CameraSubtype::YUY2, 640, 480, 333333}));
  for (CameraSubtype subtype : {CameraSubtype::RGB24, CameraSubtype::RGB32, CameraSubtype::YUY2,
                                CameraSubtype::NV12, CameraSubtype::MJPG}) {
    int sizes = 0;
    for (const CameraFormat& format : formats) sizes += format.subtype == subtype;
    EXPECT_GE(sizes, 3) << "several sizes of each subtype";
  }
}

}  // namespace
}  // namespace orvane
