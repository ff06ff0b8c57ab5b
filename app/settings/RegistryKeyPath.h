// A registry key named by root and path that is opened anew for every operation and never kept open:
// for the settings that are read or written once at a defined moment. A missing key or value is never
// an error: readers return the caller's default. Windows error codes come back unchanged. Any thread.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "app/settings/SettingsNames.h"

namespace orvane {

class RegistryKeyPath {
 public:
  RegistryKeyPath(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {}

  const std::wstring& Path() const { return path_; }

  // The value's first 4 bytes, whatever its type; `missing` when the key or value cannot be read. With
  // writeMissing, a missing value (in an existing key) is first created with `missing`.
  DWORD ReadNumber(const wchar_t* name, DWORD missing, bool writeMissing = false) const;
  DWORD Read(const settings::NumberValue& setting) const {
    return ReadNumber(setting.name, setting.missing, setting.createWhenMissing);
  }

  // A REG_SZ text of at most settings::kMaxTextBytes stored bytes; nullopt when missing, of another
  // type, empty or longer.
  std::optional<std::wstring> ReadText(const wchar_t* name) const;

  bool HasValue(const wchar_t* name) const;

  // The key must exist. REG_DWORD of 4 bytes (an existing value of another size is kept and
  // ERROR_DATATYPE_MISMATCH returned); REG_SZ with its terminating null.
  LSTATUS WriteNumber(const wchar_t* name, DWORD value) const;
  LSTATUS WriteText(const wchar_t* name, std::wstring_view text) const;
  LSTATUS DeleteValue(const wchar_t* name) const;

 private:
  HKEY root_;
  std::wstring path_;
};

}  // namespace orvane
