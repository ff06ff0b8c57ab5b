// The capture-format rule: which stored records are usable, and which camera capability matches one.
#include <gtest/gtest.h>

#include <string>

#include "app/graph/CaptureFormatMatch.h"

namespace orvane::graph {
namespace {

// The media subtypes a camera offers, as DirectShow defines them.
constexpr GuidValue kYuy2{0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GuidValue kNv12{0x3231564E, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GuidValue kMjpg{0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GuidValue kRgb24{0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GuidValue kRgb32{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

TEST(BraceGuid, ParsesTheFormStringFromGuid2WritesInEitherCase) {
  EXPECT_EQ(ParseBraceGuid(L"{32595559-0000-0010-8000-00AA00389B71}"), kYuy2);
  EXPECT_EQ(ParseBraceGuid(L"{e436eb7d-524f-11ce-9f53-0020af0ba770}"), kRgb24);
  for (const wchar_t* text : {L"", L"YUY2", L"32595559-0000-0010-8000-00AA00389B71",
                              L"{32595559-0000-0010-8000-00AA00389B71", L"{32595559-0000-0010-8000-00AA00389B71}x",
                              L"{32595559-0000-0010-8000+00AA00389B71}", L"{3259555G-0000-0010-8000-00AA00389B71}",
                              L"{32595559-0000-0010-8000-00AA00389B7 }", L"(32595559-0000-0010-8000-00AA00389B71)"}) {
    EXPECT_FALSE(ParseBraceGuid(text)) << std::string(text, text + std::wstring(text).size());
  }
}

TEST(StoredCaptureFormatRecord, RefusesMalformedRecordsWithTheirReason) {
  const wchar_t* yuy2 = L"{32595559-0000-0010-8000-00AA00389B71}";
  struct Case {
    const char* what;
    const wchar_t* subtype;
    uint32_t width, height, fps;
    StoredFormatProblem expected;
  };
  const Case cases[] = {
      {"usable", yuy2, 640, 480, 30, StoredFormatProblem::None},
      {"top-down height", yuy2, 640, static_cast<uint32_t>(-480), 30, StoredFormatProblem::None},
      {"empty subtype", L"", 640, 480, 30, StoredFormatProblem::NotAGuid},
      {"subtype not a GUID", L"YUY2", 640, 480, 30, StoredFormatProblem::NotAGuid},
      {"zero width", yuy2, 0, 480, 30, StoredFormatProblem::BadWidth},
      {"negative width", yuy2, static_cast<uint32_t>(-640), 480, 30, StoredFormatProblem::BadWidth},
      {"width beyond 32-bit signed", yuy2, 0x80000000u, 480, 30, StoredFormatProblem::BadWidth},
      {"zero height", yuy2, 640, 0, 30, StoredFormatProblem::BadHeight},
      {"height without a magnitude", yuy2, 640, 0x80000000u, 30, StoredFormatProblem::BadHeight},
      {"zero fps", yuy2, 640, 480, 0, StoredFormatProblem::BadFrameRate},
      {"negative fps", yuy2, 640, 480, static_cast<uint32_t>(-30), StoredFormatProblem::BadFrameRate},
      {"fps no frame time gives", yuy2, 640, 480, 10'000'001, StoredFormatProblem::BadFrameRate},
  };
  for (const Case& c : cases) {
    StoredCaptureFormat format;
    EXPECT_EQ(CheckStoredCaptureFormat(c.subtype, c.width, c.height, c.fps, format), c.expected) << c.what;
    if (c.expected == StoredFormatProblem::None) {
      EXPECT_EQ(format.subtype, kYuy2) << c.what;
      EXPECT_EQ(format.width, 640) << c.what;
      EXPECT_EQ(format.height, static_cast<int32_t>(c.height)) << c.what;
      EXPECT_EQ(format.fps, 30) << c.what;
    }
  }
}

TEST(FrameRate, IsTheWholeNumberOfFramesAndUndefinedWithoutAFrameTime) {
  EXPECT_EQ(FramesPerSecond(333'333), 30);
  EXPECT_EQ(FramesPerSecond(333'667), 29);
  EXPECT_EQ(FramesPerSecond(400'000), 25);
  EXPECT_EQ(FramesPerSecond(1), 10'000'000);
  EXPECT_EQ(FramesPerSecond(0), std::nullopt);
  EXPECT_EQ(FramesPerSecond(-333'333), std::nullopt);
}

TEST(CapabilityMatch, EveryFieldMustEqualTheStoredFormat) {
  const StoredCaptureFormat stored{kYuy2, 1280, 720, 30};
  const CapabilityFormat exact{true, kYuy2, VideoFormatBlock::VideoInfo, 1280, 720, 333'333};
  struct Case {
    const char* what;
    CapabilityFormat capability;
    bool matches;
  };
  const auto with = [&](auto change) {
    CapabilityFormat capability = exact;
    change(capability);
    return capability;
  };
  const Case cases[] = {
      {"exact", exact, true},
      {"VIDEOINFOHEADER2", with([](CapabilityFormat& c) { c.block = VideoFormatBlock::VideoInfo2; }), true},
      {"frame time just under 30 fps", with([](CapabilityFormat& c) { c.averageTimePerFrame = 333'667; }), false},
      {"frame time rounding down to 30", with([](CapabilityFormat& c) { c.averageTimePerFrame = 330'000; }), true},
      {"zero frame time", with([](CapabilityFormat& c) { c.averageTimePerFrame = 0; }), false},
      {"other format block", with([](CapabilityFormat& c) { c.block = VideoFormatBlock::Other; }), false},
      {"not video", with([](CapabilityFormat& c) { c.videoMajorType = false; }), false},
      {"top-down height", with([](CapabilityFormat& c) { c.height = -720; }), false},
      {"other width", with([](CapabilityFormat& c) { c.width = 1920; }), false},
      {"other height", with([](CapabilityFormat& c) { c.height = 1080; }), false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesStoredFormat(c.capability, stored), c.matches) << c.what;

  const StoredCaptureFormat topDown{kYuy2, 1280, -720, 30};
  EXPECT_TRUE(MatchesStoredFormat(with([](CapabilityFormat& c) { c.height = -720; }), topDown));
  EXPECT_FALSE(MatchesStoredFormat(exact, topDown)) << "the sign of the height is part of the format";
}

TEST(CapabilityMatch, TheSubtypeDecidesAmongCapabilitiesOfOneSize) {
  const GuidValue subtypes[] = {kYuy2, kNv12, kMjpg, kRgb24, kRgb32};
  for (const GuidValue& wanted : subtypes) {
    const StoredCaptureFormat stored{wanted, 640, 480, 30};
    for (const GuidValue& offered : subtypes) {
      const CapabilityFormat capability{true, offered, VideoFormatBlock::VideoInfo, 640, 480, 333'333};
      EXPECT_EQ(MatchesStoredFormat(capability, stored), offered == wanted)
          << std::hex << "wanted " << wanted.data1 << ", offered " << offered.data1;
    }
  }
}

}  // namespace
}  // namespace orvane::graph
