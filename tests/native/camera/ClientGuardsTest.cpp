// The rules a camera client applies to what it reads from the device's shared section before acting on
// it: which idle picture paths it may open at all, and which publication times make a frame live.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

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
