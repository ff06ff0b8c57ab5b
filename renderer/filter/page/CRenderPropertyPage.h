// The renderer filter's property page: the virtual camera's output format, fill mode, mirror, flip,
// the renderer's rotation, and a snapshot of the next delivered frame into the user's Pictures
// folder. Every control acts at once through the filter's INimbRenderer; Apply has nothing to apply.
// The module's class table lists it as CLSID_NimbRendererPropertyPage, named kClassName, created with
// CreateComInstance<CRenderPropertyPage>; its dialog and title come from RenderPropertyPage.rc, which
// must be compiled into the same module.
// Threading: the property frame's thread (the application's user-interface thread) only. Owns one
// reference to the connected filter's INimbRenderer, held from SetObjects until the next SetObjects.
#pragma once

#include <windows.h>

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/dshow/PropertyPageBase.h"
#include "shared/INimbRenderer.h"

namespace orvane {

class CRenderPropertyPage : public PropertyPageBase {
 public:
  static constexpr const wchar_t* kClassName = L"Property Pages";

  CRenderPropertyPage();

  // The limits of Apply; values outside them are refused with the default beep.
  static constexpr unsigned kMinWidth = 320, kMaxWidth = 4096;
  static constexpr unsigned kMinHeight = 240, kMaxHeight = 4096;
  static constexpr unsigned kMinFps = 1, kMaxFps = 1023;

  // "<folder>\<year>-<mm>-<dd> <hhmmss>.jpg": where a snapshot taken at `time` goes.
  static std::wstring SnapshotPath(const std::wstring& folder, const SYSTEMTIME& time);

 protected:
  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  HRESULT OnApplyChanges() override;
  INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void InitialiseControls(HWND dialog);
  void ApplyOutputFormat(HWND dialog);
  void ApplyFillMode(HWND dialog);
  void ApplyCheckBox(HWND dialog, int id);
  void RequestSnapshot();

  ComPtr<INimbRenderer> renderer_;
};

}  // namespace orvane
