#include "app/devices/FilterModule.h"

#include "platform/win/WindowsError.h"

namespace orvane {

HRESULT GetModuleClassFactory(const std::wstring& modulePath, REFCLSID classId, ComPtr<IClassFactory>& factory) {
  factory.Reset();
  // Deliberately never freed (see the header): the handle is not kept.
  const HMODULE module = ::LoadLibraryW(modulePath.c_str());
  if (module == nullptr) return LastErrorResult();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  if (getClassObject == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  const HRESULT hr = getClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
  if (SUCCEEDED(hr) && !factory) return E_NOINTERFACE;
  return hr;
}

bool CreateFilterFromModule(const std::wstring& modulePath, REFCLSID classId, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  ComPtr<IClassFactory> factory;
  if (FAILED(GetModuleClassFactory(modulePath, classId, factory))) return false;
  if (FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())))) {
    filter.Reset();
    return false;
  }
  return static_cast<bool>(filter);
}

}  // namespace orvane
