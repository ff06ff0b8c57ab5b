// The rules a camera client applies to what it reads from the device's shared section before acting on
// it: which idle picture paths it may open at all, the picture size a file's header declares (read
// before any decoder), and which publication times make a frame live.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "device/camera/DeclaredPictureSize.h"
#include "device/camera/IdlePicturePath.h"
#include "device/camera/ProducerFrameAge.h"

namespace orvane::camera {
namespace {

std::string Narrow(std::u16string_view text) {
  std::string narrow;
  for (char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '#';
  return narrow;
}

TEST(IdlePicturePath, TakesOnlyAbsolutePathsOnADriveLetter) {
  struct Case {
    std::u16string path;
    IdlePathError expected;
  };
  const Case cases[] = {
      {u"C:\\Pictures\\away.png", IdlePathError::None},
      {u"d:/pictures/away.bmp", IdlePathError::None},
      {u"C:\\a\\..\\b\\.\\c.jpg", IdlePathError::None},
      {u"C:\\my pictures\\console.png", IdlePathError::None},
      {u"C:\\com10.png", IdlePathError::None},
      {u"C:\\nul-sign.png", IdlePathError::None},
      {u"", IdlePathError::Empty},
      // Network paths in every spelling the system accepts.
      {u"\\\\127.0.0.1\\share\\x.bmp", IdlePathError::NetworkOrDevice},
      {u"//127.0.0.1/share/x.bmp", IdlePathError::NetworkOrDevice},
      {u"\\/host\\share\\x.bmp", IdlePathError::NetworkOrDevice},
      {u"\\\\?\\UNC\\127.0.0.1\\share\\x.bmp", IdlePathError::NetworkOrDevice},
      {u"\\\\?\\C:\\x.bmp", IdlePathError::NetworkOrDevice},
      {u"\\\\.\\pipe\\idle", IdlePathError::NetworkOrDevice},
      {u"\\\\.\\C:", IdlePathError::NetworkOrDevice},
      {u"//./GLOBALROOT/Device/Mup/host/share/x.bmp", IdlePathError::NetworkOrDevice},
      {u"\\??\\UNC\\host\\share\\x.bmp", IdlePathError::NotOnDrive},
      {u"\\Pictures\\x.bmp", IdlePathError::NotOnDrive},
      {u"Pictures\\x.bmp", IdlePathError::NotOnDrive},
      {u"x.bmp", IdlePathError::NotOnDrive},
      {u"C:x.bmp", IdlePathError::NotOnDrive},
      {u"C:", IdlePathError::NotOnDrive},
      {u"1:\\x.bmp", IdlePathError::NotOnDrive},
      {u"C:\\x.bmp:hidden", IdlePathError::AlternateStream},
      {u"C:\\x.bmp::$DATA", IdlePathError::AlternateStream},
      {u"C:\\x\\*.bmp", IdlePathError::ForbiddenCharacter},
      {u"C:\\x?.bmp", IdlePathError::ForbiddenCharacter},
      {u"C:\\x|y.bmp", IdlePathError::ForbiddenCharacter},
      {std::u16string(u"C:\\x\0.bmp", 9), IdlePathError::ForbiddenCharacter},
      {u"C:\\x\n.bmp", IdlePathError::ForbiddenCharacter},
      // Names the system maps to devices in any folder, with any extension.
      {u"C:\\CON", IdlePathError::DeviceName},
      {u"C:\\pictures\\nul.bmp", IdlePathError::DeviceName},
      {u"C:\\pictures\\Com1.png", IdlePathError::DeviceName},
      {u"C:\\LPT9", IdlePathError::DeviceName},
      {u"C:\\com\u00B9.png", IdlePathError::DeviceName},
      {u"C:\\aux .png", IdlePathError::DeviceName},
      {u"C:\\conin$", IdlePathError::DeviceName},
      {u"C:\\prn\\x.bmp", IdlePathError::DeviceName},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckIdlePicturePath(c.path), c.expected) << Narrow(c.path);
  }
}

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
Bytes Big32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes Little16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes Little32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

Bytes PngHeader(uint32_t width, uint32_t height) {
  return Concat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Big32(13), {'I', 'H', 'D', 'R'}, Big32(width),
                 Big32(height), {8, 2, 0, 0, 0}});
}
Bytes BmpHeader(int32_t width, int32_t height) {
  return Concat({{'B', 'M'}, Little32(0), Little32(0), Little32(54), Little32(40), Little32(uint32_t(width)),
                 Little32(uint32_t(height)), Little16(1), Little16(24)});
}
// SOI, an APP0 segment, a DQT-sized filler, then SOFn.
Bytes JpegHeader(uint8_t sof, uint32_t width, uint32_t height) {
  return Concat({{0xFF, 0xD8}, {0xFF, 0xE0, 0x00, 0x04, 'J', 'F'}, {0xFF, 0xFF, 0xDB, 0x00, 0x03, 0x00},
                 {0xFF, sof, 0x00, 0x0B, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                  uint8_t(width), 1, 1, 0x11, 0}});
}
// A GIF of the given logical screen with one image of `image` at (x, y), no colour tables.
Bytes Gif(uint32_t screenWidth, uint32_t screenHeight, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
          bool trailer = true) {
  Bytes gif = Concat({{'G', 'I', 'F', '8', '9', 'a'}, Little16(screenWidth), Little16(screenHeight), {0, 0, 0},
                      {0x21, 0xF9, 4, 0, 0, 0, 0, 0},  // graphic control extension
                      {0x2C}, Little16(x), Little16(y), Little16(width), Little16(height), {0},
                      {2, 2, 0x4C, 0x01, 0}});  // code size, one sub-block, terminator
  if (trailer) gif.push_back(0x3B);
  return gif;
}

