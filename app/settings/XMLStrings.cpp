#include "app/settings/XMLStrings.h"

#include <variant>
#include <vector>

#include "app/settings/LanguageFile.h"
#include "app/settings/TextFormat.h"
#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

// A language file is a few hundred kilobytes at most; anything far larger is not one.
constexpr LONGLONG kMaxLanguageFileBytes = 64ll << 20;

// The file's raw bytes (no text-mode translation); nullopt when it cannot be read whole.
std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxLanguageFileBytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

void ConvertInto(const StringTable<char>& from, StringTable<wchar_t>& to) {
  for (const StringEntry<char>& entry : from.Entries()) {
    auto identifier = Utf8ToWide(entry.identifier);
    auto text = Utf8ToWide(entry.text);
    if (identifier && text) to.Append(std::move(*identifier), std::move(*text));
  }
}

}  // namespace

XMLStrings& XMLStrings::Instance() {
  static XMLStrings instance;
  return instance;
}

void XMLStrings::Load(const std::wstring& path, std::string_view code) {
  tables_.current.Clear();
  tables_.english.Clear();
  const auto bytes = ReadFileBytes(path);
  if (!bytes) return;
  const LanguageTables<char> utf8 = ReadLanguageFile(*bytes, code);
  ConvertInto(utf8.current, tables_.current);
  ConvertInto(utf8.english, tables_.english);
}

std::wstring XMLStrings::Lookup(std::wstring_view identifier) const {
  if (const std::wstring* text = tables_.Find(identifier)) return *text;
  return std::wstring(identifier);
}

template <typename Argument>
std::wstring XMLStrings::FormatWith(std::wstring_view identifier, const Argument& argument) const {
  const std::variant<std::wstring_view, int64_t> value(argument);
  for (const StringTable<wchar_t>* table : {&tables_.current, &tables_.english}) {
    if (const std::wstring* format = table->Find(identifier)) {
      if (auto text = FormatLocalised<wchar_t>(*format, value)) return std::move(*text);
    }
  }
  return std::wstring(identifier);
}

std::wstring XMLStrings::Format(std::wstring_view identifier, std::wstring_view text) const {
  return FormatWith(identifier, text);
}

std::wstring XMLStrings::Format(std::wstring_view identifier, int64_t number) const {
  return FormatWith(identifier, number);
}

void XMLStrings::TranslateMenu(HMENU menu) const {
  const int count = ::GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item)) continue;
    const HMENU submenu = item.hSubMenu;
    const bool isString = (item.fType & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)) == 0;
    if (isString) {
      std::vector<wchar_t> text(item.cch + 1, L'\0');
      item.fMask = MIIM_STRING;
      item.dwTypeData = text.data();
      item.cch = static_cast<UINT>(text.size());
      if (::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item)) {
        std::wstring translated = Lookup(text.data());
        if (!translated.empty()) {
          MENUITEMINFOW update{};
          update.cbSize = sizeof(update);
          update.fMask = MIIM_STRING;
          update.dwTypeData = translated.data();
          ::SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &update);
        }
      }
    }
    if (submenu != nullptr) TranslateMenu(submenu);
  }
}

}  // namespace orvane
