// NimbCamera.ax's capture source filter: one instance shows virtual camera device n to the application
// that opened it. The device number comes from the "DevicePath" of the property bag that the system
// device enumerator hands to IPersistPropertyBag::Load when a moniker of the video input category is
// bound (device 0 for a filter created directly or from a bag without a path). The filter opens the
// device's shared state when something first needs it, answers the private property set on its own
// IKsPropertySet (DeviceProperties), and, while paused or running, registers its process as one of
// the device's clients (property 9), which also gives the pin its frame event. INimbCameraStatistics
// tells what its stream has done (NimbCameraStatistics.h).
//
// Threading: COM calls from any thread. The device number and the opened state are guarded by their
// own lock (property calls come from other threads while the filter streams); the client registration
// changes under FilterLock with the filter's state.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <strmif.h>

#include <memory>
#include <mutex>

#include "device/camera/DeviceProperties.h"
#include "device/camera/NimbCameraPin.h"
#include "device/camera/NimbCameraStatistics.h"
#include "device/camera/state/DeviceState.h"
#include "platform/dshow/SourceBase.h"

namespace orvane::camera {

class NimbCamera : public SourceBase, public IPersistPropertyBag, public IKsPropertySet, public INimbCameraStatistics {
 public:
  using Interfaces = SourceBase::Interfaces::With<IPersistPropertyBag, IKsPropertySet, INimbCameraStatistics>;

  NimbCamera();

  // IPersist, for IBaseFilter and IPersistPropertyBag alike.
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IPersistPropertyBag: Load reads "DevicePath". A path that names no device of ours gives
  // E_INVALIDARG; a bound filter that is not stopped or whose pin is connected refuses with
  // VFW_E_WRONG_STATE.
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  // IKsPropertySet: VirtualCameraPropertySet, as DeviceProperties.h describes.
  STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data, DWORD dataLength) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data, DWORD dataLength,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // INimbCameraStatistics.
  STDMETHODIMP GetStreamStatistics(StreamStatistics* statistics) override;

  // The device's shared state, opened at the first call. Any thread.
  HRESULT OpenDevice(std::shared_ptr<state::DeviceState>& device);
  int32_t DeviceNumber() const;

 protected:
  int PinCount() override { return 1; }
  SourceStream* StreamAt(int index) override { return index == 0 ? &pin_ : nullptr; }
  HRESULT OnPause(FILTER_STATE previous) override;
  void OnStop() override;

 private:
  HRESULT UseDevice(int32_t number);

  ComObject<NimbCameraPin> pin_;
  DeviceProperties properties_;

  mutable std::mutex deviceLock_;
  // Under deviceLock_:
  int32_t deviceNumber_ = 0;
  std::shared_ptr<state::DeviceState> device_;

  // Under FilterLock; released after the streaming thread ended, before the state it belongs to.
  std::unique_ptr<state::ClientRegistration> registration_;
};

}  // namespace orvane::camera
