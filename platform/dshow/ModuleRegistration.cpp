#include "platform/dshow/ModuleRegistration.h"

#include <uuids.h>

#include <vector>

#include "platform/com/ComBoundary.h"
#include "platform/com/ComInitialization.h"
#include "platform/com/ComServerKeys.h"
#include "platform/win/WindowsError.h"

namespace orvane {
namespace {

bool IsNotFound(HRESULT hr) {
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The version-2 pin descriptions of a filter's registration data.
std::vector<REGFILTERPINS2> PinsVersion2(const FilterRegistration& data) {
  std::vector<REGFILTERPINS2> pins;
  for (const FilterPinRegistration& pin : data.pins) {
    REGFILTERPINS2 described{};
    described.dwFlags = pin.flags;
    described.cInstances = pin.instances;
    described.nMediaTypes = static_cast<UINT>(pin.mediaTypes.size());
    described.lpMediaType = pin.mediaTypes.data();
    described.clsPinCategory = pin.category;
    pins.push_back(described);
  }
  return pins;
}

// Version 1 of the same: what IFilterMapper-era tools read.
std::vector<REGFILTERPINS> PinsVersion1(const FilterRegistration& data) {
  std::vector<REGFILTERPINS> pins;
  for (const FilterPinRegistration& pin : data.pins) {
    REGFILTERPINS described{};
    described.strName = const_cast<LPWSTR>(pin.name != nullptr ? pin.name : L"");
    described.bRendered = (pin.flags & REG_PINFLAG_B_RENDERER) != 0;
    described.bOutput = (pin.flags & REG_PINFLAG_B_OUTPUT) != 0;
    described.bZero = (pin.flags & REG_PINFLAG_B_ZERO) != 0;
    described.bMany = (pin.flags & REG_PINFLAG_B_MANY) != 0;
    described.nMediaTypes = static_cast<UINT>(pin.mediaTypes.size());
    described.lpMediaType = pin.mediaTypes.data();
    pins.push_back(described);
  }
  return pins;
}

HRESULT RegisterVersion1(IFilterMapper2& mapper, const ClassEntry& entry) {
  std::vector<REGFILTERPINS> pins = PinsVersion1(*entry.filter);
  REGFILTER2 description{};
  description.dwVersion = 1;
  description.dwMerit = entry.filter->merit;
  description.cPins = static_cast<ULONG>(pins.size());
  description.rgPins = pins.data();
  return mapper.RegisterFilter(*entry.clsid, entry.name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                               &description);
}

// The older mapper, for systems without IFilterMapper2: filter, pins and pin types one by one.
HRESULT RegisterWithOldMapper(IFilterMapper& mapper, const ClassEntry& entry) {
  HRESULT hr = mapper.UnregisterFilter(*entry.clsid);
  if (FAILED(hr) && !IsNotFound(hr)) return hr;
  hr = mapper.RegisterFilter(*entry.clsid, entry.name, entry.filter->merit);
  if (FAILED(hr)) return hr;
  for (const REGFILTERPINS& pin : PinsVersion1(*entry.filter)) {
    hr = mapper.RegisterPin(*entry.clsid, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                            GUID_NULL, nullptr);
    if (FAILED(hr)) return hr;
    for (UINT i = 0; i < pin.nMediaTypes; ++i) {
      hr = mapper.RegisterPinType(*entry.clsid, pin.strName, *pin.lpMediaType[i].clsMajorType,
                                  *pin.lpMediaType[i].clsMinorType);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT RegisterFilters(std::span<const ClassEntry> classes) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) {
    ComPtr<IFilterMapper> oldMapper;
    hr = ::CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&oldMapper));
    if (FAILED(hr)) return hr;
    for (const ClassEntry& entry : classes) {
      if (entry.filter == nullptr) continue;
      hr = RegisterWithOldMapper(*oldMapper.Get(), entry);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }
  for (const ClassEntry& entry : classes) {
    if (entry.filter == nullptr) continue;
    hr = UnregisterFilterFromCategory(*mapper.Get(), *entry.clsid, CLSID_LegacyAmFilterCategory, nullptr);
    if (FAILED(hr)) return hr;
    hr = RegisterVersion1(*mapper.Get(), entry);
    if (FAILED(hr)) return hr;
  }
  hr = S_OK;
  for (const ClassEntry& entry : classes) {
    if (entry.filter == nullptr) continue;
    hr = RegisterFilterInCategory(*mapper.Get(), entry, CLSID_LegacyAmFilterCategory, nullptr, entry.name);
    if (FAILED(hr)) return hr;
  }
  return hr;
}

HRESULT UnregisterFilters(std::span<const ClassEntry> classes) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  for (const ClassEntry& entry : classes) {
    if (entry.filter == nullptr) continue;
    hr = UnregisterFilterFromCategory(*mapper.Get(), *entry.clsid, CLSID_LegacyAmFilterCategory, nullptr);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// The registrations made under the class name as instance name (by earlier versions or other tools).
HRESULT UnregisterNamedFilters(std::span<const ClassEntry> classes) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  for (const ClassEntry& entry : classes) {
    if (entry.filter == nullptr) continue;
    hr = UnregisterFilterFromCategory(*mapper.Get(), *entry.clsid, CLSID_LegacyAmFilterCategory, entry.name);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT GetModulePath(std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(ModuleInstance(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return LastErrorResult();
    if (length < buffer.size()) {
      buffer.resize(length);
      path = std::move(buffer);
      return S_OK;
    }
    if (buffer.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    buffer.resize(buffer.size() * 2);
  }
}

HRESULT RegisterFilterInCategory(IFilterMapper2& mapper, const ClassEntry& entry, const CLSID& category,
                                 const wchar_t* instanceName, const wchar_t* friendlyName,
                                 ComPtr<IMoniker>* moniker) {
  if (entry.filter == nullptr) return E_INVALIDARG;
  return GuardComCall([&] {
    std::vector<REGFILTERPINS2> pins = PinsVersion2(*entry.filter);
    REGFILTER2 description{};
    description.dwVersion = 2;
    description.dwMerit = entry.filter->merit;
    description.cPins2 = static_cast<ULONG>(pins.size());
    description.rgPins2 = pins.data();
    IMoniker** monikerOut = moniker != nullptr ? moniker->ReleaseAndGetAddressOf() : nullptr;
    return mapper.RegisterFilter(*entry.clsid, friendlyName, monikerOut, &category, instanceName, &description);
  });
}

HRESULT UnregisterFilterFromCategory(IFilterMapper2& mapper, const CLSID& clsid, const CLSID& category,
                                     const wchar_t* instanceName) {
  const HRESULT hr = mapper.UnregisterFilter(&category, instanceName, clsid);
  return IsNotFound(hr) ? S_OK : hr;
}

HRESULT RegisterServer(std::span<const ClassEntry> classes) {
  return GuardComCall([&] {
    std::wstring modulePath;
    HRESULT hr = GetModulePath(modulePath);
    if (FAILED(hr)) return hr;
    for (const ClassEntry& entry : classes) {
      hr = RegisterInprocServer(ClassesRoot::Merged, *entry.clsid, entry.name, modulePath);
      if (FAILED(hr)) return hr;
    }
    const ComInitialization com;
    if (!com.ok()) return com.result();
    return RegisterFilters(classes);
  });
}

HRESULT UnregisterServer(std::span<const ClassEntry> classes) {
  return GuardComCall([&] {
    const ComInitialization com;
    if (!com.ok()) return com.result();
    HRESULT hr = UnregisterFilters(classes);
    if (FAILED(hr)) return hr;
    for (const ClassEntry& entry : classes) {
      hr = UnregisterInprocServer(ClassesRoot::Merged, *entry.clsid);
      if (FAILED(hr)) return hr;
    }
    return UnregisterNamedFilters(classes);
  });
}

}  // namespace orvane
