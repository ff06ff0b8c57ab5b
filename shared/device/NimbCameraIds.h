// Identifiers of the virtual camera device's capture filter (NimbCamera.ax), shared by the filter
// module and by devcon.exe, which registers the class and lists each device in the video input
// category. Plain constants; any thread.
#pragma once

#include "shared/Guid.h"

namespace orvane {

// CLSID of NimbCamera's capture source filter: {5F039A49-F5CE-4C78-939E-509EA4E0F9A6}. devcon.exe
// registers it under HKLM\Software\Classes\CLSID with InprocServer32 = the full path of NimbCamera.ax
// (beside devcon.exe in the program folder, as driver\Orvane.inf says) and ThreadingModel "Both".
inline constexpr Guid CLSID_NimbCamera = {
    0x5F039A49, 0xF5CE, 0x4C78, {0x93, 0x9E, 0x50, 0x9E, 0xA4, 0xE0, 0xF9, 0xA6}};

inline constexpr wchar_t kNimbCameraClsidText[] = L"{5F039A49-F5CE-4C78-939E-509EA4E0F9A6}";
inline constexpr wchar_t kNimbCameraModuleName[] = L"NimbCamera.ax";
// The class's name: the default value of its CLSID key, written alike by devcon.exe and by the module's
// own DllRegisterServer, and the filter's class name.
inline constexpr wchar_t kNimbCameraClassName[] = L"Orvane virtual camera";

}  // namespace orvane
