#include "device/camera/NimbCamera.h"

#include <optional>
#include <string>

#include "platform/com/ComBoundary.h"
#include "platform/com/Variant.h"
#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"

namespace orvane::camera {

NimbCamera::NimbCamera()
    : SourceBase(CLSID_NimbCamera, kNimbCameraClassName),
      pin_(OwnedBy{*this}, *this),
      properties_([this](std::shared_ptr<state::DeviceState>& device) { return OpenDevice(device); }) {}

STDMETHODIMP NimbCamera::GetClassID(CLSID* clsid) { return SourceBase::GetClassID(clsid); }

HRESULT NimbCamera::OpenDevice(std::shared_ptr<state::DeviceState>& device) {
  std::lock_guard lock(deviceLock_);
  if (!device_) {
    std::unique_ptr<state::DeviceState> opened;
    const HRESULT hr = state::DeviceState::Open(deviceNumber_, opened);
    if (FAILED(hr)) return hr;
    device_ = std::move(opened);
  }
  device = device_;
  return S_OK;
}

int32_t NimbCamera::DeviceNumber() const {
  std::lock_guard lock(deviceLock_);
  return deviceNumber_;
}

HRESULT NimbCamera::UseDevice(int32_t number) {
  std::lock_guard filterLock(FilterLock());
  if (!IsStopped() || pin_.IsConnected()) return VFW_E_WRONG_STATE;
  {
    std::lock_guard lock(deviceLock_);
    if (number == deviceNumber_) return S_OK;
    deviceNumber_ = number;
    // Property calls that still hold the old state finish with it; new ones open the new device.
    device_.reset();
  }
  pin_.ForgetCapabilities();
  return S_OK;
}

STDMETHODIMP NimbCamera::InitNew() {
  return GuardComCall([&] { return UseDevice(0); });
}

STDMETHODIMP NimbCamera::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  return GuardComCall([&] {
    Variant path;
    path.get().vt = VT_BSTR;
    if (FAILED(bag->Read(L"DevicePath", &path.get(), log)) || path.get().vt != VT_BSTR ||
        path.get().bstrVal == nullptr) {
      return UseDevice(0);
    }
    const std::optional<int32_t> number = device::DeviceNumberFromPath(path.get().bstrVal);
    if (!number || *number > device::kMaxDeviceNumber) return E_INVALIDARG;
    return UseDevice(*number);
  });
}

STDMETHODIMP NimbCamera::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

STDMETHODIMP NimbCamera::Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                             DWORD dataLength) {
  return properties_.Set(set, id, instance, instanceLength, data, dataLength);
}

STDMETHODIMP NimbCamera::Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                             DWORD dataLength, DWORD* returned) {
  return properties_.Get(set, id, instance, instanceLength, data, dataLength, returned);
}

STDMETHODIMP NimbCamera::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return DeviceProperties::QuerySupported(set, id, support);
}

STDMETHODIMP NimbCamera::GetStreamStatistics(StreamStatistics* statistics) {
  if (statistics == nullptr) return E_POINTER;
  *statistics = pin_.Statistics();
  return S_OK;
}

HRESULT NimbCamera::OnPause(FILTER_STATE previous) {
  if (previous != State_Stopped) return SourceBase::OnPause(previous);
  // Opening the device for a client: it counts from now until it stops, also when not connected.
  std::shared_ptr<state::DeviceState> device;
  HRESULT hr = OpenDevice(device);
  if (FAILED(hr)) return hr;
  std::unique_ptr<state::ClientRegistration> registration;
  hr = device->RegisterClient(registration);
  if (FAILED(hr)) return hr;
  pin_.BeginStreaming(device, registration.get());
  hr = SourceBase::OnPause(previous);
  if (FAILED(hr)) {
    pin_.EndStreaming();
    return hr;
  }
  registration_ = std::move(registration);
  return hr;
}

void NimbCamera::OnStop() {
  pin_.InterruptWaits();
  SourceBase::OnStop();
  pin_.EndStreaming();
  registration_.reset();
}

}  // namespace orvane::camera
