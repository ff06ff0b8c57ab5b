#include "app/settings/CWinRegistry.h"

#include "platform/win/RegistryValue.h"

namespace orvane {

CWinRegistry::CWinRegistry(HKEY root, const wchar_t* path, bool writable, bool createNow)
    : root_(root), path_(path != nullptr ? path : L"") {
  if (createNow) {
    const REGSAM access = writable ? (KEY_READ | KEY_WRITE) : KEY_READ;
    if (::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, access, nullptr, key_.put(), nullptr) ==
        ERROR_SUCCESS) {
      keyAccess_ = access;
    }
  }
}

HKEY CWinRegistry::KeyFor(Use use, UniqueRegKey& temporary) const {
  const REGSAM needed = use == Use::Query ? KEY_QUERY_VALUE : (KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (key_ && (keyAccess_ & needed) == needed) return key_.get();
  const REGSAM access = use == Use::Query ? KEY_QUERY_VALUE : KEY_ALL_ACCESS;
  if (::RegOpenKeyExW(root_, path_.c_str(), 0, access, temporary.put()) != ERROR_SUCCESS) return nullptr;
  return temporary.get();
}

bool CWinRegistry::ReadNumber(const wchar_t* name, DWORD& value) {
  UniqueRegKey temporary;
  const HKEY key = KeyFor(Use::Query, temporary);
  if (key == nullptr) return false;
  const auto number = registry::ReadFirstFourBytes(key, name);
  if (!number) return false;
  value = *number;
  return true;
}

bool CWinRegistry::ReadNumber(const wchar_t* name, int& value) {
  DWORD number = 0;
  if (!ReadNumber(name, number)) return false;
  value = static_cast<int>(number);
  return true;
}

DWORD CWinRegistry::Read(const settings::NumberValue& setting) {
  UniqueRegKey temporary;
  const HKEY key = KeyFor(setting.createWhenMissing ? Use::Change : Use::Query, temporary);
  if (key == nullptr) return setting.missing;
  return registry::ReadNumberOr(key, setting.name, setting.missing, setting.createWhenMissing);
}

bool CWinRegistry::ReadText(const wchar_t* name, std::wstring& text) {
  // Text reads keep the key open for the reads that usually follow.
  if (!key_) {
    if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE, key_.put()) != ERROR_SUCCESS) return false;
    keyAccess_ = KEY_QUERY_VALUE;
  }
  auto value = registry::ReadText(key_.get(), name);
  if (!value) return false;
  text = std::move(*value);
  return true;
}

bool CWinRegistry::WriteNumber(const wchar_t* name, DWORD value) {
  UniqueRegKey temporary;
  const HKEY key = KeyFor(Use::Change, temporary);
  return key != nullptr && registry::WriteNumber(key, name, value) == ERROR_SUCCESS;
}

bool CWinRegistry::WriteText(const wchar_t* name, std::wstring_view text) {
  UniqueRegKey temporary;
  const HKEY key = KeyFor(Use::Change, temporary);
  return key != nullptr && registry::WriteText(key, name, text) == ERROR_SUCCESS;
}

bool CWinRegistry::DeleteValue(const wchar_t* name) {
  UniqueRegKey temporary;
  const HKEY key = KeyFor(Use::Change, temporary);
  return key != nullptr && ::RegDeleteValueW(key, name) == ERROR_SUCCESS;
}

}  // namespace orvane
