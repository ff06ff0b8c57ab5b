// The exports of every COM server module, driven by the module's ComServerDefinition. Each export is
// a boundary: no exception leaves it.
#include <windows.h>
#include <olectl.h>

#include "platform/com/ComBoundary.h"
#include "platform/dshow/ComServerModule.h"
#include "platform/dshow/ModuleRegistration.h"

using orvane::ThisComServer;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return orvane::HandleModuleEntry(ThisComServer().classes, instance, reason);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return orvane::GetClassObject(ThisComServer().classes, clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return orvane::CanUnloadNow(); }

STDAPI DllRegisterServer() {
  return orvane::GuardComCall([] {
    const orvane::ComServerDefinition& server = ThisComServer();
    const HRESULT hr = orvane::RegisterServer(server.classes);
    if (FAILED(hr) || server.registerExtra == nullptr) return hr;
    return server.registerExtra();
  });
}

STDAPI DllUnregisterServer() {
  return orvane::GuardComCall([] {
    const orvane::ComServerDefinition& server = ThisComServer();
    if (server.unregisterExtra != nullptr) {
      const HRESULT hr = server.unregisterExtra();
      if (FAILED(hr)) return hr;
    }
    return orvane::UnregisterServer(server.classes);
  });
}
