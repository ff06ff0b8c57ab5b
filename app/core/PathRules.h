// Building paths in the program directory and the data folder: the pure part. Any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// Every path the path functions return fits a buffer of this many characters, terminator included.
inline constexpr size_t kMaxPathChars = 1024;

// folder + "\" + name, with exactly one backslash between them whether or not the folder ends with
// one or the name starts with one; the folder alone when name is empty. Empty when the result would
// not fit kMaxPathChars: a cut path could name a different file.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// The path without its last component ("C:\Program Files\Orvane" for "...\Orvane\Orvane.exe"); a
// drive root keeps its backslash ("C:\"). Empty when the path has no folder part.
std::wstring ParentFolder(std::wstring_view path);

// Whether `text` contains `part`, letters compared without regard to case (command-line switches, a
// device interface's name inside a camera's device path).
bool ContainsNoCase(std::wstring_view text, std::wstring_view part);

}  // namespace orvane
