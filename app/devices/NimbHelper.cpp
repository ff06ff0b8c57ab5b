#include "app/devices/NimbHelper.h"

#include "app/core/AppPaths.h"
#include "app/devices/FilterModule.h"
#include "app/diagnostics/Logger.h"

namespace orvane {

NimbHelper& NimbHelper::Instance() {
  static NimbHelper instance;
  return instance;
}

NimbHelper::NimbHelper() {
  const std::wstring path = ProgramFilePath(L"NimbRenderer.ax");
  ComPtr<IClassFactory> factory;
  HRESULT hr = path.empty() ? HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)
                            : GetModuleClassFactory(path, CLSID_NimbRenderer, factory);
  if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter_));
  if (FAILED(hr) || !filter_) {
    filter_.Reset();
    Logf("Load NimbRenderer failed - 0x%lx", static_cast<unsigned long>(hr));
    // Fixed and not translated: the program's own files are broken, whatever the language.
    ::MessageBoxW(nullptr, L"Add NimbRenderer failed!", L"Error", MB_ICONERROR);
    return;
  }
  // Refused while the renderer has found no virtual camera: silent, the filter is kept.
  filter_.As(&control_);
}

NimbHelper::~NimbHelper() { Release(); }

void NimbHelper::Release() {
  control_.Reset();
  filter_.Reset();
}

int NimbHelper::ClientCount() const {
  int count = 0;
  if (!control_ || FAILED(control_->GetClientCount(&count))) return 0;
  return count;
}

bool NimbHelper::SelectDevice(int index) const { return control_ && SUCCEEDED(control_->SetDeviceIndex(index)); }

}  // namespace orvane
