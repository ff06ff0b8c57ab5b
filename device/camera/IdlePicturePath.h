// What an idle picture path must look like before any client process goes near the file system with
// it. The path comes from the device's shared section, which any process of the session can write,
// and every call app that opens the camera would open it: so only an absolute path on a drive letter
// ("C:\..." with either slash) is taken. Network paths in any spelling (a call app would authenticate to
// the host and wait for its time-outs), device and namespace paths (\\.\, \\?\, \??\, legacy device
// names such as CON or COM1 in any folder), alternate data streams, wildcards and control characters
// are refused here. What only the system can tell (the drive's type, that the path names a regular
// file of an acceptable size, that no link leads elsewhere) is checked where the file is opened
// (IdlePictureDecoder).
// Platform-neutral; plain functions, any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvane::camera {

enum class IdlePathError {
  None,
  Empty,                  // no picture: the neutral one is shown
  NotOnDrive,             // relative, drive-relative ("C:x") or rooted without a drive ("\x")
  NetworkOrDevice,        // two leading separators: UNC, \\?\, \\.\, and their slash spellings
  ForbiddenCharacter,     // control characters, wildcards, quotes, angle brackets, pipes
  AlternateStream,        // a colon after the drive's
  DeviceName,             // a component that Windows maps to a device (CON, NUL, COM1, LPT2.txt, ...)
};

namespace idle_path_detail {

constexpr bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

constexpr char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

constexpr bool EqualsUpper(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Upper(text[i]) != upper[i]) return false;
  }
  return true;
}

// Windows reads a component as a device when its name before the first dot, trailing spaces removed,
// is one of the legacy device names; COM and LPT take a digit or a superscript one, two or three.
constexpr bool IsDeviceComponent(std::u16string_view component) {
  std::u16string_view base = component.substr(0, component.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (std::u16string_view name : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"}) {
    if (EqualsUpper(base, name)) return true;
  }
  if (base.size() == 4 && (EqualsUpper(base.substr(0, 3), u"COM") || EqualsUpper(base.substr(0, 3), u"LPT"))) {
    const char16_t last = base[3];
    return (last >= u'0' && last <= u'9') || last == u'\u00B9' || last == u'\u00B2' || last == u'\u00B3';
  }
  return false;
}

}  // namespace idle_path_detail

// The first rule `path` breaks, or None.
constexpr IdlePathError CheckIdlePicturePath(std::u16string_view path) {
  using namespace idle_path_detail;
  if (path.empty()) return IdlePathError::Empty;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return IdlePathError::NetworkOrDevice;
  const char16_t drive = Upper(path[0]);
  if (path.size() < 3 || drive < u'A' || drive > u'Z' || path[1] != u':' || !IsSeparator(path[2])) {
    return IdlePathError::NotOnDrive;
  }
  for (size_t i = 3; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == u':') return IdlePathError::AlternateStream;
    if (c < 0x20 || c == 0x7F || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|') {
      return IdlePathError::ForbiddenCharacter;
    }
  }
  size_t start = 3;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (IsDeviceComponent(path.substr(start, end - start))) return IdlePathError::DeviceName;
    start = end + 1;
  }
  return IdlePathError::None;
}

}  // namespace orvane::camera
