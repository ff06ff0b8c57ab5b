// Language numbers and the codes that name the language elements of the language file. A language
// number is the primary-language part of a Windows language identifier (its low 10 bits), except
// that 8 stands for Simplified Chinese. Pure; any thread.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr int kLanguageTraditionalChinese = 4;
inline constexpr int kLanguageSimplifiedChinese = 8;
inline constexpr int kLanguageEnglish = 9;

// The language submenu's command for a language: 32799 for English, 32798 for Simplified Chinese.
inline constexpr unsigned kLanguageMenuCommandBase = 32790;
constexpr unsigned LanguageMenuCommand(int languageNumber) {
  return kLanguageMenuCommandBase + static_cast<unsigned>(languageNumber);
}

// "de" for 7, "zh" for 8, "zh-tw" for 4...; "en" for 0, 9 and every number the table lacks.
const char* LanguageCode(int languageNumber);

// The language number to follow when the user has not chosen one, from the user's default language
// identifier (GetUserDefaultLangID). Windows files Simplified and Traditional Chinese under one
// primary language (4), and Greek under 8, the number this program uses for Simplified Chinese; so
// Chinese is told apart by its sublanguage and Greek, which the table lacks, becomes English.
int LanguageNumberFromLangId(uint16_t langId);

}  // namespace orvane
