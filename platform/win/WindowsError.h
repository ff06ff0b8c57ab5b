// Win32 failures as HRESULTs, the currency of every module's results. Any thread.
#pragma once

#include <windows.h>

namespace orvane {

// The calling thread's last error as an HRESULT. A function that failed without setting one still
// failed: that gives E_FAIL, never the S_OK that HRESULT_FROM_WIN32(0) would make of it.
inline HRESULT LastErrorResult() noexcept {
  const DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// A status code of the registry and other LSTATUS functions: S_OK for ERROR_SUCCESS.
inline HRESULT ResultFromStatus(LSTATUS status) noexcept {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

}  // namespace orvane
