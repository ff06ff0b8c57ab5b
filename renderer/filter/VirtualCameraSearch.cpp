#include "renderer/filter/VirtualCameraSearch.h"

#include <dshow.h>
#include <uuids.h>

#include "platform/dshow/VideoInputDevices.h"
#include "shared/VirtualCameraProperties.h"
#include "shared/device/DeviceNaming.h"

namespace orvane {
namespace {

// The device's IKsPropertySet when it is a virtual camera of ours; null otherwise. Any success of
// QuerySupported counts, as long as the Set bit is there.
ComPtr<IKsPropertySet> VirtualCameraProperties(IMoniker& moniker) {
  ComPtr<IKsPropertySet> properties;
  ComPtr<IBaseFilter> filter;
  if (FAILED(moniker.BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter)))) return properties;
  DWORD support = 0;
  if (FAILED(QueryVirtualCameraSupport(filter.Get(), support)) || (support & kPropertySupportSet) == 0) {
    return properties;
  }
  filter.As(&properties);
  return properties;
}

}  // namespace

HRESULT FindVirtualCamera(const DeviceChoice& choice, FoundCamera& found) {
  ComPtr<ICreateDevEnum> devices;
  HRESULT hr = ::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&devices));
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  if (FAILED(hr)) return hr;
  // S_FALSE: the category is empty and there is no enumerator.
  if (hr != S_OK || !monikers) return S_FALSE;
  monikers->Reset();

  const bool byIndex = choice.index >= 1;
  const bool byName = !byIndex && !choice.name.empty();
  int64_t counted = 0;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) continue;
    // A name that does not match rules the device out before its filter is bound: binding a physical
    // camera only to skip it can disturb the program that uses it.
    if (byName && ReadPropertyBagText(*bag.Get(), L"FriendlyName") != choice.name) continue;
    ComPtr<IKsPropertySet> properties = VirtualCameraProperties(*moniker.Get());
    if (!properties) continue;
    ++counted;
    if (byIndex && counted != choice.index) continue;
    found.properties = std::move(properties);
    found.deviceNumber = device::DeviceNumberFromPath(ReadPropertyBagText(*bag.Get(), L"DevicePath"));
    return S_OK;
  }
  return S_FALSE;
}

}  // namespace orvane
