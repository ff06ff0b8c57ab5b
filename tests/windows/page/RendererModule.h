// NimbRenderer.ax of the program folder, loaded as the application loads it (LoadLibraryW and
// DllGetClassObject, no registration), and one renderer filter created from it. The filter is released
// before the module is freed. Test threads with COM initialised.
#pragma once

#include <windows.h>

#include "platform/com/ComPtr.h"
#include "platform/com/UniqueResource.h"
#include "shared/INimbRenderer.h"

namespace orvane::testing {

class RendererModule {
 public:
  RendererModule() = default;
  ~RendererModule() { filter_.Reset(); }
  RendererModule(const RendererModule&) = delete;
  RendererModule& operator=(const RendererModule&) = delete;

  // Loads the module and creates the filter; the filter picks the first virtual camera it finds.
  HRESULT Load();
  HRESULT ClassObject(REFCLSID clsid, ComPtr<IClassFactory>& factory) const;

  HMODULE module() const { return module_.get(); }
  IUnknown* filter() const { return filter_.Get(); }
  // The filter's control interface; null (and a test failure) when it refuses it.
  ComPtr<INimbRenderer> Control() const;

 private:
  UniqueModule module_;
  ComPtr<IUnknown> filter_;
};

}  // namespace orvane::testing
