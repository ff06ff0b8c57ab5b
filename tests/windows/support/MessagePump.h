// Serving the test thread's window messages while a test waits for something its windows (or a graph's
// notifications to them) bring about. Test threads only.
#pragma once

#include <windows.h>

#include <functional>

namespace orvane::testing {

// Dispatches the thread's messages until `done` holds, looking at least every 10 ms; false when it
// still does not hold after `milliseconds`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 10000) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Dispatches the thread's messages for `milliseconds`.
inline void Pump(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

}  // namespace orvane::testing
