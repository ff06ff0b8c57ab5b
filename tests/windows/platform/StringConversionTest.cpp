#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win/StringConversion.h"

namespace orvane {
namespace {

TEST(StringConversion, Utf8RoundTripsEveryPlane) {
  // ASCII, Simplified Chinese, and a character outside the basic plane (a surrogate pair).
  const std::wstring wide = L"Orvane \u865A\u62DF\u6444\u50CF\u5934 \U0001F4F7";
  const std::optional<std::string> utf8 = WideToUtf8(wide);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, "Orvane \xE8\x99\x9A\xE6\x8B\x9F\xE6\x91\x84\xE5\x83\x8F\xE5\xA4\xB4 \xF0\x9F\x93\xB7");
  EXPECT_EQ(Utf8ToWide(*utf8), wide);
  EXPECT_EQ(Utf8ToWide(""), std::wstring());
}

TEST(StringConversion, InvalidInputIsRefusedNotReplaced) {
  EXPECT_FALSE(Utf8ToWide("abc\xC3"));        // truncated sequence
  EXPECT_FALSE(Utf8ToWide("\xC0\xAF"));       // overlong encoding
  EXPECT_FALSE(WideToUtf8(std::wstring(1, wchar_t(0xD800))));  // lone surrogate
}

TEST(StringConversion, AnsiKeepsWhatTheCodePageHolds) {
  EXPECT_EQ(WideToAnsi(L"camera 0x80004005"), "camera 0x80004005");
  EXPECT_EQ(AnsiToWide("camera"), L"camera");
}

// The log and the crash report are narrow text in the code page of the thread that writes them, which
// need not be the system's.
TEST(StringConversion, AnsiIsTheThreadsCodePage) {
  const LCID before = ::GetThreadLocale();
  ASSERT_TRUE(::SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT)));
  const std::string chinese = WideToAnsi(L"\u6444\u50CF\u5934");  // "camera", in code page 936
  const std::wstring back = AnsiToWide("\xC9\xE3\xCF\xF1\xCD\xB7");
  ::SetThreadLocale(before);
  EXPECT_EQ(chinese, "\xC9\xE3\xCF\xF1\xCD\xB7");
  EXPECT_EQ(back, L"\u6444\u50CF\u5934");
}

}  // namespace
}  // namespace orvane
