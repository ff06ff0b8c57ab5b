#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <cstring>
#include <vector>

#include "platform/dshow/MediaType.h"

namespace orvane {
namespace {

// A media type as a capture pin would offer it: a real VIDEOINFOHEADER or VIDEOINFOHEADER2 block.
MediaType MakeVideoType(const GUID& subtype, bool videoInfo2, LONG width, LONG height) {
  MediaType type;
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  if (videoInfo2) {
    VIDEOINFOHEADER2 info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biSizeImage = 12345;  // never trusted
    info.dwPictAspectRatioX = 16;
    info.dwPictAspectRatioY = 9;
    EXPECT_EQ(type.SetFormat(FORMAT_VideoInfo2, &info, sizeof info), S_OK);
  } else {
    VIDEOINFOHEADER info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.AvgTimePerFrame = 333333;
    EXPECT_EQ(type.SetFormat(FORMAT_VideoInfo, &info, sizeof info), S_OK);
  }
  return type;
}

TEST(MediaTypeGeometry, MapsEachSubtypeFromBothFormatBlocks) {
  struct Case {
    GUID subtype;
    LONG width, height;
    FramePixelType pixelType;
    int32_t stride;
    uint32_t imageSize;
  };
  const Case cases[] = {
      {MEDIASUBTYPE_RGB24, 641, 480, FramePixelType::RGB24, 1924, 1924 * 480},
      {MEDIASUBTYPE_RGB24, 640, -480, FramePixelType::RGB24, 1920, 921600},
      {MEDIASUBTYPE_RGB32, 320, 240, FramePixelType::RGB32, 1280, 307200},
      {MEDIASUBTYPE_RGB32, 320, -240, FramePixelType::RGB32, 1280, 307200},
      {MEDIASUBTYPE_YUY2, 1280, 720, FramePixelType::YUY2, 2560, 1843200},
      {MEDIASUBTYPE_YUY2, 1280, -720, FramePixelType::YUY2, 2560, 1843200},
      {MEDIASUBTYPE_NV12, 640, 480, FramePixelType::NV12, 640, 460800},
  };
  for (bool videoInfo2 : {false, true}) {
    for (const Case& c : cases) {
      const MediaType type = MakeVideoType(c.subtype, videoInfo2, c.width, c.height);
      const VideoMediaGeometry mapped = GeometryFromMediaType(type.get());
      SCOPED_TRACE(testing::Message() << (videoInfo2 ? "VIDEOINFOHEADER2 " : "VIDEOINFOHEADER ")
                                      << c.width << "x" << c.height);
      ASSERT_TRUE(mapped.ok()) << DescribeMediaTypeError(mapped.error);
      const FrameHeader expected{c.pixelType, c.width, c.height, c.stride};
      EXPECT_EQ(mapped.frame.header, expected);
      EXPECT_EQ(mapped.frame.imageSize, c.imageSize);
    }
  }
}

TEST(MediaTypeGeometry, RefusesWhatTheRendererCannotTake) {
  MediaType mjpg = MakeVideoType(MEDIASUBTYPE_MJPG, false, 640, 480);
  EXPECT_EQ(GeometryFromMediaType(mjpg.get()).error, MediaTypeError::UnknownSubtype);

  MediaType audio = MakeVideoType(MEDIASUBTYPE_RGB24, false, 640, 480);
  audio->majortype = MEDIATYPE_Audio;
  EXPECT_EQ(GeometryFromMediaType(audio.get()).error, MediaTypeError::NotVideo);

  MediaType noFormat = MakeVideoType(MEDIASUBTYPE_RGB24, false, 640, 480);
  ASSERT_EQ(noFormat.SetFormat(FORMAT_None, nullptr, 0), S_OK);
  EXPECT_EQ(GeometryFromMediaType(noFormat.get()).error, MediaTypeError::UnknownFormatType);

  // A block cut short before the end of its bitmap header is never read past its end.
  VIDEOINFOHEADER2 info{};
  info.bmiHeader.biWidth = 640;
  info.bmiHeader.biHeight = 480;
  MediaType truncated = MakeVideoType(MEDIASUBTYPE_NV12, true, 640, 480);
  ASSERT_EQ(truncated.SetFormat(FORMAT_VideoInfo2, &info, sizeof info - 1), S_OK);
  EXPECT_EQ(GeometryFromMediaType(truncated.get()).error, MediaTypeError::FormatBlockTooSmall);

  struct Bad {
    LONG width, height;
    GeometryError error;
  };
  for (const Bad& bad : {Bad{0, 480, GeometryError::BadWidth}, Bad{-640, 480, GeometryError::BadWidth},
                         Bad{640, 0, GeometryError::BadHeight},
                         Bad{0x40000000, 2, GeometryError::TooLarge}}) {
    const MediaType type = MakeVideoType(MEDIASUBTYPE_RGB32, false, bad.width, bad.height);
    const VideoMediaGeometry mapped = GeometryFromMediaType(type.get());
    EXPECT_EQ(mapped.error, MediaTypeError::BadGeometry) << bad.width << "x" << bad.height;
    EXPECT_EQ(mapped.frame.error, bad.error) << bad.width << "x" << bad.height;
  }
}

TEST(MediaType, CopiesAreDeepAndOwnTheirFormatBlock) {
  MediaType original = MakeVideoType(MEDIASUBTYPE_YUY2, false, 320, 240);
  MediaType copy;
  ASSERT_EQ(copy.Assign(original.get()), S_OK);
  ASSERT_NE(copy->pbFormat, original->pbFormat);
  ASSERT_EQ(copy->cbFormat, original->cbFormat);
  EXPECT_EQ(std::memcmp(copy->pbFormat, original->pbFormat, copy->cbFormat), 0);

  original.Reset();  // the copy outlives the original's block
  EXPECT_EQ(GeometryFromMediaType(copy.get()).frame.header.width, 320);

  // Handing a copy out the way enumerators do, and taking it back.
  UniqueMediaTypePtr handedOut(CreateMediaTypeCopy(copy.get()));
  ASSERT_TRUE(handedOut);
  EXPECT_TRUE(IsEqualGUID(handedOut->subtype, MEDIASUBTYPE_YUY2));
  EXPECT_NE(handedOut->pbFormat, copy->pbFormat);

  MediaType moved(std::move(copy));
  EXPECT_EQ(copy->pbFormat, nullptr);
  EXPECT_NE(moved->pbFormat, nullptr);
}

}  // namespace
}  // namespace orvane
