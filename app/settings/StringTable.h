// The tables of a loaded language: ordered (identifier, text) entries for the chosen language and for
// the English fallback, and the lookup rule over them. Pure and templated on the character type: the
// language file is read into UTF-8 tables (LanguageFile.h), which Windows converts to UTF-16.
// Not thread-safe; the owner serialises access.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

// Identifiers and language codes are ASCII names; other characters compare exactly.
template <typename Char>
constexpr Char FoldAsciiCase(Char c) {
  return (c >= Char('A') && c <= Char('Z')) ? Char(c - Char('A') + Char('a')) : c;
}

template <typename Char>
bool EqualsIgnoreAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  }
  return true;
}

template <typename Char>
struct StringEntry {
  std::basic_string<Char> identifier;
  std::basic_string<Char> text;
};

template <typename Char>
class StringTable {
 public:
  using String = std::basic_string<Char>;
  using StringView = std::basic_string_view<Char>;

  void Append(String identifier, String text) {
    entries_.push_back({std::move(identifier), std::move(text)});
  }
  void Clear() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }
  const std::vector<StringEntry<Char>>& Entries() const { return entries_; }

  // The first entry whose identifier matches without regard to case; null when none does.
  const String* Find(StringView identifier) const {
    for (const StringEntry<Char>& entry : entries_) {
      if (EqualsIgnoreAsciiCase<Char>(entry.identifier, identifier)) return &entry.text;
    }
    return nullptr;
  }

 private:
  std::vector<StringEntry<Char>> entries_;
};

template <typename Char>
struct LanguageTables {
  StringTable<Char> current;  // the chosen language (English itself when "en" was chosen)
  StringTable<Char> english;  // the fallback; empty when the chosen language is English

  // The chosen language's text, else the English one, else null (callers show the identifier).
  const std::basic_string<Char>* Find(std::basic_string_view<Char> identifier) const {
    if (const auto* text = current.Find(identifier)) return text;
    return english.Find(identifier);
  }
};

}  // namespace orvane
