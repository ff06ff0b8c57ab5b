// The string table: every user-visible text, looked up by identifier in the language file loaded for
// the chosen language, with English as the fallback. Menus, whose resource texts are identifiers, are
// translated as a whole.
//
// Threads: the user-interface thread only (other threads reach it through UIDispatcher). Owns its
// tables; no lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings/StringTable.h"

namespace orvane {

class XMLStrings {
 public:
  // The process's table, empty until the first Load (CApplication loads it when it is created).
  static XMLStrings& Instance();

  XMLStrings() = default;
  virtual ~XMLStrings() = default;
  XMLStrings(const XMLStrings&) = delete;
  XMLStrings& operator=(const XMLStrings&) = delete;

  // Replaces both tables from the file at `path` for the language `code` ("de", "zh-tw"): a file that
  // cannot be read or parsed leaves both empty. Texts that are not valid UTF-8 are left out rather
  // than shown garbled.
  void Load(const std::wstring& path, std::string_view code);

  // The text for the identifier (case ignored): the chosen language's, else English, else the
  // identifier itself.
  std::wstring Lookup(std::wstring_view identifier) const;

  // A text with one argument ("Playing: %s", "... %d"), cut to 255 characters. A translation whose
  // conversion does not fit the argument is passed over for the English text; when neither fits, the
  // identifier is shown.
  std::wstring Format(std::wstring_view identifier, std::wstring_view text) const;
  std::wstring Format(std::wstring_view identifier, int64_t number) const;

  // Sets every string item of the menu and its submenus to the lookup of its text (an identifier);
  // an empty lookup leaves an item as it was.
  void TranslateMenu(HMENU menu) const;

  bool IsEmpty() const { return tables_.current.Empty() && tables_.english.Empty(); }

 private:
  template <typename Argument>
  std::wstring FormatWith(std::wstring_view identifier, const Argument& argument) const;

  LanguageTables<wchar_t> tables_;
};

}  // namespace orvane
