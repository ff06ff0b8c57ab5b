// What a COM server module built with orvane_add_com_server defines once: its class table and,
// optionally, registration steps of its own. ComServerExports.cpp turns it into the module's exports
// (DllMain, DllGetClassObject, DllCanUnloadNow, DllRegisterServer, DllUnregisterServer). The
// definition is constant; the registration steps run on the thread that calls the export.
#pragma once

#include <windows.h>

#include <span>

#include "platform/dshow/ClassFactory.h"

namespace orvane {

struct ComServerDefinition {
  std::span<const ClassEntry> classes;
  // Runs after the class table was registered (for example device instances in a category).
  HRESULT (*registerExtra)() = nullptr;
  // Runs before the class table is unregistered; its failure stops the unregistration.
  HRESULT (*unregisterExtra)() = nullptr;
};

// Defined by the module.
const ComServerDefinition& ThisComServer();

}  // namespace orvane
