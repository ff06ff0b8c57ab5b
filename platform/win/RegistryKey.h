// Registry work on a key named by root and path, for code that writes or checks keys of its own
// (installers, registration, device names): the key is opened for the one call and closed again.
// Results are Windows status codes, unchanged. Any thread.
//
// The value-level rules (how numbers and texts are stored and read) are in RegistryValue.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win/UniqueResource.h"

namespace orvane::registry {

LSTATUS OpenKey(HKEY root, const std::wstring& path, REGSAM access, UniqueRegKey& key);
// Opens the key, creating it and its missing parents first.
LSTATUS CreateKey(HKEY root, const std::wstring& path, REGSAM access, UniqueRegKey& key);
bool KeyExists(HKEY root, const std::wstring& path);

// A REG_SZ value of the key, read for querying only; nullopt when the key or value is missing, of
// another type, empty or larger than maxBytes (RegistryValue.h's ReadText).
std::optional<std::wstring> ReadTextAt(HKEY root, const std::wstring& path, const wchar_t* name,
                                       uint32_t maxBytes = UINT32_MAX);
// Writes a REG_SZ value with its terminating null, creating the key when it is missing.
LSTATUS WriteTextAt(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring_view text);

// Removes the key with all its subkeys and values. A key that is not there counts as removed.
LSTATUS DeleteKeyTree(HKEY root, const std::wstring& path);

}  // namespace orvane::registry
