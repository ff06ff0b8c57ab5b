// Conversions between UTF-16 (all platform text), UTF-8 (the language file, JSON) and the thread's ANSI
// code page (the log file and crash report). Callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Strict: text that is not valid UTF-8 (or UTF-16 with unpaired surrogates) gives nullopt instead of
// replacement characters, so that bad input is reported rather than silently changed.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
std::optional<std::string> WideToUtf8(std::wstring_view wide);

// The ANSI code page cannot hold every character: what it lacks becomes its default character ('?').
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);

}  // namespace orvane
