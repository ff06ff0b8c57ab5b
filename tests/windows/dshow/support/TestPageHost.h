// What a property page needs around it in a test: a page site that records the page's status
// reports, and a top-level window to stand for the property frame. Test threads only.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "platform/com/ComObject.h"
#include "platform/win/UniqueResource.h"

namespace orvane::testing {

class RecordingPageSite : public ComObjectRoot, public IPropertyPageSite {
 public:
  using Interfaces = InterfaceList<IPropertyPageSite>;
  STDMETHODIMP OnStatusChange(DWORD flags) override {
    statuses.push_back(flags);
    return S_OK;
  }
  STDMETHODIMP GetLocaleID(LCID* locale) override {
    if (locale == nullptr) return E_POINTER;
    *locale = 0x409;
    return S_OK;
  }
  STDMETHODIMP GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

  std::vector<DWORD> statuses;
};

struct WindowTraits {
  using Value = HWND;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DestroyWindow(v); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

// A hidden top-level window (needs the test display).
inline UniqueWindow CreateFrameWindow() {
  return UniqueWindow(::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                                        nullptr, nullptr));
}

// The dialog a page created inside `frame` (its only child).
inline HWND PageDialogIn(HWND frame) { return ::FindWindowExW(frame, nullptr, nullptr, nullptr); }

}  // namespace orvane::testing
