#include <gtest/gtest.h>

#include <string>

#include "app/settings/LanguageCodes.h"

namespace orvane {
namespace {

TEST(LanguageCodes, NumbersToCodes) {
  const struct {
    int number;
    const char* code;
  } cases[] = {
      {1, "ar"},  {2, "bg"},  {3, "ca"},  {4, "zh-tw"}, {7, "de"},  {8, "zh"},  {10, "es"},
      {11, "fi"}, {12, "fr"}, {14, "hu"}, {16, "it"},   {17, "ja"}, {18, "ko"}, {19, "nl"},
      {21, "pl"}, {22, "pt"}, {25, "ru"}, {27, "sk"},   {29, "sv"}, {30, "th"}, {31, "tr"},
      {33, "id"}, {42, "vi"},
      // English and everything the table lacks.
      {0, "en"},  {9, "en"},  {5, "en"},  {6, "en"},    {13, "en"}, {99, "en"}, {-1, "en"},
      {0x7FFFFFFF, "en"},
  };
  for (const auto& c : cases) EXPECT_STREQ(LanguageCode(c.number), c.code) << c.number;
}

TEST(LanguageCodes, UserDefaultLanguageToNumber) {
  const struct {
    uint16_t langId;
    int number;
    const char* why;
  } cases[] = {
      {0x0407, 7, "German (Germany)"},
      {0x0807, 7, "German (Switzerland)"},
      {0x0409, 9, "English (United States)"},
      {0x0804, 8, "Chinese (PRC): Simplified"},
      {0x1004, 8, "Chinese (Singapore): Simplified"},
      {0x0404, 4, "Chinese (Taiwan): Traditional"},
      {0x0C04, 4, "Chinese (Hong Kong): Traditional"},
      {0x1404, 4, "Chinese (Macao): Traditional"},
      {0x0408, 9, "Greek: not offered, English rather than Chinese"},
      {0x0411, 17, "Japanese"},
      {0x0425, 37, "Estonian: no code, shown in English"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageNumberFromLangId(c.langId), c.number) << c.why;
  }
  EXPECT_STREQ(LanguageCode(LanguageNumberFromLangId(0x0804)), "zh");
  EXPECT_STREQ(LanguageCode(LanguageNumberFromLangId(0x0404)), "zh-tw");
  EXPECT_STREQ(LanguageCode(LanguageNumberFromLangId(0x0425)), "en");
}

TEST(LanguageCodes, MenuCommandsOfTheLanguageSubmenu) {
  EXPECT_EQ(LanguageMenuCommand(kLanguageEnglish), 32799u);
  EXPECT_EQ(LanguageMenuCommand(kLanguageSimplifiedChinese), 32798u);
}

}  // namespace
}  // namespace orvane
