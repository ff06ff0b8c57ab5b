#include <gtest/gtest.h>

#include <string>

#include "app/core/InstanceNames.h"
#include "app/core/PathRules.h"
#include "app/settings/DayNumber.h"

namespace orvane {
namespace {

TEST(InstanceNames, SettingsKeyAndAutostartEntryPerDevice) {
  const struct {
    int index;
    int count;
    const wchar_t* key;
    const wchar_t* entry;
  } cases[] = {
      {0, 1, L"Software\\Halvyn\\Orvane", L"Orvane"},
      {0, 0, L"Software\\Halvyn\\Orvane", L"Orvane"},
      {0, 2, L"Software\\Halvyn\\Orvane\\1", L"Orvane"},
      {1, 2, L"Software\\Halvyn\\Orvane\\2", L"Orvane #2"},
      {2, 3, L"Software\\Halvyn\\Orvane\\3", L"Orvane #3"},
      {2147483647, 2, L"Software\\Halvyn\\Orvane\\2147483648", L"Orvane #2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PerDeviceKeyPath(c.index, c.count), c.key) << c.index << " of " << c.count;
    EXPECT_EQ(AutostartEntryName(c.index, c.count), c.entry) << c.index << " of " << c.count;
  }
  EXPECT_EQ(AutostartCommand(L"C:\\Program Files\\Orvane\\Orvane.exe"),
            L"\"C:\\Program Files\\Orvane\\Orvane.exe\" /silent");
}

TEST(InstanceNames, MutexPerDevice) {
  EXPECT_EQ(InstanceMutexName(0), L"Global\\OrvaneMutex");
  EXPECT_EQ(InstanceMutexName(1), L"Global\\OrvaneMutex_1");
  EXPECT_EQ(InstanceMutexName(2), L"Global\\OrvaneMutex_2");
}

TEST(PathRules, JoinPutsOneBackslashBetween) {
  const struct {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* path;
  } cases[] = {
      {L"C:\\Orvane", L"strings.xml", L"C:\\Orvane\\strings.xml"},
      {L"C:\\Orvane", L"\\resource\\iconfont.ttf", L"C:\\Orvane\\resource\\iconfont.ttf"},
      {L"C:\\", L"strings.xml", L"C:\\strings.xml"},
      {L"C:\\", L"\\strings.xml", L"C:\\strings.xml"},
      {L"C:\\Orvane", L"", L"C:\\Orvane"},
      {L"", L"strings.xml", L"strings.xml"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.path) << c.folder << " + " << c.name;
}

TEST(PathRules, JoinRefusesPathsThatDoNotFitRatherThanCuttingThem) {
  const std::wstring folder = L"C:\\" + std::wstring(1000, L'd');  // 1003 characters
  EXPECT_EQ(JoinPath(folder, std::wstring(19, L'n')).size(), kMaxPathChars - 1);
  EXPECT_EQ(JoinPath(folder, std::wstring(20, L'n')), L"");
}

TEST(PathRules, ParentFolder) {
  EXPECT_EQ(ParentFolder(L"C:\\Program Files\\Orvane\\Orvane.exe"), L"C:\\Program Files\\Orvane");
  EXPECT_EQ(ParentFolder(L"C:\\Orvane.exe"), L"C:\\");
  EXPECT_EQ(ParentFolder(L"\\\\server\\share\\Orvane.exe"), L"\\\\server\\share");
  EXPECT_EQ(ParentFolder(L"Orvane.exe"), L"");
}

TEST(DayNumber, DaysSince1970InLocalTime) {
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr uint64_t k1970 = 11644473600ull * kTicksPerSecond;
  constexpr uint64_t kDay = 86400 * kTicksPerSecond;
  EXPECT_EQ(DayNumberFromLocalFileTime(k1970), 0);
  EXPECT_EQ(DayNumberFromLocalFileTime(k1970 + kDay - 1), 0);
  EXPECT_EQ(DayNumberFromLocalFileTime(k1970 + kDay), 1);
  // 5 March 2026, 07:04:09 local: 20517 days after 1 January 1970.
  EXPECT_EQ(DayNumberFromLocalFileTime(k1970 + 20517 * kDay + (7 * 3600 + 4 * 60 + 9) * kTicksPerSecond),
            20517);
  EXPECT_EQ(DayNumberFromLocalFileTime(k1970 - 1 * kTicksPerSecond), -1);
  EXPECT_EQ(DayNumberFromLocalFileTime(0), -134774);
}

}  // namespace
}  // namespace orvane
