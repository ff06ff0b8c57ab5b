// The boundary between C++ and COM: COM methods, DLL exports, window procedures and thread entry
// points run their body through GuardComCall so that no exception crosses them. Any thread.
#pragma once

#include <windows.h>

#include <new>

namespace orvane {

// Runs `body`, which returns an HRESULT; an exception that escapes it becomes E_OUTOFMEMORY (allocation)
// or E_UNEXPECTED (anything else).
template <typename Body>
HRESULT GuardComCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace orvane
