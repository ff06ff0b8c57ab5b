// A registry key object that may keep its key open between calls: reads open it for querying and
// (for texts) keep it open; writes and deletes open it with full access for that call only, unless
// the key already open allows them (so a write after a text read still works). A missing key or value is never an error: reads report false and leave the
// caller's default alone.
//
// Owns the open key handle and closes it when destroyed. One thread at a time.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/settings/SettingsNames.h"
#include "platform/win/UniqueResource.h"

namespace orvane {

class CWinRegistry {
 public:
  // root: a predefined key (HKEY_CURRENT_USER). With createNow, the key is created or opened at once
  // (for reading, and writing when writable) and kept open; whether that worked shows in the calls
  // that follow.
  CWinRegistry(HKEY root, const wchar_t* path, bool writable = false, bool createNow = false);
  virtual ~CWinRegistry() = default;
  CWinRegistry(const CWinRegistry&) = delete;
  CWinRegistry& operator=(const CWinRegistry&) = delete;

  bool IsOpen() const { return static_cast<bool>(key_); }

  // The value's first 4 bytes, whatever its type. On failure `value` keeps the caller's default.
  bool ReadNumber(const wchar_t* name, DWORD& value);
  bool ReadNumber(const wchar_t* name, int& value);
  // A table setting: its stored number or, when missing, its default (written back first when the
  // setting says a read creates it).
  DWORD Read(const settings::NumberValue& setting);

  // REG_SZ only, of any length; a non-empty value. On failure `text` is left alone.
  bool ReadText(const wchar_t* name, std::wstring& text);

  // REG_DWORD of 4 bytes; refused (false) over an existing value of another size.
  bool WriteNumber(const wchar_t* name, DWORD value);
  // REG_SZ with its terminating null.
  bool WriteText(const wchar_t* name, std::wstring_view text);
  bool DeleteValue(const wchar_t* name);

 private:
  enum class Use { Query, Change };
  // The open key when it allows the use, else the key opened for this one call (held by `temporary`:
  // for querying, or with full access to change it); null when it cannot be opened.
  HKEY KeyFor(Use use, UniqueRegKey& temporary) const;

  HKEY root_;
  UniqueRegKey key_;
  REGSAM keyAccess_ = 0;  // what key_ was opened for
  std::wstring path_;
};

}  // namespace orvane
