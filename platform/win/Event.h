// A Win32 event object owned by this class: the waitable signal of streaming threads, clock advice
// (IReferenceClock signals it) and tests. Set, Reset and Wait from any thread.
#pragma once

#include <windows.h>

#include <new>

#include "platform/win/UniqueResource.h"

namespace orvane {

enum class EventReset { Manual, Automatic };

class Event {
 public:
  // Throws std::bad_alloc when the system has no event left, so that object creation fails with
  // E_OUTOFMEMORY instead of leaving an object that cannot wait.
  explicit Event(EventReset reset, bool signalled = false)
      : handle_(::CreateEventW(nullptr, reset == EventReset::Manual, signalled, nullptr)) {
    if (!handle_) throw std::bad_alloc();
  }

  void Set() const noexcept { ::SetEvent(handle_.get()); }
  void Reset() const noexcept { ::ResetEvent(handle_.get()); }
  // True when the event was signalled within `milliseconds`.
  bool Wait(DWORD milliseconds) const noexcept {
    return ::WaitForSingleObject(handle_.get(), milliseconds) == WAIT_OBJECT_0;
  }
  HANDLE get() const noexcept { return handle_.get(); }

 private:
  UniqueHandle handle_;
};

}  // namespace orvane
