#include "app/settings/RegistryKeyPath.h"

#include "platform/win/RegistryValue.h"
#include "platform/win/UniqueResource.h"

namespace orvane {

DWORD RegistryKeyPath::ReadNumber(const wchar_t* name, DWORD missing, bool writeMissing) const {
  // Read access only, so that a key this user may not change still gives its stored values; write
  // access is asked for only when there is a missing value to create.
  UniqueRegKey key;
  if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return missing;
  if (const auto number = registry::ReadFirstFourBytes(key.get(), name)) return *number;
  if (writeMissing) WriteNumber(name, missing);
  return missing;
}

std::optional<std::wstring> RegistryKeyPath::ReadText(const wchar_t* name) const {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return registry::ReadText(key.get(), name, settings::kMaxTextBytes);
}

bool RegistryKeyPath::HasValue(const wchar_t* name) const {
  UniqueRegKey key;
  return ::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
         ::RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LSTATUS RegistryKeyPath::WriteNumber(const wchar_t* name, DWORD value) const {
  UniqueRegKey key;
  const LSTATUS opened = ::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put());
  if (opened != ERROR_SUCCESS) return opened;
  return registry::WriteNumber(key.get(), name, value);
}

LSTATUS RegistryKeyPath::WriteText(const wchar_t* name, std::wstring_view text) const {
  UniqueRegKey key;
  const LSTATUS opened = ::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_SET_VALUE, key.put());
  if (opened != ERROR_SUCCESS) return opened;
  return registry::WriteText(key.get(), name, text);
}

LSTATUS RegistryKeyPath::DeleteValue(const wchar_t* name) const {
  UniqueRegKey key;
  const LSTATUS opened = ::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_SET_VALUE, key.put());
  if (opened != ERROR_SUCCESS) return opened;
  return ::RegDeleteValueW(key.get(), name);
}

}  // namespace orvane
