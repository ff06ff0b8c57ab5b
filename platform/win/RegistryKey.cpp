#include "platform/win/RegistryKey.h"

#include "platform/win/RegistryValue.h"

namespace orvane::registry {

LSTATUS OpenKey(HKEY root, const std::wstring& path, REGSAM access, UniqueRegKey& key) {
  return ::RegOpenKeyExW(root, path.c_str(), 0, access, key.put());
}

LSTATUS CreateKey(HKEY root, const std::wstring& path, REGSAM access, UniqueRegKey& key) {
  return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.put(),
                           nullptr);
}

bool KeyExists(HKEY root, const std::wstring& path) {
  UniqueRegKey key;
  return OpenKey(root, path, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadTextAt(HKEY root, const std::wstring& path, const wchar_t* name,
                                       uint32_t maxBytes) {
  UniqueRegKey key;
  if (OpenKey(root, path, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return std::nullopt;
  return ReadText(key.get(), name, maxBytes);
}

LSTATUS WriteTextAt(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring_view text) {
  UniqueRegKey key;
  const LSTATUS opened = CreateKey(root, path, KEY_SET_VALUE, key);
  if (opened != ERROR_SUCCESS) return opened;
  return WriteText(key.get(), name, text);
}

LSTATUS DeleteKeyTree(HKEY root, const std::wstring& path) {
  const LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
  // Some systems' RegDeleteTreeW empties the key but leaves it standing.
  const LSTATUS left = ::RegDeleteKeyW(root, path.c_str());
  return left == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : left;
}

}  // namespace orvane::registry
