#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/core/CommandLine.h"

namespace orvane {
namespace {

using Mode = StartOptions::Mode;

std::string Shown(const wchar_t* line) { return ::testing::PrintToString(std::wstring(line)); }

TEST(CommandLine, SwitchesAnyCaseAnywhereInAToken) {
  const struct {
    const wchar_t* line;
    bool debug;
    bool hidden;
    int32_t delay;
  } cases[] = {
      {L"", false, false, 0},
      {L"   ", false, false, 0},
      {L"/DEBUG", true, false, 0},
      {L"/Silent", false, true, 0},
      {L"x/silentx", false, true, 0},
      {L"/background /debug", true, true, 0},
      {L"/delay 1500", false, false, 1500},
      {L"/delay  \t250\t", false, false, 250},  // the value token is trimmed of tabs
      {L"/delay -5", false, false, -5},
      {L"/delay abc /debug", true, false, 0},   // not a number: 0, and the next token is read
      {L"/delay 12ab", false, false, 12},       // leading digits
      {L"/delay 99999999999", false, false, 2147483647},
      {L"/debug /delay", true, false, 0},       // no value: no delay
      {L"/delay /debug", false, false, 0},      // the value token is consumed as the value
      {L"/restart /debug", true, false, 0},
      {L"unknown words\tand/tabs", false, false, 0},
  };
  for (const auto& c : cases) {
    const StartOptions options = ReadCommandLine(c.line);
    EXPECT_EQ(options.mode, Mode::Run) << Shown(c.line);
    EXPECT_EQ(options.debug, c.debug) << Shown(c.line);
    EXPECT_EQ(options.hidden, c.hidden) << Shown(c.line);
    EXPECT_EQ(options.delayMs, c.delay) << Shown(c.line);
  }
}

TEST(CommandLine, DelayAtTheEndStopsTheReading) {
  // Nothing after a value-less "/delay" is read, so "/silent" here is only seen by the whole-line test.
  const StartOptions options = ReadCommandLine(L"/delay");
  EXPECT_EQ(options.delayMs, 0);
  EXPECT_FALSE(options.hidden);
}

TEST(CommandLine, WholeLineTestsForRestartAndSilent) {
  EXPECT_TRUE(ReadCommandLine(L" /restart").restart);
  EXPECT_TRUE(ReadCommandLine(L"x/RESTARTy").restart);
  EXPECT_FALSE(ReadCommandLine(L"/debug").restart);
  // "/silent" after a one-shot switch is not read as a token, but the whole-line test still sees it.
  const StartOptions options = ReadCommandLine(L"/cmd play /silent");
  EXPECT_FALSE(options.hidden);
  EXPECT_TRUE(options.silent);
}

TEST(CommandLine, OneShotModesTakeTheNextTokenAndEndTheReading) {
  const struct {
    const wchar_t* line;
    Mode mode;
    const wchar_t* word;
    std::optional<std::wstring> name;
    bool debug;
  } cases[] = {
      {L"/cmd play", Mode::SendCommand, L"play", std::nullopt, false},
      {L"/debug /CMD Stop /delay 5", Mode::SendCommand, L"Stop", std::nullopt, true},
      {L"/cmd", Mode::SendCommand, L"", std::nullopt, false},
      {L"/cmd /debug", Mode::SendCommand, L"/debug", std::nullopt, false},
      {L"/rename", Mode::Rename, L"", std::nullopt, false},
      {L"/rename Studio", Mode::Rename, L"", L"Studio", false},
      {L"/rename Studio /debug", Mode::Rename, L"", L"Studio", false},
      {L"/debug /rename  \"Front  desk\" more", Mode::Rename, L"", L"Front  desk", true},
      {L"/rename \"unclosed name", Mode::Rename, L"", L"unclosed name", false},
      {L"/rename \"\"", Mode::Rename, L"", L"", false},
      {L"/rename /cmd play", Mode::Rename, L"", L"/cmd", false},
  };
  for (const auto& c : cases) {
    const StartOptions options = ReadCommandLine(c.line);
    EXPECT_EQ(options.mode, c.mode) << Shown(c.line);
    EXPECT_EQ(options.commandWord, c.word) << Shown(c.line);
    EXPECT_EQ(options.renameName, c.name) << Shown(c.line);
    EXPECT_EQ(options.debug, c.debug) << Shown(c.line);
    EXPECT_EQ(options.delayMs, 0) << Shown(c.line);
  }
}

TEST(CommandLine, OnlyDelaysUnderAMinuteAreKept) {
  const struct {
    int32_t written;
    int32_t kept;
  } cases[] = {{0, 0}, {-5, 0}, {1, 1}, {1500, 1500}, {59999, 59999}, {60000, 0}, {2147483647, 0}};
  for (const auto& c : cases) EXPECT_EQ(EffectiveDelayMs(c.written), c.kept) << c.written;
}

TEST(CommandLine, CommandWords) {
  EXPECT_EQ(CommandIdForWord(L"play"), 1002);
  EXPECT_EQ(CommandIdForWord(L"STOP"), 1003);
  EXPECT_EQ(CommandIdForWord(L"Quit"), 32779);
  EXPECT_EQ(CommandIdForWord(L""), 0);
  EXPECT_EQ(CommandIdForWord(L"pause"), 0);
  EXPECT_EQ(CommandIdForWord(L"play2"), 0);
}

}  // namespace
}  // namespace orvane
