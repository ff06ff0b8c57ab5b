// The language file loader on arbitrary bytes: the first byte picks the language code, the rest is
// the file. Every text found is also run through the argument formatter, as the user interface would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings/LanguageFile.h"
#include "app/settings/TextFormat.h"

namespace {

constexpr const char* kCodes[] = {"en", "zh", "zh-tw", "de", "FR", ""};

void Exercise(const orvane::LanguageTables<char>& tables, const orvane::StringTable<char>& table) {
  for (const auto& entry : table.Entries()) {
    const std::string* text = tables.Find(entry.identifier);
    if (text == nullptr) __builtin_trap();  // an entry that is present must be found
    const auto asText = orvane::FormatLocalised<char>(*text, std::string_view("name"));
    const auto asNumber = orvane::FormatLocalised<char>(*text, int64_t{-12345});
    if ((asText && asText->size() > orvane::kMaxFormattedChars) ||
        (asNumber && asNumber->size() > orvane::kMaxFormattedChars)) {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* code = kCodes[data[0] % (sizeof(kCodes) / sizeof(kCodes[0]))];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const orvane::LanguageTables<char> tables = orvane::ReadLanguageFile(bytes, code);
  Exercise(tables, tables.current);
  Exercise(tables, tables.english);
  return 0;
}
