#include "app/core/PathRules.h"

#include <cwctype>

namespace orvane {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring path(folder);
  if (!name.empty()) {
    const bool folderEnds = !path.empty() && IsSeparator(path.back());
    const bool nameStarts = IsSeparator(name.front());
    if (folderEnds && nameStarts) {
      name.remove_prefix(1);
    } else if (!folderEnds && !nameStarts && !path.empty()) {
      path += L'\\';
    }
    path += name;
  }
  if (path.size() >= kMaxPathChars) return std::wstring();
  return path;
}

std::wstring ParentFolder(std::wstring_view path) {
  const size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring_view::npos) return std::wstring();
  // "C:\file" keeps "C:\", so that the folder still names the root and not the drive's current one.
  if (last == 2 && path[1] == L':') return std::wstring(path.substr(0, 3));
  return std::wstring(path.substr(0, last));
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view part) {
  const auto lower = [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); };
  if (part.size() > text.size()) return false;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < part.size() && lower(text[at + i]) == lower(part[i])) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

}  // namespace orvane
