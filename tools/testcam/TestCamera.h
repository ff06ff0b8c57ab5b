// The synthetic webcam's capture filter (TestCam.ax), a live source built on SourceBase with one
// TestCameraPin. It learns which camera it is from the device's property bag (IPersistPropertyBag,
// as the system device enumerator binds it) or is camera 0 when created directly, and then offers
// that camera's formats. IAMCameraControl (zoom, pan, tilt) and the property pages are there unless
// the camera's settings take them away; a busy camera refuses to start (kCameraBusy from Pause, and
// so from Run).
// Threading: COM calls from the application's threads; the camera-control values are atomics that
// the streaming thread reads into every frame.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <strmif.h>

#include <atomic>
#include <string>

#include "platform/dshow/SourceBase.h"
#include "tools/testcam/CameraSettings.h"
#include "tools/testcam/TestCameraPin.h"

namespace orvane::testcam {

class TestCamera : public SourceBase, public IPersistPropertyBag, public IAMCameraControl, public ISpecifyPropertyPages {
 public:
  using Interfaces = SourceBase::Interfaces::With<IPersistPropertyBag, IAMCameraControl, ISpecifyPropertyPages>;

  TestCamera();

  // IPersist, for IBaseFilter and IPersistPropertyBag alike.
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IPersistPropertyBag
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  // IAMCameraControl: CameraControl_Pan, CameraControl_Tilt and CameraControl_Zoom, manual only.
  STDMETHODIMP GetRange(long property, long* minimum, long* maximum, long* step, long* defaultValue,
                        long* flags) override;
  STDMETHODIMP Set(long property, long value, long flags) override;
  STDMETHODIMP Get(long property, long* value, long* flags) override;
  // ISpecifyPropertyPages: the camera-control page.
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // For the pin's frames.
  int CameraIndex() const noexcept { return index_.load(); }
  bool OffersPropertyPages() const noexcept { return propertyPages_.load(); }
  long ControlValue(long property) const;

 protected:
  HRESULT FinalConstruct() override;
  HRESULT QueryInterfaceHook(REFIID iid, void** out) override;
  int PinCount() override { return 1; }
  SourceStream* StreamAt(int index) override { return index == 0 ? &pin_ : nullptr; }
  HRESULT OnPause(FILTER_STATE previous) override;

 private:
  struct Control {
    long minimum, maximum, step, defaultValue;
    std::atomic<long> value;
  };
  Control* ControlOf(long property);
  const Control* ControlOf(long property) const;
  HRESULT Configure(const CameraSettings& settings);

  ComObject<TestCameraPin> pin_;
  std::atomic<int> index_{0};
  std::atomic<bool> cameraControl_{true};
  std::atomic<bool> propertyPages_{true};
  Control pan_{-10, 10, 1, 0, {0}};
  Control tilt_{-10, 10, 1, 0, {0}};
  Control zoom_{100, 400, 10, 100, {100}};
};

}  // namespace orvane::testcam
