#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/devices/DeviceNameRules.h"

namespace orvane {
namespace {

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

TEST(DeviceNameRules, BaseNameFromTheSetting) {
  const std::wstring fifty(50, L'n');
  const struct {
    std::optional<std::wstring> stored;
    const wchar_t* name;
    NameProblem refused;
  } cases[] = {
      {std::nullopt, L"Orvane", NameProblem::None},
      {L"Studio", L"Studio", NameProblem::None},
      {L"S", L"S", NameProblem::None},
      {fifty, fifty.c_str(), NameProblem::None},
      {fifty + L"n", L"Orvane", NameProblem::TooLong},
      {L"", L"Orvane", NameProblem::Empty},
      {L"Line\nbreak", L"Orvane", NameProblem::ControlCharacter},
      {L"Tab\there", L"Orvane", NameProblem::ControlCharacter},
      {std::wstring(L"C1\x85"), L"Orvane", NameProblem::ControlCharacter},
      {std::wstring(L"Del\x7F"), L"Orvane", NameProblem::ControlCharacter},
      {L"Caf\u00e9 #2 \u6444\u50cf\u5934", L"Caf\u00e9 #2 \u6444\u50cf\u5934", NameProblem::None},
  };
  for (const auto& c : cases) {
    const BaseNameChoice choice = ChooseBaseName(c.stored, L"Orvane");
    const std::string shown = c.stored ? Shown(*c.stored) : "none";
    EXPECT_EQ(choice.name, c.name) << shown;
    EXPECT_EQ(choice.refused, c.refused) << shown;
  }
  EXPECT_STREQ(DescribeNameProblem(NameProblem::TooLong), "is longer than 50 characters");
}

TEST(DeviceNameRules, NamesTheDriverShouldHold) {
  EXPECT_EQ(RefreshedName(L"Orvane", 1, 1), L"Orvane");
  EXPECT_EQ(RefreshedName(L"Orvane", 2, 2), L"Orvane #2");
  EXPECT_EQ(RefreshedName(L"Studio", 3, 3), L"Studio #3");
  // None counted at start, one found while refreshing: numbered all the same.
  EXPECT_EQ(RefreshedName(L"Orvane", 1, 0), L"Orvane #1");
}

TEST(DeviceNameRules, NeedsRename) {
  using Names = std::vector<RecordedNames>;
  const struct {
    const char* what;
    Names devices;
    bool needed;
  } cases[] = {
      {"no device", {}, false},
      {"one, named like the base", {{L"Orvane", L"Orvane"}}, false},
      {"one, numbered", {{L"Orvane #1", L"Orvane"}}, true},
      {"one, description differs", {{L"Orvane", L"Imaging device"}}, true},
      {"one, unreadable names", {{L"", L""}}, false},
      {"one, only a description, matching", {{L"", L"Orvane"}}, false},
      {"two, one bare", {{L"Orvane #1", L"Orvane #1"}, {L"Orvane", L"Orvane"}}, true},
      {"two, both numbered", {{L"Orvane #1", L"Orvane #1"}, {L"Orvane #2", L"Orvane #2"}}, false},
      {"two, an earlier base name", {{L"Old #1", L"Old #1"}, {L"Old #2", L"Old #2"}}, true},
      {"two, numbers swapped", {{L"Orvane #2", L"Orvane #2"}, {L"Orvane #1", L"Orvane #1"}}, true},
      {"three, all right", {{L"Orvane #1", L""}, {L"Orvane #2", L""}, {L"Orvane #3", L""}}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(NeedsRename(c.devices, L"Orvane"), c.needed) << c.what;
  EXPECT_TRUE(NeedsRename({{L"Orvane", L"Orvane"}}, L"orvane")) << "letter case counts";
}

TEST(DeviceNameRules, DeviceNumberFromThePath) {
  const struct {
    const wchar_t* path;
    int32_t number;
  } cases[] = {
      {L"\\\\?\\root#image#0003#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", 3},
      {L"\\\\?\\ROOT#IMAGE#12AB#{65e8773d}", 12},
      {L"\\\\?\\root#image#AB12#{65e8773d}", 0},
      {L"\\\\?\\root#image#0007", 0},  // fewer than five characters follow the marker
      {L"\\\\?\\usb#vid_046d&pid_0825#5&1&0&2#{65e8773d}", 0},
      {L"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DeviceNumberOrZero(c.path), c.number) << Shown(c.path);
}

}  // namespace
}  // namespace orvane
