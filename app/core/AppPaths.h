// Where the program and its data live, and the program's own version. Free functions that ask the
// system afresh at each call; any thread.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The full path of the program file (GetModuleFileNameW, however long); empty if it cannot be read.
std::wstring ProgramPath();

// The program directory joined with name ("strings.xml", "\resource\iconfont.ttf"), or the directory
// itself for an empty name. At most kMaxPathChars - 1 characters; empty when it would be longer.
std::wstring ProgramFilePath(std::wstring_view name = {});

// The user's local application-data folder followed by "\Halvyn\Orvane", created with all missing
// parents; empty when the local application-data folder cannot be found. A folder that cannot be
// created keeps its path: writing there then fails where the caller writes.
std::wstring DataFolder();

// The data folder joined with name, the folder being created if missing; empty without a data folder
// or when the path would be longer than kMaxPathChars - 1 characters.
std::wstring DataFilePath(std::wstring_view name = {});

// The product version in the program file's fixed version information: "2.0.1.0" and the two double
// words it comes from. Nothing when the file has no version information.
struct ProgramVersionInfo {
  std::wstring text;
  DWORD mostSignificant = 0;
  DWORD leastSignificant = 0;
};
std::optional<ProgramVersionInfo> ReadProgramVersion();

}  // namespace orvane
