#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/ui/controls/AnchorColour.h"

namespace orvane {
namespace {

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

TEST(AnchorColour, ReadsThreeNumbers) {
  const struct {
    std::wstring text;
    RgbColour colour;
  } cases[] = {
      {L"0,0,255", {0, 0, 255}},
      {L"255, 0 ,128", {255, 0, 128}},
      {L"\t12\t,\t34\t,\t56\t", {12, 34, 56}},
      {L"007,08,0009", {7, 8, 9}},
      {L"256,257,258", {0, 1, 2}},
      {L"511,1000,65535", {255, 232, 255}},
      // Far beyond 64 bits: 10^40 is a multiple of 256, and 10^100000 - 1 is one less than one.
      {L"1" + std::wstring(40, L'0') + L"5,1,1", {5, 1, 1}},
      {std::wstring(100000, L'9') + L",0,0", {255, 0, 0}},
  };
  for (const auto& c : cases) {
    const std::optional<RgbColour> colour = ParseAnchorColour(c.text);
    ASSERT_TRUE(colour.has_value()) << Shown(c.text.substr(0, 60));
    EXPECT_EQ(*colour, c.colour) << Shown(c.text.substr(0, 60));
  }
}

TEST(AnchorColour, RefusesAnythingElse) {
  const std::wstring refused[] = {
      L"",        L"1,2",    L"1,2,",   L",1,2",    L"1,,3",     L"1,2,3,4", L"a,b,c",  L"1,2,c",
      L"-1,2,3",  L"+1,2,3", L"1 2,3,4", L"1,2,3x", L"0x10,0,0", L" , , ",   L"1.5,2,3", L"1;2;3",
      std::wstring(L"1,2,3\0", 6),
  };
  for (const std::wstring& text : refused) EXPECT_EQ(ParseAnchorColour(text), std::nullopt) << Shown(text);
}

}  // namespace
}  // namespace orvane
