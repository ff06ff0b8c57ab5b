#include "tools/testcam/TestCamera.h"

#include <mutex>

#include "platform/com/ComBoundary.h"
#include "platform/com/Variant.h"
#include "platform/dshow/PropertyPageBase.h"
#include "tools/testcam/TestCamIds.h"

namespace orvane::testcam {
TestCamera::TestCamera() : SourceBase(kCameraClsid, L"Orvane Test Camera"), pin_(OwnedBy{*this}, *this) {}

HRESULT TestCamera::FinalConstruct() {
  HRESULT hr = SourceBase::FinalConstruct();
  if (FAILED(hr)) return hr;
  return Configure(ReadCameraSettings(0));
}

HRESULT TestCamera::Configure(const CameraSettings& settings) {
  std::lock_guard lock(FilterLock());
  if (!IsStopped() || pin_.IsConnected()) return VFW_E_WRONG_STATE;
  const HRESULT hr = pin_.Offer(settings.formats);
  if (FAILED(hr)) return hr;
  index_.store(settings.index);
  cameraControl_.store(settings.cameraControl);
  propertyPages_.store(settings.propertyPages);
  return S_OK;
}

HRESULT TestCamera::QueryInterfaceHook(REFIID iid, void** out) {
  if (iid == IID_IAMCameraControl && !cameraControl_.load()) return E_NOINTERFACE;
  if (iid == IID_ISpecifyPropertyPages && !(propertyPages_.load() && cameraControl_.load())) return E_NOINTERFACE;
  return SourceBase::QueryInterfaceHook(iid, out);
}

HRESULT TestCamera::OnPause(FILTER_STATE previous) {
  // Another program holding the camera shows when the device is opened, that is when leaving Stopped.
  if (previous == State_Stopped && IsCameraBusy(index_.load())) return kCameraBusy;
  return SourceBase::OnPause(previous);
}

STDMETHODIMP TestCamera::GetClassID(CLSID* clsid) { return SourceBase::GetClassID(clsid); }

STDMETHODIMP TestCamera::InitNew() {
  return GuardComCall([&] { return Configure(ReadCameraSettings(0)); });
}

STDMETHODIMP TestCamera::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  return GuardComCall([&] {
    Variant index;
    index.get().vt = VT_I4;
    int camera = 0;
    if (SUCCEEDED(bag->Read(L"CameraIndex", &index.get(), log)) && index.get().vt == VT_I4) {
      camera = index.get().lVal;
    }
    if (camera < 0 || camera >= kMaxCameras) return E_INVALIDARG;
    return Configure(ReadCameraSettings(camera));
  });
}

STDMETHODIMP TestCamera::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

TestCamera::Control* TestCamera::ControlOf(long property) {
  switch (property) {
    case CameraControl_Pan: return &pan_;
    case CameraControl_Tilt: return &tilt_;
    case CameraControl_Zoom: return &zoom_;
    default: return nullptr;
  }
}

const TestCamera::Control* TestCamera::ControlOf(long property) const {
  return const_cast<TestCamera*>(this)->ControlOf(property);
}

long TestCamera::ControlValue(long property) const {
  const Control* control = ControlOf(property);
  return control != nullptr ? control->value.load() : 0;
}

STDMETHODIMP TestCamera::GetRange(long property, long* minimum, long* maximum, long* step, long* defaultValue,
                                  long* flags) {
  if (minimum == nullptr || maximum == nullptr || step == nullptr || defaultValue == nullptr || flags == nullptr) {
    return E_POINTER;
  }
  const Control* control = ControlOf(property);
  if (control == nullptr) return E_PROP_ID_UNSUPPORTED;
  *minimum = control->minimum;
  *maximum = control->maximum;
  *step = control->step;
  *defaultValue = control->defaultValue;
  *flags = CameraControl_Flags_Manual;
  return S_OK;
}

STDMETHODIMP TestCamera::Set(long property, long value, long flags) {
  Control* control = ControlOf(property);
  if (control == nullptr) return E_PROP_ID_UNSUPPORTED;
  // Manual control only, and only values on the device's grid.
  if (flags != CameraControl_Flags_Manual) return E_INVALIDARG;
  if (value < control->minimum || value > control->maximum) return E_INVALIDARG;
  if ((value - control->minimum) % control->step != 0) return E_INVALIDARG;
  control->value.store(value);
  return S_OK;
}

STDMETHODIMP TestCamera::Get(long property, long* value, long* flags) {
  if (value == nullptr || flags == nullptr) return E_POINTER;
  const Control* control = ControlOf(property);
  if (control == nullptr) return E_PROP_ID_UNSUPPORTED;
  *value = control->value.load();
  *flags = CameraControl_Flags_Manual;
  return S_OK;
}

STDMETHODIMP TestCamera::GetPages(CAUUID* pages) { return FillPageList({&kCameraControlPageClsid, 1}, pages); }

}  // namespace orvane::testcam
