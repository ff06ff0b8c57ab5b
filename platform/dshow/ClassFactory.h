// The class table of a COM server module and what it drives: the class factory, DllGetClassObject,
// DllCanUnloadNow and DllMain's bookkeeping (registration is in ModuleRegistration.h). A module
// defines one static table of ClassEntry and calls these helpers from its exports; the table is
// read-only, so every helper may be called from any thread.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <span>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"

namespace orvane {

// One pin of a filter's registration (IFilterMapper2): flags are REG_PINFLAG_B_* values.
struct FilterPinRegistration {
  const wchar_t* name;  // needed by the older IFilterMapper only
  DWORD flags;
  UINT instances;
  std::span<const REGPINTYPES> mediaTypes;
  const CLSID* category;  // pin category, or null
};

struct FilterRegistration {
  DWORD merit;
  std::span<const FilterPinRegistration> pins;
};

// Creates one object of a class. On success `object` holds the object's non-delegating IUnknown with
// one reference; on failure nothing is left behind. `outer` is the aggregating object or null.
using CreateFunction = HRESULT (*)(IUnknown* outer, ComPtr<IUnknown>& object);

struct ClassEntry {
  const wchar_t* name;       // the class name: registry default value, filter name
  const CLSID* clsid;
  CreateFunction create;
  const FilterRegistration* filter = nullptr;  // null: not a DirectShow filter
  void (*moduleHook)(bool attach) = nullptr;   // run by DllMain on process attach and detach
};

// The create function of a class whose objects are ComObject<T> built from its default constructor.
template <typename T>
HRESULT CreateComInstance(IUnknown* outer, ComPtr<IUnknown>& object) {
  return ComObject<T>::CreateAggregatable(outer, object);
}

// The factory for one class table entry.
class ClassFactory : public ComObjectRoot, public IClassFactory {
 public:
  using Interfaces = InterfaceList<IClassFactory>;

  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  const ClassEntry& entry_;
};

// DllGetClassObject: a new factory for `clsid` with one reference, for IClassFactory or IUnknown only.
HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid, void** out);

// DllCanUnloadNow: S_OK when the module has no live object and no server lock, else S_FALSE.
HRESULT CanUnloadNow();

// DllMain: records the module and runs the classes' module hooks. Returns TRUE.
BOOL HandleModuleEntry(std::span<const ClassEntry> classes, HINSTANCE instance, DWORD reason);

// The module whose resources (dialogs, strings) and path the framework uses: the one DllMain recorded,
// else the executable.
HINSTANCE ModuleInstance();
// The platform id (VER_PLATFORM_WIN32_NT) recorded at process attach; 0 before.
DWORD ModulePlatformId();

}  // namespace orvane
