#include <gtest/gtest.h>

#include <string>

#include "app/settings/LanguageFile.h"

namespace orvane {
namespace {

// What a lookup shows: the chosen language's text, else English, else the identifier itself.
std::string Shown(const LanguageTables<char>& tables, const std::string& identifier) {
  const std::string* text = tables.Find(identifier);
  return text != nullptr ? *text : identifier;
}

constexpr char kFrenchAndEnglish[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- a comment before the root -->
<strings version="2">
  <en>
    <AppTitle>Orvane</AppTitle>
    <MenuExit>Exit</MenuExit>
    <MenuAbout>About</MenuAbout>
  </en>
  <FR>
    <MenuExit>Quitter</MenuExit>
    <menuabout></menuabout>
  </FR>
  <de><MenuExit>Beenden</MenuExit></de>
</strings>)";

TEST(LanguageFile, ChosenLanguageFirstThenEnglishThenTheIdentifier) {
  const LanguageTables<char> tables = ReadLanguageFile(kFrenchAndEnglish, "fr");
  EXPECT_EQ(Shown(tables, "MenuExit"), "Quitter");    // "FR" matches "fr"
  EXPECT_EQ(Shown(tables, "APPTITLE"), "Orvane");     // only English has it; case ignored
  EXPECT_EQ(Shown(tables, "MenuAbout"), "About");     // the French element is empty: skipped
  EXPECT_EQ(Shown(tables, "S_SELECT_TO_PLAY"), "S_SELECT_TO_PLAY");
  EXPECT_EQ(tables.current.Entries().size(), 1u);
}

TEST(LanguageFile, EnglishChosenFillsOnlyTheCurrentTable) {
  const LanguageTables<char> tables = ReadLanguageFile(kFrenchAndEnglish, "EN");
  EXPECT_EQ(tables.current.Entries().size(), 3u);
  EXPECT_TRUE(tables.english.Empty());
  EXPECT_EQ(Shown(tables, "MenuExit"), "Exit");
}

TEST(LanguageFile, MissingLanguageFallsBackToEnglish) {
  const LanguageTables<char> tables = ReadLanguageFile(kFrenchAndEnglish, "zh-tw");
  EXPECT_TRUE(tables.current.Empty());
  EXPECT_EQ(Shown(tables, "MenuExit"), "Exit");
}

TEST(LanguageFile, CodesMatchWholeNamesOnly) {
  constexpr char kFile[] = "<strings><zh-tw><OK>TW</OK></zh-tw><zh><OK>CN</OK></zh></strings>";
  EXPECT_EQ(Shown(ReadLanguageFile(kFile, "zh"), "OK"), "CN");
  EXPECT_EQ(Shown(ReadLanguageFile(kFile, "zh-TW"), "OK"), "TW");
  EXPECT_EQ(Shown(ReadLanguageFile(kFile, "z"), "OK"), "OK");
}

TEST(LanguageFile, TextKeepsWhitespaceAndResolvesReferences) {
  constexpr char kFile[] =
      "<strings><en>"
      "<Spaced>  two  spaces\n next line </Spaced>"
      "<Entities>&lt;a &amp; b&gt; &quot;q&quot; &apos;s&apos;</Entities>"
      "<Numeric>&#x4E2D;&#25991; &#xA9;</Numeric>"
      "<Raw>\xE4\xB8\xAD\xE6\x96\x87</Raw>"
      "<Cdata><![CDATA[<b>&amp;</b>]]></Cdata>"
      "<Split>before<!-- note -->after</Split>"
      "<Unknown>&bogus;</Unknown>"
      "<Blank>   </Blank>"
      "<Empty/>"
      "<Nested><Inner>x</Inner></Nested>"
      "</en></strings>";
  const LanguageTables<char> tables = ReadLanguageFile(kFile, "en");
  EXPECT_EQ(Shown(tables, "Spaced"), "  two  spaces\n next line ");
  EXPECT_EQ(Shown(tables, "Entities"), "<a & b> \"q\" 's'");
  EXPECT_EQ(Shown(tables, "Numeric"), "\xE4\xB8\xAD\xE6\x96\x87 \xC2\xA9");
  EXPECT_EQ(Shown(tables, "Raw"), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(Shown(tables, "Cdata"), "<b>&amp;</b>");
  EXPECT_EQ(Shown(tables, "Split"), "beforeafter");
  EXPECT_EQ(Shown(tables, "Unknown"), "&bogus;");  // shown as written
  EXPECT_EQ(Shown(tables, "Blank"), "Blank");      // the parser keeps no whitespace-only text
  EXPECT_EQ(Shown(tables, "Empty"), "Empty");
  EXPECT_EQ(Shown(tables, "Nested"), "Nested");  // no text of its own
  EXPECT_EQ(Shown(tables, "Inner"), "Inner");    // not a string of the language
}

TEST(LanguageFile, FirstOfRepeatedIdentifiersOrLanguagesWins) {
  constexpr char kFile[] =
      "<strings><en><OK>first</OK><ok>second</ok></en><en><OK>third</OK><Extra>e</Extra></en></strings>";
  const LanguageTables<char> tables = ReadLanguageFile(kFile, "en");
  EXPECT_EQ(Shown(tables, "OK"), "first");
  EXPECT_EQ(Shown(tables, "Extra"), "e");
}

TEST(LanguageFile, UnusableFilesGiveEmptyTables) {
  const char* const files[] = {
      "",
      "not xml at all",
      "<strings><en><OK>Fine</OK></en>",                    // root never closed
      "<strings><en><OK>Fine</ok></en></strings>",          // mismatched tags
      "<strings><en><OK a=>Fine</OK></en></strings>",       // attribute without a value
      "<other><en><OK>Fine</OK></en></other>",              // no "strings" root
      "<Strings><en><OK>Fine</OK></en></Strings>",          // the root's name is exact
  };
  for (const char* file : files) {
    const LanguageTables<char> tables = ReadLanguageFile(file, "en");
    EXPECT_TRUE(tables.current.Empty() && tables.english.Empty()) << file;
  }
}

}  // namespace
}  // namespace orvane
