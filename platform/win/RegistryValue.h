// The value-level rules every settings reader and writer shares, on an open key. Windows error codes
// come back unchanged. Any thread (the key handle's owner serialises).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::registry {

// The value's first 4 bytes as a number, whatever its type: a shorter value is zero-extended, a
// longer one (a text, say) gives its first 4 bytes. nullopt when the value cannot be read.
std::optional<DWORD> ReadFirstFourBytes(HKEY key, const wchar_t* name);

// The stored number, or `missing` when it cannot be read; with writeMissing a missing value is
// created with `missing` first, so that it exists afterwards (the key needs KEY_SET_VALUE then).
DWORD ReadNumberOr(HKEY key, const wchar_t* name, DWORD missing, bool writeMissing);

// A REG_SZ value as text, up to its first null (the stored data need not be terminated); nullopt
// when it is missing, of another type, empty (0 bytes), or larger than maxBytes.
std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name, uint32_t maxBytes = UINT32_MAX);

// A 4-byte REG_DWORD. An existing value whose data is not 4 bytes long is left alone and
// ERROR_DATATYPE_MISMATCH returned: it belongs to something else.
LSTATUS WriteNumber(HKEY key, const wchar_t* name, DWORD value);

// REG_SZ with its terminating null: 2 x (length + 1) bytes.
LSTATUS WriteText(HKEY key, const wchar_t* name, std::wstring_view text);

}  // namespace orvane::registry
