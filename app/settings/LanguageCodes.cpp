#include "app/settings/LanguageCodes.h"

namespace orvane {

const char* LanguageCode(int languageNumber) {
  switch (languageNumber) {
    case 1: return "ar";
    case 2: return "bg";
    case 3: return "ca";
    case 4: return "zh-tw";
    case 7: return "de";
    case 8: return "zh";
    case 10: return "es";
    case 11: return "fi";
    case 12: return "fr";
    case 14: return "hu";
    case 16: return "it";
    case 17: return "ja";
    case 18: return "ko";
    case 19: return "nl";
    case 21: return "pl";
    case 22: return "pt";
    case 25: return "ru";
    case 27: return "sk";
    case 29: return "sv";
    case 30: return "th";
    case 31: return "tr";
    case 33: return "id";
    case 42: return "vi";
    default: return "en";
  }
}

int LanguageNumberFromLangId(uint16_t langId) {
  constexpr int kPrimaryChinese = 0x04;
  constexpr int kPrimaryGreek = 0x08;
  constexpr int kSublangChineseSimplified = 0x02;  // PRC
  constexpr int kSublangChineseSingapore = 0x04;
  const int primary = langId & 0x3FF;
  const int sublanguage = langId >> 10;
  if (primary == kPrimaryChinese) {
    const bool simplified =
        sublanguage == kSublangChineseSimplified || sublanguage == kSublangChineseSingapore;
    return simplified ? kLanguageSimplifiedChinese : kLanguageTraditionalChinese;
  }
  if (primary == kPrimaryGreek) return kLanguageEnglish;
  return primary;
}

}  // namespace orvane
