#include "app/core/AppPaths.h"

#include <knownfolders.h>
#include <shlobj.h>

#include "app/core/PathRules.h"
#include "app/diagnostics/CFileVersionInfo.h"
#include "app/diagnostics/VersionNumbers.h"
#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

constexpr wchar_t kDataSubfolder[] = L"Halvyn\\Orvane";

}  // namespace

std::wstring ProgramPath() {
  // GetModuleFileNameW cuts a path that does not fit and says so only through the last error; grow
  // until it fits (the longest Windows path is 32767 characters).
  std::wstring path(MAX_PATH, L'\0');
  while (path.size() <= 32768) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
  return std::wstring();
}

std::wstring ProgramFilePath(std::wstring_view name) {
  const std::wstring folder = ParentFolder(ProgramPath());
  if (folder.empty()) return std::wstring();
  return JoinPath(folder, name);
}

std::wstring DataFolder() {
  UniqueCoTaskMem<wchar_t> localAppData;
  if (FAILED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, localAppData.put())) ||
      !localAppData) {
    return std::wstring();
  }
  std::wstring folder = JoinPath(localAppData.get(), kDataSubfolder);
  if (folder.empty()) return folder;
  // SHCreateDirectoryExW creates the missing parents too. The path is kept whether or not that
  // worked: a caller that writes there meets the failure itself, with its own error and message,
  // instead of an empty path that would put its file somewhere else.
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

std::wstring DataFilePath(std::wstring_view name) {
  const std::wstring folder = DataFolder();
  if (folder.empty()) return folder;
  return JoinPath(folder, name);
}

std::optional<ProgramVersionInfo> ReadProgramVersion() {
  const std::wstring path = ProgramPath();
  CFileVersionInfo info;
  if (path.empty() || !info.Open(path.c_str())) return std::nullopt;
  const VS_FIXEDFILEINFO& fixed = info.FixedInfo();
  return ProgramVersionInfo{AnsiToWide(VersionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS)),
                            fixed.dwProductVersionMS, fixed.dwProductVersionLS};
}

}  // namespace orvane
