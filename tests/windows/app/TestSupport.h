// Shared by the application service tests: where the shipped files are, and the per-user state the
// tests may change and must leave as they found it (absent).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/core/AppPaths.h"
#include "app/core/PathRules.h"
#include "app/settings/SettingsNames.h"
#include "platform/win/UniqueResource.h"

namespace orvane::test {

// A file of the program folder (build/windows/bin), from the test program's own location.
inline std::wstring ProgramFolderFile(const wchar_t* name) {
  std::wstring relative = ORVANE_PROGRAM_FOLDER;
  for (wchar_t& c : relative) {
    if (c == L'/') c = L'\\';
  }
  return JoinPath(JoinPath(ParentFolder(ProgramPath()), relative), name);
}

// A file of this test process in the temporary folder, deleted when the owner goes out of scope.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::wstring& stem) {
    wchar_t folder[MAX_PATH] = {};
    if (::GetTempPathW(MAX_PATH, folder) > 0) {
      path_ = JoinPath(folder, stem + L" " + std::to_wstring(::GetCurrentProcessId()));
    }
  }
  ~TemporaryFile() { ::DeleteFileW(path_.c_str()); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// Removes the settings key with all subkeys and the autostart entries of up to three instances.
inline void RemoveUserSettings() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, settings::kBaseKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, settings::kBaseKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Halvyn");  // only when nothing else is in it
  UniqueRegKey run;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, settings::kAutostartKey, 0, KEY_SET_VALUE, run.put()) ==
      ERROR_SUCCESS) {
    for (const wchar_t* name : {L"Orvane", L"Orvane #2", L"Orvane #3"}) ::RegDeleteValueW(run.get(), name);
  }
}

// Every test that touches the registry starts and ends without Orvane's per-user settings.
class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveUserSettings(); }
  void TearDown() override { RemoveUserSettings(); }
};

}  // namespace orvane::test
