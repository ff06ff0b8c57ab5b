#include "app/settings/LanguageFile.h"

#include <tinyxml2.h>

namespace orvane {
namespace {

// All the text directly inside an element, so that a comment or a nested element between pieces of
// text does not hide the text after it. CDATA sections count as text.
std::string ElementText(const tinyxml2::XMLElement& element) {
  std::string text;
  for (const tinyxml2::XMLNode* node = element.FirstChild(); node != nullptr;
       node = node->NextSibling()) {
    if (const tinyxml2::XMLText* piece = node->ToText()) {
      if (const char* value = piece->Value()) text += value;
    }
  }
  return text;
}

void AppendStrings(const tinyxml2::XMLElement& language, StringTable<char>& table) {
  for (const tinyxml2::XMLElement* item = language.FirstChildElement(); item != nullptr;
       item = item->NextSiblingElement()) {
    std::string text = ElementText(*item);
    if (text.empty()) continue;
    table.Append(item->Name(), std::move(text));
  }
}

}  // namespace

LanguageTables<char> ReadLanguageFile(std::string_view bytes, std::string_view code) {
  LanguageTables<char> tables;
  if (bytes.empty()) return tables;
  tinyxml2::XMLDocument document(/*processEntities=*/true, tinyxml2::PRESERVE_WHITESPACE);
  if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) return tables;
  const tinyxml2::XMLElement* root = document.FirstChildElement("strings");
  if (root == nullptr) return tables;

  for (const tinyxml2::XMLElement* language = root->FirstChildElement(); language != nullptr;
       language = language->NextSiblingElement()) {
    const std::string_view name = language->Name();
    if (EqualsIgnoreAsciiCase<char>(name, code)) {
      AppendStrings(*language, tables.current);
    } else if (EqualsIgnoreAsciiCase<char>(name, "en")) {
      AppendStrings(*language, tables.english);
    }
  }
  return tables;
}

}  // namespace orvane
