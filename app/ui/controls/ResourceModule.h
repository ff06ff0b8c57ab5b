// The module whose resources the controls load (cursors) and name (tooltips): the one that holds this
// code, which is the program itself when the controls are linked into it. Any thread.
#pragma once

#include <windows.h>

namespace orvane {

inline HINSTANCE ResourceModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ResourceModule), &module);
  return module;
}

}  // namespace orvane
