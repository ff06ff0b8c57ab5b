#include "app/settings/RegistryKeyPath.h"

#include "app/settings/RegistryValue.h"
#include "platform/com/UniqueResource.h"

namespace orvane {

DWORD RegistryKeyPath::ReadNumber(const wchar_t* name, DWORD missing, bool writeMissing) const {
  UniqueRegKey key;
  const REGSAM access = writeMissing ? (KEY_QUERY_VALUE | KEY_SET_VALUE) : KEY_QUERY_VALUE;
  if (::RegOpenKeyExW(root_, path_.c_str(), 0, access, key.put()) != ERROR_SUCCESS) return missing;
  return registry::ReadNumberOr(key.get(), name, missing, writeMissing);
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