TEST(DeclaredPictureSize, ReadsTheSizeOfEachFormatFromItsHeader) {
  struct Case {
    const char* what;
    Bytes bytes;
    DeclaredSize expected;
    uint32_t width, height;
  };
  Bytes cutPng = PngHeader(10, 10);
  cutPng.resize(20);
  const Case cases[] = {
      {"PNG", PngHeader(9000, 12), DeclaredSize::Found, 9000, 12},
      {"PNG, largest width", PngHeader(0xFFFFFFFF, 1), DeclaredSize::Found, 0xFFFFFFFF, 1},
      {"PNG cut short", cutPng, DeclaredSize::Malformed, 0, 0},
      {"PNG without IHDR first",
       Concat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Big32(0), {'I', 'D', 'A', 'T'}, Big32(1), Big32(1)}),
       DeclaredSize::Malformed, 0, 0},
      {"BMP", BmpHeader(640, 480), DeclaredSize::Found, 640, 480},
      {"BMP top-down", BmpHeader(640, -480), DeclaredSize::Found, 640, 480},
      {"BMP, smallest height", BmpHeader(640, INT32_MIN), DeclaredSize::Malformed, 0, 0},
      {"BMP, negative width", BmpHeader(-640, 480), DeclaredSize::Malformed, 0, 0},
      {"BMP core header", Concat({{'B', 'M'}, Little32(0), Little32(0), Little32(26), Little32(12), Little16(300),
                                  Little16(200)}),
       DeclaredSize::Found, 300, 200},
      {"JPEG baseline", JpegHeader(0xC0, 8200, 100), DeclaredSize::Found, 8200, 100},
      {"JPEG progressive", JpegHeader(0xC2, 640, 65535), DeclaredSize::Found, 640, 65535},
      {"JPEG, scan before a frame", Concat({{0xFF, 0xD8}, {0xFF, 0xDA, 0x00, 0x02}}), DeclaredSize::Malformed, 0, 0},
      {"JPEG, segment running off the end", Concat({{0xFF, 0xD8}, {0xFF, 0xE1, 0xFF, 0xFF, 0}}),
       DeclaredSize::Malformed, 0, 0},
      {"GIF", Gif(320, 240, 0, 0, 320, 240), DeclaredSize::Found, 320, 240},
      {"GIF image beyond its screen", Gif(16, 16, 100, 50, 9000, 20), DeclaredSize::Found, 9100, 70},
      {"GIF without its trailer", Gif(16, 16, 0, 0, 16, 16, false), DeclaredSize::Malformed, 0, 0},
      {"something else", Bytes{'h', 'e', 'l', 'l', 'o'}, DeclaredSize::Unknown, 0, 0},
      {"nothing", Bytes{}, DeclaredSize::Unknown, 0, 0},
  };
  for (const Case& c : cases) {
    PictureSize found{1, 1};
    EXPECT_EQ(ReadDeclaredPictureSize(c.bytes.data(), c.bytes.size(), found), c.expected) << c.what;
    if (c.expected == DeclaredSize::Found) {
      EXPECT_EQ(found.width, c.width) << c.what;
      EXPECT_EQ(found.height, c.height) << c.what;
    }
  }
}

TEST(LiveFrameAge, OnlyPastTimesWithinTheLimitAreLive) {
  constexpr int64_t kLimit = 10'000'000;
  constexpr int64_t kNow = 123'456'789'000;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  struct Case {
    const char* what;
    uint64_t published;
    int64_t now;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {"just published", kNow, kNow, 0},
      {"a frame ago", kNow - 333'333, kNow, 333'333},
      {"just within the limit", kNow - kLimit + 1, kNow, kLimit - 1},
      {"at the limit", kNow - kLimit, kNow, std::nullopt},
      {"long ago", 0, kNow, std::nullopt},
      {"a tick in the future", kNow + 1, kNow, std::nullopt},
      {"an hour in the future", kNow + 36'000'000'000, kNow, std::nullopt},
      {"largest signed time", uint64_t{std::numeric_limits<int64_t>::max()}, kNow, std::nullopt},
      {"smallest signed time", uint64_t{1} << 63, kNow, std::nullopt},
      {"all bits set", kMax, kNow, std::nullopt},
      {"a clock at zero", 0, 0, 0},
      {"a clock gone negative", 0, -1, std::nullopt},
      {"largest clock, oldest frame", 0, std::numeric_limits<int64_t>::max(), std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LiveFrameAge(c.published, c.now, kLimit), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace orvane::camera
