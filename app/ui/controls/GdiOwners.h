// Single owners of the drawing resources the controls create (GDI objects, memory device contexts,
// cursors loaded from the program's resources) and a scope that selects an object into a device
// context and puts the previous one back. Stock objects, system cursors and fonts that belong to a
// window's owner are never given to these owners. The window's thread only.
#pragma once

#include <windows.h>

#include "platform/win/UniqueResource.h"

namespace orvane {
namespace resource_traits {

template <typename T>
struct GdiObject {
  using Value = T;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DeleteObject(v); }
};

struct MemoryDC {
  using Value = HDC;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DeleteDC(v); }
};

// Only cursors loaded without LR_SHARED: shared ones (LoadCursor) belong to the system.
struct LoadedCursor {
  using Value = HCURSOR;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DestroyCursor(v); }
};

}  // namespace resource_traits

using UniqueBrush = UniqueResource<resource_traits::GdiObject<HBRUSH>>;
using UniqueFont = UniqueResource<resource_traits::GdiObject<HFONT>>;
using UniqueBitmap = UniqueResource<resource_traits::GdiObject<HBITMAP>>;
using UniqueMemoryDC = UniqueResource<resource_traits::MemoryDC>;
using UniqueCursor = UniqueResource<resource_traits::LoadedCursor>;

// Selects `object` into `dc` for the scope's lifetime; a null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The device context of a window's client area, released with the scope.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace orvane
