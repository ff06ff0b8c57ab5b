#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/camclient/ClientOptions.h"

namespace orvane::camclient {
namespace {

std::vector<std::wstring> Split(const std::wstring& line) {
  std::wistringstream words(line);
  std::vector<std::wstring> arguments;
  for (std::wstring word; words >> word;) arguments.push_back(word);
  return arguments;
}

TEST(ClientOptions, ReadsEachMode) {
  ParseResult read = ParseClientOptions(Split(L"--device 2 --size 1280x720 --format nv12 --fps 25 --frames 90 "
                                              L"--verify flipped --expect-scale 0.5x0.75 --save out.PNG --ready-event E"));
  ASSERT_TRUE(read.ok) << read.error;
  const ClientOptions& r = read.options;
  EXPECT_EQ(r.mode, Mode::Read);
  EXPECT_EQ(r.device, L"2");
  EXPECT_EQ(r.width, 1280);
  EXPECT_EQ(r.height, 720);
  EXPECT_EQ(r.format, FramePixelType::NV12);
  EXPECT_EQ(r.fps, 25);
  EXPECT_EQ(r.frames, 90);
  EXPECT_EQ(r.seconds, 0);
  EXPECT_EQ(r.verify, Orientation::Flipped);
  EXPECT_EQ(r.expectScaleX, 0.5);
  EXPECT_EQ(r.expectScaleY, 0.75);
  EXPECT_EQ(r.save, L"out.PNG");
  EXPECT_EQ(r.readyEvent, L"E");

  // Defaults: five seconds of the device's default format; producing at 30 fps in YUY2.
  const ParseResult bare = ParseClientOptions({});
  ASSERT_TRUE(bare.ok);
  EXPECT_EQ(bare.options.seconds, 5);
  EXPECT_FALSE(bare.options.format);
  const ParseResult produce = ParseClientOptions(Split(L"produce --size 640x360 --output 1920x1080@60 --seconds 2.5"));
  ASSERT_TRUE(produce.ok) << produce.error;
  EXPECT_EQ(produce.options.mode, Mode::Produce);
  EXPECT_EQ(produce.options.format, FramePixelType::YUY2);
  EXPECT_EQ(produce.options.fps, 30);
  EXPECT_EQ(produce.options.seconds, 2.5);
  EXPECT_EQ(produce.options.output, (OutputFormat{1920, 1080, 60, 0, 0}));
  const ParseResult scale = ParseClientOptions(Split(L"read --verify upright --expect-scale 2"));
  ASSERT_TRUE(scale.ok);
  EXPECT_EQ(scale.options.expectScaleY, 2.0) << "one scale for both directions";
  EXPECT_EQ(ParseClientOptions(Split(L"list")).options.mode, Mode::List);
}

TEST(ClientOptions, RefusesWhatItCannotDo) {
  const wchar_t* lines[] = {
      L"--size 640",           L"--size 0x480",         L"--size 5000x480",    L"--format MJPG",
      L"--fps 0",              L"--fps abc",            L"--frames 10 --seconds 2",
      L"--seconds -1",         L"--verify sideways",    L"--expect-scale 0.5", L"--save frame.jpg",
      L"--device",             L"--bogus 1",            L"produce",            L"produce --size 64x64 --verify upright",
      L"read --output 640x480@30", L"produce --size 64x64 --output 640x480", L"list --device 0",
  };
  for (const wchar_t* line : lines) {
    const ParseResult result = ParseClientOptions(Split(line));
    EXPECT_FALSE(result.ok) << std::string(line, line + std::wcslen(line));
    EXPECT_FALSE(result.error.empty());
  }
}

}  // namespace
}  // namespace orvane::camclient
