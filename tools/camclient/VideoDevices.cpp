#include "tools/camclient/VideoDevices.h"

#include <cwctype>

#include "platform/dshow/VideoInputDevices.h"

namespace orvane::camclient {
namespace {

bool AllDigits(const std::wstring& text) {
  if (text.empty() || text.size() > 6) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

}  // namespace

HRESULT ListVideoDevices(std::vector<VideoDevice>& devices) {
  devices.clear();
  ComPtr<ICreateDevEnum> enumerator;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&enumerator));
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  // S_FALSE: the category is empty, and there is no enumerator.
  if (hr != S_OK) return FAILED(hr) ? hr : S_OK;
  ComPtr<IMoniker> moniker;
  for (int index = 0; monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK; ++index) {
    VideoDevice device;
    device.index = index;
    device.moniker = moniker;
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
      device.friendlyName = ReadPropertyBagText(*bag.Get(), L"FriendlyName");
      device.devicePath = ReadPropertyBagText(*bag.Get(), L"DevicePath");
    }
    devices.push_back(std::move(device));
  }
  return S_OK;
}

HRESULT FindVideoDevice(const std::wstring& selector, bool virtualCameraOnly, VideoDevice& device) {
  std::vector<VideoDevice> devices;
  const HRESULT hr = ListVideoDevices(devices);
  if (FAILED(hr)) return hr;
  for (VideoDevice& candidate : devices) {
    bool chosen = false;
    if (AllDigits(selector)) {
      chosen = candidate.index == std::stoi(selector);
    } else if (!selector.empty()) {
      chosen = candidate.friendlyName == selector;
    } else if (virtualCameraOnly) {
      ComPtr<IBaseFilter> filter;
      chosen = SUCCEEDED(BindCaptureFilter(candidate, filter)) && IsVirtualCameraFilter(filter.Get());
    } else {
      chosen = true;
    }
    if (chosen) {
      device = std::move(candidate);
      return S_OK;
    }
  }
  return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT BindCaptureFilter(const VideoDevice& device, ComPtr<IBaseFilter>& filter) {
  ComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, &context);
  if (FAILED(hr)) return hr;
  return device.moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf()));
}


}  // namespace orvane::camclient
