#include <gtest/gtest.h>

#include <string>

#include "app/ui/MainWindowRules.h"

namespace orvane {
namespace {

TEST(MainWindowRules, Title) {
  const ProductVersion version{2, 1, 7};
  EXPECT_EQ(MainWindowTitle(L"Orvane", version, 0, 1), L"Orvane v2.1.7");
  EXPECT_EQ(MainWindowTitle(L"Orvane", std::nullopt, 0, 1), L"Orvane");
  EXPECT_EQ(MainWindowTitle(L"Orvane", version, 0, 0), L"Orvane v2.1.7");
  EXPECT_EQ(MainWindowTitle(L"Orvane", version, 0, 2), L"Orvane #1");
  EXPECT_EQ(MainWindowTitle(L"Orvane", version, 2, 3), L"Orvane #3");
}

TEST(MainWindowRules, BadgeGlyphsAndDigits) {
  const struct {
    uint32_t count;
    std::wstring text;
  } cases[] = {
      {1, L"\xE628"}, {2, L"\xE62A"}, {3, L"\xE62C"}, {4, L"\xE773"}, {5, L"\xE774"}, {6, L"\xE632"},
      {7, L"\xE634"}, {8, L"\xE636"}, {9, L"\xE638"}, {10, L"10"},    {12, L"12"},    {4294967295u, L"4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(BadgeText(c.count), c.text) << c.count;
}

TEST(MainWindowRules, SliderAndBadgePlacement) {
  EXPECT_EQ(PositionSliderTop(33, 50, 13), 38);  // middle 41, half the height 6 up, 3 down
  EXPECT_EQ(PositionSliderTop(40, 60, 20), 43);
  EXPECT_EQ(BadgeLeft(true, 255, 222, 16), 229);
  EXPECT_EQ(BadgeLeft(false, 255, 222, 16), 206);
}

TEST(MainWindowRules, WhatEachStateShows) {
  const StateView stopped = ViewOf(PlaybackState::Stopped);
  EXPECT_EQ(stopped.playShown, true);
  EXPECT_EQ(stopped.optionsEnabled, false);
  EXPECT_STREQ(stopped.statusId, L"S_SELECT_TO_PLAY");
  EXPECT_FALSE(stopped.statusFormatted);
  EXPECT_EQ(stopped.trayIcon, 207);

  const StateView trying = ViewOf(PlaybackState::TryingToPlay);
  EXPECT_FALSE(trying.playShown.has_value()) << "the buttons stay as they are";
  EXPECT_EQ(trying.trayIcon, 209);
  EXPECT_TRUE(ViewOf(PlaybackState::WaitingForDevice).nameIsLastPlayed);
  EXPECT_EQ(ViewOf(PlaybackState::PlayingDevice).optionsEnabled, true);
  EXPECT_EQ(ViewOf(PlaybackState::PlayingFile).playShown, false);
  EXPECT_EQ(ViewOf(PlaybackState::PlayingFile).trayIcon, 0);
}

}  // namespace
}  // namespace orvane
