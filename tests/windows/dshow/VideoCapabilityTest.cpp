// Capture formats as IAMStreamConfig describes them: the media type and 128-byte capabilities built
// for each subtype, the sizes refused, and the matching rule SetFormat relies on.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include "platform/dshow/VideoCapability.h"

namespace orvane {
namespace {

constexpr REFERENCE_TIME k30Fps = 333333;
constexpr REFERENCE_TIME k5Fps = 2000000;

TEST(VideoCapability, DescribesEachSubtype) {
  struct Case {
    const char* name;
    GUID subtype;
    LONG width, height;
    WORD bitCount;
    DWORD compression;
    DWORD imageSize;
    BOOL fixedSize;
  };
  const Case cases[] = {
      {"RGB24 bottom-up, padded rows", MEDIASUBTYPE_RGB24, 322, 240, 24, BI_RGB, 968 * 240, TRUE},
      {"RGB24 top-down", MEDIASUBTYPE_RGB24, 640, -480, 24, BI_RGB, 921600, TRUE},
      {"RGB32", MEDIASUBTYPE_RGB32, 320, 240, 32, BI_RGB, 307200, TRUE},
      {"YUY2", MEDIASUBTYPE_YUY2, 1280, 720, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), 1843200, TRUE},
      {"NV12", MEDIASUBTYPE_NV12, 640, 480, 12, MAKEFOURCC('N', 'V', '1', '2'), 460800, TRUE},
      {"MJPG: room for an RGB24 frame", MEDIASUBTYPE_MJPG, 640, 480, 24, MAKEFOURCC('M', 'J', 'P', 'G'), 921600, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VideoCapability capability;
    ASSERT_EQ(MakeVideoCapability(c.subtype, c.width, c.height, k30Fps, k30Fps, k5Fps, capability), S_OK);
    const AM_MEDIA_TYPE& type = capability.type.get();
    EXPECT_EQ(type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(type.subtype, c.subtype);
    EXPECT_EQ(type.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(type.bFixedSizeSamples, c.fixedSize);
    ASSERT_EQ(type.cbFormat, sizeof(VIDEOINFOHEADER));
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    EXPECT_EQ(info->AvgTimePerFrame, k30Fps);
    EXPECT_EQ(info->bmiHeader.biWidth, c.width);
    EXPECT_EQ(info->bmiHeader.biHeight, c.height);
    EXPECT_EQ(info->bmiHeader.biBitCount, c.bitCount);
    EXPECT_EQ(info->bmiHeader.biCompression, c.compression);
    EXPECT_EQ(info->bmiHeader.biSizeImage, c.imageSize);
    static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);
    EXPECT_EQ(capability.caps.guid, FORMAT_VideoInfo);
    EXPECT_EQ(capability.caps.MaxOutputSize.cx, c.width);
    EXPECT_EQ(capability.caps.MaxOutputSize.cy, std::abs(c.height));
    EXPECT_EQ(capability.caps.MinFrameInterval, k30Fps);
    EXPECT_EQ(capability.caps.MaxFrameInterval, k5Fps);
    EXPECT_GT(capability.caps.MaxBitsPerSecond, capability.caps.MinBitsPerSecond);
  }
}

TEST(VideoCapability, RefusesSizesTheLayoutCannotHave) {
  struct Case {
    const char* name;
    GUID subtype;
    LONG width, height;
    REFERENCE_TIME interval;
  };
  const Case cases[] = {
      {"odd YUY2 width", MEDIASUBTYPE_YUY2, 641, 480, k30Fps},
      {"top-down YUY2", MEDIASUBTYPE_YUY2, 640, -480, k30Fps},
      {"odd NV12 height", MEDIASUBTYPE_NV12, 640, 481, k30Fps},
      {"zero width", MEDIASUBTYPE_RGB32, 0, 480, k30Fps},
      {"zero height", MEDIASUBTYPE_RGB32, 640, 0, k30Fps},
      {"more than 2 GiB", MEDIASUBTYPE_RGB32, 40000, 40000, k30Fps},
      {"unknown subtype", MEDIASUBTYPE_UYVY, 640, 480, k30Fps},
      {"interval outside the range", MEDIASUBTYPE_RGB32, 640, 480, k30Fps / 2},
  };
  for (const Case& c : cases) {
    VideoCapability capability;
    EXPECT_EQ(MakeVideoCapability(c.subtype, c.width, c.height, c.interval, k30Fps, k5Fps, capability), E_INVALIDARG)
        << c.name;
  }
  VideoCapability noRate;
  EXPECT_EQ(MakeVideoCapability(MEDIASUBTYPE_RGB32, 640, 480, 0, k30Fps, k5Fps, noRate), S_OK)
      << "a capability may state no frame interval";
}

TEST(VideoCapability, MatchesOnlyItsOwnFormat) {
  VideoCapability capability;
  ASSERT_EQ(MakeVideoCapability(MEDIASUBTYPE_RGB24, 640, 480, k30Fps, k30Fps, k5Fps, capability), S_OK);
  const auto withChange = [&](auto change) {
    MediaType type;
    type.Assign(capability.type.get());
    change(type.get(), *reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat));
    return MatchesCapability(type.get(), capability);
  };
  EXPECT_TRUE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER&) {}));
  EXPECT_TRUE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER& info) { info.AvgTimePerFrame = 666666; }));
  EXPECT_TRUE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER& info) { info.AvgTimePerFrame = 0; }));
  EXPECT_FALSE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER& info) { info.AvgTimePerFrame = 100000; }));
  EXPECT_FALSE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER& info) { info.bmiHeader.biHeight = -480; }))
      << "the orientation is part of the format";
  EXPECT_FALSE(withChange([](AM_MEDIA_TYPE&, VIDEOINFOHEADER& info) { info.bmiHeader.biWidth = 320; }));
  EXPECT_FALSE(withChange([](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.subtype = MEDIASUBTYPE_RGB32; }));
  EXPECT_FALSE(withChange([](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.cbFormat = 40; }))
      << "a block too small to hold the header";
}

}  // namespace
}  // namespace orvane
