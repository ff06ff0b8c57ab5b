// The language file we ship: every language in it holds every identifier the program uses, and each
// text with an argument shows that argument and nothing else a format could read.
#include <gtest/gtest.h>

#include <tinyxml2.h>

#include <algorithm>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings/LanguageFile.h"
#include "app/settings/StringIds.h"
#include "app/settings/TextFormat.h"

namespace orvane {
namespace {

std::string ReadShippedFile() {
  std::ifstream file(ORVANE_STRINGS_XML, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::vector<std::string> LanguageCodesIn(const std::string& bytes) {
  tinyxml2::XMLDocument document;
  std::vector<std::string> codes;
  if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) return codes;
  const tinyxml2::XMLElement* root = document.FirstChildElement("strings");
  for (auto* language = root ? root->FirstChildElement() : nullptr; language != nullptr;
       language = language->NextSiblingElement()) {
    codes.emplace_back(language->Name());
  }
  return codes;
}

std::string Narrow(const wchar_t* ascii) { return std::string(ascii, ascii + std::wcslen(ascii)); }

TEST(ShippedStrings, EveryLanguageHoldsEveryIdentifierWithItsArgument) {
  const std::string bytes = ReadShippedFile();
  const std::vector<std::string> codes = LanguageCodesIn(bytes);
  ASSERT_FALSE(codes.empty()) << "cannot read " << ORVANE_STRINGS_XML;
  EXPECT_NE(std::find(codes.begin(), codes.end(), "en"), codes.end());
  EXPECT_NE(std::find(codes.begin(), codes.end(), "zh"), codes.end());

  for (const std::string& code : codes) {
    const LanguageTables<char> tables = ReadLanguageFile(bytes, code);
    for (const string_ids::StringId& id : string_ids::kAll) {
      const std::string name = Narrow(id.name);
      const std::string* text = tables.current.Find(name);
      if (text == nullptr) {
        ADD_FAILURE() << code << " lacks " << name;
        continue;
      }
      if (id.argument == ArgumentKind::None) continue;
      const std::variant<std::string_view, int64_t> argument =
          id.argument == ArgumentKind::Text ? std::variant<std::string_view, int64_t>("\x01")
                                            : std::variant<std::string_view, int64_t>(int64_t{987});
      const std::optional<std::string> shown = FormatLocalised<char>(*text, argument);
      ASSERT_TRUE(shown.has_value()) << code << " " << name << ": unusable format " << *text;
      EXPECT_NE(shown->find(id.argument == ArgumentKind::Text ? "\x01" : "987"), std::string::npos)
          << code << " " << name << " does not show its argument: " << *text;
    }
  }
}

}  // namespace
}  // namespace orvane
