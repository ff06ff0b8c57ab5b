#include "platform/win/StringConversion.h"

#include <windows.h>

#include <climits>

namespace orvane {
namespace {

// Both Win32 converters take int lengths; longer text is refused rather than cut.
bool FitsInt(size_t length) { return length <= static_cast<size_t>(INT_MAX); }

std::optional<std::wstring> ToWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return std::wstring();
  if (!FitsInt(text.size())) return std::nullopt;
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  if (::MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), needed) != needed) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> FromWide(UINT codePage, DWORD flags, std::wstring_view text) {
  if (text.empty()) return std::string();
  if (!FitsInt(text.size())) return std::nullopt;
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::nullopt;
  std::string narrow(static_cast<size_t>(needed), '\0');
  if (::WideCharToMultiByte(codePage, flags, text.data(), length, narrow.data(), needed, nullptr,
                            nullptr) != needed) {
    return std::nullopt;
  }
  return narrow;
}

}  // namespace

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
  return ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
}

std::optional<std::string> WideToUtf8(std::wstring_view wide) {
  return FromWide(CP_UTF8, WC_ERR_INVALID_CHARS, wide);
}

// The thread's code page, not the system's: the log file and the crash report are written in the
// ANSI code page of the thread that writes them.
std::wstring AnsiToWide(std::string_view ansi) {
  return ToWide(CP_THREAD_ACP, 0, ansi).value_or(std::wstring());
}

std::string WideToAnsi(std::wstring_view wide) {
  return FromWide(CP_THREAD_ACP, 0, wide).value_or(std::string());
}

}  // namespace orvane
