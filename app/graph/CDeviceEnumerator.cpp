#include "app/graph/CDeviceEnumerator.h"

#include <dshow.h>

#include "app/diagnostics/Logger.h"
#include "platform/dshow/VideoInputDevices.h"
#include "platform/win/StringConversion.h"

namespace orvane {
namespace {

// Binds the device's capture filter with a bind context of its own, as applications do, only to ask
// whether it is one of our virtual cameras. A device whose filter cannot be created counts as a camera.
bool IsVirtualCameraDevice(IMoniker& moniker) {
  ComPtr<IBaseFilter> filter;
  {
    ComPtr<IBindCtx> context;
    if (FAILED(::CreateBindCtx(0, &context))) return false;
    if (FAILED(moniker.BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&filter)))) return false;
  }
  return IsVirtualCameraFilter(filter.Get());
}

}  // namespace

void CDeviceEnumerator::EnumerateCameras() {
  Log(">> Enumerate cameras");
  records_.clear();

  ComPtr<ICreateDevEnum> devices;
  HRESULT hr = ::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&devices));
  if (FAILED(hr)) {
    Logf("Create SystemDeviceEnum failed - 0x%lx", static_cast<unsigned long>(hr));
    return;
  }
  ComPtr<IEnumMoniker> monikers;
  hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  // An empty category answers S_FALSE without an enumerator, and is logged like a failure (with 0x1).
  if (!monikers) {
    Logf("Create VideoInputDeviceCategory Enumerator failed - 0x%lx", static_cast<unsigned long>(hr));
    return;
  }

  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    if (!moniker) continue;
    auto record = std::make_unique<DeviceRecord>();
    record->moniker = moniker;
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
      record->friendlyName = ReadPropertyBagText(*bag.Get(), L"FriendlyName");
      record->devicePath = ReadPropertyBagText(*bag.Get(), L"DevicePath");
    }
    if (IsVirtualCameraDevice(*moniker.Get())) continue;
    if (DebugLoggingEnabled()) Log("+  " + WideToAnsi(record->friendlyName));
    records_.push_back(std::move(record));
  }
}

}  // namespace orvane
