// Creating a DirectShow filter from its module file without the module being registered: the module
// is loaded by path and asked for its class object through its exported DllGetClassObject. The renderer
// (NimbHelper) and the decoders of file playback are created this way. A module, once loaded, stays
// loaded until the process ends, even when the creation failed: objects it made may outlive any owner
// that could unload it. User-interface thread; nothing is shown on failure.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>

#include "platform/com/ComPtr.h"

namespace orvane {

// The class factory of `classId` in the module at `modulePath`: S_OK, or the loader's error
// (HRESULT_FROM_WIN32 of the last error), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) for a module without
// the export, or what DllGetClassObject answered.
HRESULT GetModuleClassFactory(const std::wstring& modulePath, REFCLSID classId, ComPtr<IClassFactory>& factory);

// A new filter instance of `classId` from the module at `modulePath` (no outer object) into `filter`;
// false, with `filter` left empty, when any step fails.
bool CreateFilterFromModule(const std::wstring& modulePath, REFCLSID classId, ComPtr<IBaseFilter>& filter);

}  // namespace orvane
