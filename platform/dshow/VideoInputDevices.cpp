#include "platform/dshow/VideoInputDevices.h"

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane {

std::wstring ReadPropertyBagText(IPropertyBag& bag, const wchar_t* name) {
  Variant value;
  if (FAILED(bag.Read(name, value.put(), nullptr)) || value.get().vt != VT_BSTR || value.get().bstrVal == nullptr) {
    return {};
  }
  return std::wstring(value.get().bstrVal, ::SysStringLen(value.get().bstrVal));
}

HRESULT QueryVirtualCameraSupport(IBaseFilter* filter, DWORD& support) {
  support = 0;
  if (filter == nullptr) return E_POINTER;
  ComPtr<IKsPropertySet> properties;
  const HRESULT hr = filter->QueryInterface(IID_PPV_ARGS(&properties));
  if (FAILED(hr)) return hr;
  return properties->QuerySupported(VirtualCameraPropertySet, kPropertyFrame, &support);
}

bool IsVirtualCameraFilter(IBaseFilter* filter) {
  DWORD support = 0;
  return QueryVirtualCameraSupport(filter, support) == S_OK && (support & kPropertySupportSet) != 0;
}

}  // namespace orvane
