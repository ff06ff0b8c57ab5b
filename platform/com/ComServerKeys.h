// The registry keys that make an in-process COM server's class creatable: "CLSID\{clsid}" named after
// the class, with "InprocServer32" naming the module and its threading model. Written alike by a
// module's own DllRegisterServer and by installers that register a module for the whole machine.
// Results are HRESULTs with Windows errors passed through. Any thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace orvane {

// Where class keys go: the merged HKEY_CLASSES_ROOT view, as self-registration writes them, or the
// machine's own classes (HKEY_LOCAL_MACHINE\Software\Classes), as an installer for every user does.
enum class ClassesRoot { Merged, Machine };

// "{xxxxxxxx-xxxx-...}" in upper case, as the registry writes CLSIDs.
std::wstring GuidToRegistryString(const GUID& guid);

// "CLSID\{clsid}" = className, "InprocServer32" = modulePath with ThreadingModel "Both". Writing the
// same again changes nothing; a registry error stops the work and nothing is rolled back.
HRESULT RegisterInprocServer(ClassesRoot root, const GUID& clsid, std::wstring_view className,
                             std::wstring_view modulePath);

// Removes "CLSID\{clsid}" with its subkeys; a class that is not registered counts as removed.
HRESULT UnregisterInprocServer(ClassesRoot root, const GUID& clsid);

}  // namespace orvane
