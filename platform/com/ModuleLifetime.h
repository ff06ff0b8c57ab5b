// The module-wide counters that decide whether a COM server may be unloaded: live objects created by
// the module and server locks (IClassFactory::LockServer). Each module (DLL or executable) that links
// this library has its own pair. Callable from any thread; the counters are atomic.
#pragma once

namespace orvane {

class ModuleLifetime {
 public:
  static void ObjectCreated() noexcept;
  static void ObjectDestroyed() noexcept;
  static void Lock() noexcept;
  static void Unlock() noexcept;

  static long Objects() noexcept;
  static long Locks() noexcept;
  // True when no object is alive and no lock is held: DllCanUnloadNow answers S_OK.
  static bool CanUnload() noexcept;
};

}  // namespace orvane
