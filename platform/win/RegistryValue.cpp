#include "platform/win/RegistryValue.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvane::registry {

std::optional<DWORD> ReadFirstFourBytes(HKEY key, const wchar_t* name) {
  BYTE bytes[sizeof(DWORD)] = {};
  DWORD size = sizeof(bytes);
  LSTATUS status = ::RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size);
  // A longer value: the small buffer's content is undefined then, so read it whole (the size may
  // change between the calls; ask again while it grows).
  std::vector<BYTE> whole;
  while (status == ERROR_MORE_DATA) {
    whole.assign(size, 0);
    status = ::RegQueryValueExW(key, name, nullptr, nullptr, whole.data(), &size);
    if (status == ERROR_SUCCESS) {
      std::memset(bytes, 0, sizeof(bytes));
      std::memcpy(bytes, whole.data(), std::min<size_t>(size, sizeof(bytes)));
    }
  }
  if (status != ERROR_SUCCESS) return std::nullopt;
  DWORD value = 0;
  std::memcpy(&value, bytes, sizeof(value));
  return value;
}

DWORD ReadNumberOr(HKEY key, const wchar_t* name, DWORD missing, bool writeMissing) {
  if (const auto number = ReadFirstFourBytes(key, name)) return *number;
  if (writeMissing) WriteNumber(key, name, missing);
  return missing;
}

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name, uint32_t maxBytes) {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ || size == 0 || size > maxBytes) return std::nullopt;
  // Zero-filled and one character longer than the data, so the text ends even when the stored data
  // is not terminated (or has an odd byte count).
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  DWORD read = size;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return std::wstring(buffer.data());
}

LSTATUS WriteNumber(HKEY key, const wchar_t* name, DWORD value) {
  DWORD existingSize = 0;
  const LSTATUS query = ::RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &existingSize);
  if (query == ERROR_SUCCESS && existingSize != sizeof(DWORD)) return ERROR_DATATYPE_MISMATCH;
  if (query != ERROR_SUCCESS && query != ERROR_FILE_NOT_FOUND) return query;
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LSTATUS WriteText(HKEY key, const wchar_t* name, std::wstring_view text) {
  if (text.size() >= MAXDWORD / sizeof(wchar_t)) return ERROR_INVALID_PARAMETER;
  const std::wstring terminated(text);  // c_str() ends with the null that is stored too
  const DWORD bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()), bytes);
}

}  // namespace orvane::registry
