#include "tools/testcam/CameraControlPage.h"

#include <commctrl.h>

#include <string>

#include "tools/testcam/TestCamResources.h"

namespace orvane::testcam {
namespace {

struct Slider {
  int id;
  int valueId;
  long property;
};
constexpr Slider kSliders[] = {{IDC_ZOOM, IDC_ZOOM_VALUE, CameraControl_Zoom},
                               {IDC_PAN, IDC_PAN_VALUE, CameraControl_Pan},
                               {IDC_TILT, IDC_TILT_VALUE, CameraControl_Tilt}};

}  // namespace

CameraControlPage::CameraControlPage() : PropertyPageBase(IDD_CAMERA_PAGE, IDS_CAMERA_PAGE_TITLE) {}

HRESULT CameraControlPage::FinalConstruct() {
  // The dialog's sliders are common controls.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  return ::InitCommonControlsEx(&classes) ? S_OK : E_FAIL;
}

HRESULT CameraControlPage::OnConnect(IUnknown* object) { return object->QueryInterface(IID_PPV_ARGS(&control_)); }

HRESULT CameraControlPage::OnDisconnect() {
  control_.Reset();
  return S_OK;
}

void CameraControlPage::ShowValue(int slider) {
  const Slider& entry = kSliders[slider];
  const LRESULT position = ::SendDlgItemMessageW(Dialog(), entry.id, TBM_GETPOS, 0, 0);
  ::SetDlgItemTextW(Dialog(), entry.valueId, std::to_wstring(static_cast<long>(position)).c_str());
}

HRESULT CameraControlPage::OnActivate() {
  for (int i = 0; i < 3; ++i) {
    const Slider& entry = kSliders[i];
    const HWND slider = ::GetDlgItem(Dialog(), entry.id);
    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, flags = 0, value = 0;
    if (!control_ || FAILED(control_->GetRange(entry.property, &minimum, &maximum, &step, &defaultValue, &flags)) ||
        FAILED(control_->Get(entry.property, &value, &flags))) {
      ::EnableWindow(slider, FALSE);
      continue;
    }
    ::SendMessageW(slider, TBM_SETRANGEMIN, FALSE, minimum);
    ::SendMessageW(slider, TBM_SETRANGEMAX, FALSE, maximum);
    ::SendMessageW(slider, TBM_SETTICFREQ, static_cast<WPARAM>(step), 0);
    ::SendMessageW(slider, TBM_SETLINESIZE, 0, step);
    ::SendMessageW(slider, TBM_SETPAGESIZE, 0, step);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, value);
    ShowValue(i);
  }
  return S_OK;
}

HRESULT CameraControlPage::OnApplyChanges() {
  HRESULT result = S_OK;
  for (const Slider& entry : kSliders) {
    const HWND slider = ::GetDlgItem(Dialog(), entry.id);
    if (!control_ || !::IsWindowEnabled(slider)) continue;
    const auto value = static_cast<long>(::SendMessageW(slider, TBM_GETPOS, 0, 0));
    const HRESULT hr = control_->Set(entry.property, value, CameraControl_Flags_Manual);
    if (FAILED(hr)) result = hr;
  }
  if (SUCCEEDED(result)) MarkClean();
  return result;
}

INT_PTR CameraControlPage::OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL && lParam != 0) {
    for (int i = 0; i < 3; ++i) {
      if (reinterpret_cast<HWND>(lParam) != ::GetDlgItem(dialog, kSliders[i].id)) continue;
      // Keep the slider on the camera's grid of steps.
      long minimum = 0, maximum = 0, step = 1, defaultValue = 0, flags = 0;
      if (control_ && SUCCEEDED(control_->GetRange(kSliders[i].property, &minimum, &maximum, &step, &defaultValue,
                                                  &flags)) && step > 1) {
        const auto position = static_cast<long>(::SendMessageW(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0));
        const long snapped = minimum + (position - minimum + step / 2) / step * step;
        if (snapped != position) ::SendMessageW(reinterpret_cast<HWND>(lParam), TBM_SETPOS, TRUE, snapped);
      }
      ShowValue(i);
      SetDirty();
      return TRUE;
    }
  }
  return PropertyPageBase::OnReceiveMessage(dialog, message, wParam, lParam);
}

}  // namespace orvane::testcam
