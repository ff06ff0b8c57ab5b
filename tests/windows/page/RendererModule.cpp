#include "tests/windows/page/RendererModule.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::testing {

HRESULT RendererModule::Load() {
  const std::wstring path = ProgramFolder() + L"NimbRenderer.ax";
  module_.reset(::LoadLibraryW(path.c_str()));
  if (!module_) return HRESULT_FROM_WIN32(::GetLastError());
  ComPtr<IClassFactory> factory;
  HRESULT hr = ClassObject(CLSID_NimbRenderer, factory);
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter_));
}

HRESULT RendererModule::ClassObject(REFCLSID clsid, ComPtr<IClassFactory>& factory) const {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(module_.get(), "DllGetClassObject")));
  if (get == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  return get(clsid, IID_PPV_ARGS(&factory));
}

ComPtr<INimbRenderer> RendererModule::Control() const {
  ComPtr<INimbRenderer> control;
  EXPECT_EQ(filter_.As(&control), S_OK) << "the renderer refuses INimbRenderer";
  return control;
}

}  // namespace orvane::testing
