// Reading the language file "strings.xml": UTF-8 XML whose root element "strings" holds one element
// per language, named by its code ("en", "zh-tw"), each holding one element per string, named by the
// string identifier, whose text is the string. Pure (tinyxml2); any thread.
#pragma once

#include <string>
#include <string_view>

#include "app/settings/StringTable.h"

namespace orvane {

// The tables for `code` and for English from the file's bytes, as UTF-8. Language elements match
// their code without regard to case; an element matching the code is never also the English one.
// String elements keep their text as written (whitespace kept, character and entity references
// resolved); elements without text are left out. Bytes that are not a well-formed document, or that
// lack the "strings" root, give empty tables.
LanguageTables<char> ReadLanguageFile(std::string_view bytes, std::string_view code);

}  // namespace orvane
