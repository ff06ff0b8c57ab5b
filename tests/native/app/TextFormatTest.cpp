#include <gtest/gtest.h>

#include <string>

#include "app/settings/TextFormat.h"

namespace orvane {
namespace {

using Argument = std::variant<std::string_view, int64_t>;

std::string Format(std::string_view format, Argument argument) {
  return FormatLocalised<char>(format, argument).value_or("<refused>");
}

TEST(TextFormat, FillsTheOneConversionOfTheArgumentsKind) {
  const struct {
    const char* format;
    Argument argument;
    const char* result;
  } cases[] = {
      {"Playing %s", "Cam", "Playing Cam"},
      {"%ls is gone", "Cam", "Cam is gone"},
      {"Wide %S", "Cam", "Wide Cam"},
      {"Used by %d", int64_t{3}, "Used by 3"},
      {"%i apps", int64_t{-2}, "-2 apps"},
      {"%u apps", int64_t{7}, "7 apps"},
      {"%u apps, %ld", int64_t{7}, "<refused>"},
      {"%ld%%", int64_t{42}, "42%"},
      {"100%% %s", "sure", "100% sure"},
      {"No argument shown", "Cam", "No argument shown"},
      {"%s contains %d", "Cam", "<refused>"},
      {"Count %s", int64_t{3}, "<refused>"},
      {"Name %d", "Cam", "<refused>"},
      {"%s and %s", "Cam", "<refused>"},
      {"%n", "Cam", "<refused>"},
      {"%x", int64_t{3}, "<refused>"},
      {"%5s", "Cam", "<refused>"},
      {"%", "Cam", "<refused>"},
      {"trailing %l", "Cam", "<refused>"},
      {"%s", "%d %n %s", "%d %n %s"},  // the argument is never read as a format
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.format, c.argument), c.result) << c.format;
}

TEST(TextFormat, LongResultsAreCutToTheLimitOnACharacterBoundary) {
  const std::string name(300, 'a');
  EXPECT_EQ(Format("%s", std::string_view(name)), std::string(kMaxFormattedChars, 'a'));

  // UTF-8: a three-byte character across the limit is dropped whole.
  const std::string padded = std::string(kMaxFormattedChars - 1, 'a') + "\xE4\xB8\xAD" + "tail";
  EXPECT_EQ(Format("%s", std::string_view(padded)), std::string(kMaxFormattedChars - 1, 'a'));

  // UTF-16: a surrogate pair across the limit is dropped whole.
  const std::u16string pair = std::u16string(kMaxFormattedChars - 1, u'a') + u"\xD83D\xDE00" + u"tail";
  const auto wide = FormatLocalised<char16_t>(
      u"%s", std::variant<std::u16string_view, int64_t>(std::u16string_view(pair)));
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(*wide, std::u16string(kMaxFormattedChars - 1, u'a'));
}

}  // namespace
}  // namespace orvane
