#include "platform/dshow/ClassFactory.h"

#include <atomic>

#include "platform/com/ComBoundary.h"
#include "platform/com/ModuleLifetime.h"

namespace orvane {
namespace {

std::atomic<HINSTANCE> moduleInstance{nullptr};
std::atomic<DWORD> platformId{0};

}  // namespace

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  // An aggregated object hands its outer object nothing but its non-delegating IUnknown.
  if (outer != nullptr && iid != IID_IUnknown) return E_NOINTERFACE;
  return GuardComCall([&] {
    ComPtr<IUnknown> object;
    const HRESULT created = entry_.create(outer, object);
    if (FAILED(created)) return created;
    if (!object) return E_OUTOFMEMORY;
    // The creation reference is released when `object` goes: a failed query deletes the object.
    return object->QueryInterface(iid, out);
  });
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ModuleLifetime::Lock();
  } else {
    ModuleLifetime::Unlock();
  }
  return S_OK;
}

HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IClassFactory && iid != IID_IUnknown) return E_NOINTERFACE;
  for (const ClassEntry& entry : classes) {
    if (*entry.clsid != clsid) continue;
    ComPtr<ComObject<ClassFactory>> factory;
    if (FAILED(ComObject<ClassFactory>::Create(factory, entry))) return E_OUTOFMEMORY;
    *out = static_cast<IClassFactory*>(factory.Detach());
    return S_OK;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return ModuleLifetime::CanUnload() ? S_OK : S_FALSE; }

BOOL HandleModuleEntry(std::span<const ClassEntry> classes, HINSTANCE instance, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    moduleInstance.store(instance);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (::GetVersionExW(&version)) platformId.store(version.dwPlatformId);
#pragma GCC diagnostic pop
    for (const ClassEntry& entry : classes) {
      if (entry.moduleHook != nullptr) entry.moduleHook(true);
    }
  } else if (reason == DLL_PROCESS_DETACH) {
    for (const ClassEntry& entry : classes) {
      if (entry.moduleHook != nullptr) entry.moduleHook(false);
    }
  }
  return TRUE;
}

HINSTANCE ModuleInstance() {
  const HINSTANCE recorded = moduleInstance.load();
  return recorded != nullptr ? recorded : ::GetModuleHandleW(nullptr);
}

DWORD ModulePlatformId() { return platformId.load(); }

}  // namespace orvane
