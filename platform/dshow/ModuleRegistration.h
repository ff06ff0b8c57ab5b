// DllRegisterServer and DllUnregisterServer for a module's class table: the COM server keys under
// HKEY_CLASSES_ROOT and the DirectShow filter registrations (IFilterMapper2). Also the filter-mapper
// helpers for modules that register instances in other categories (capture devices). Called on the
// thread that runs the registration export; COM is initialised there for the duration of the call.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <span>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/ComServerKeys.h"
#include "platform/dshow/ClassFactory.h"

namespace orvane {

// For every class: "CLSID\{clsid}" = name with "InprocServer32" = module path and ThreadingModel Both.
// Then every filter class is registered with the filter mapper in the DirectShow filter category,
// first as a version-1 description (after removing an earlier one), then once more as a version-2
// description; the result of the last registration is returned. A registry error stops the work and
// is returned as HRESULT_FROM_WIN32; nothing is rolled back.
HRESULT RegisterServer(std::span<const ClassEntry> classes);

// Removes the filter registrations (by CLSID, then by the class name as instance name) and every
// class's "CLSID\{clsid}" key with its subkeys. Registrations that are already gone are not errors.
HRESULT UnregisterServer(std::span<const ClassEntry> classes);

// Registers `entry` in `category` under `instanceName` (null: the CLSID) with `friendlyName` and the
// entry's version-2 filter description. `moniker` (optional) receives the new entry's moniker, whose
// property bag can take further values.
HRESULT RegisterFilterInCategory(IFilterMapper2& mapper, const ClassEntry& entry, const CLSID& category,
                                 const wchar_t* instanceName, const wchar_t* friendlyName,
                                 ComPtr<IMoniker>* moniker = nullptr);

// IFilterMapper2::UnregisterFilter, where a registration that does not exist counts as removed.
HRESULT UnregisterFilterFromCategory(IFilterMapper2& mapper, const CLSID& clsid, const CLSID& category,
                                     const wchar_t* instanceName);

// The full path of the module that ModuleInstance() names.
HRESULT GetModulePath(std::wstring& path);


}  // namespace orvane
