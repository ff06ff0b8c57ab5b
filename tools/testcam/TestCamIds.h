// The synthetic webcam's identity and configuration, shared by its module (TestCam.ax), the tests
// and the demo tools.
//
// Configuration, read when the module registers (DllRegisterServer) and when a camera is opened,
// under HKEY_CURRENT_USER\Software\Halvyn\TestCam:
//   Count          REG_DWORD  number of cameras to register, 1..16 (default 1)
//   <n>\           one subkey per camera n = 0, 1, ...
//     FriendlyName   REG_SZ       (default "Orvane Test Camera", "Orvane Test Camera 2", ...)
//     Formats        REG_MULTI_SZ formats in CameraFormat text, the first is the default
//                                 (default: DefaultCameraFormats())
//     CameraControl  REG_DWORD    0: the camera has no IAMCameraControl (default 1)
//     PropertyPages  REG_DWORD    0: the filter and its pin offer no property pages (default 1)
//     Busy           REG_DWORD    1: the camera is in use by another program and refuses to start;
//                                 read at every start (default 0)
//     Fault          REG_DWORD    1: the camera fails while it streams (the graph aborts with an error);
//                                 2: it is pulled out while it streams (the graph reports the device
//                                 lost); read at every frame (default 0)
// Each camera is listed in the video input category with its FriendlyName, a DevicePath of the form
// \\?\usb#vid_4f52&pid_0c0n&mi_00#testcam_n#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global and
// CameraIndex n.
// Constants and a pure function; any thread.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

namespace orvane::testcam {

// {0C8A3E21-6B7D-4F19-9E52-4A1D3C6B7E01}
inline constexpr CLSID kCameraClsid = {0x0C8A3E21, 0x6B7D, 0x4F19, {0x9E, 0x52, 0x4A, 0x1D, 0x3C, 0x6B, 0x7E, 0x01}};
// {0C8A3E21-6B7D-4F19-9E52-4A1D3C6B7E02}: the camera-control page of the filter.
inline constexpr CLSID kCameraControlPageClsid = {0x0C8A3E21, 0x6B7D, 0x4F19, {0x9E, 0x52, 0x4A, 0x1D, 0x3C, 0x6B, 0x7E, 0x02}};
// {0C8A3E21-6B7D-4F19-9E52-4A1D3C6B7E03}: the format page of the capture pin.
inline constexpr CLSID kFormatPageClsid = {0x0C8A3E21, 0x6B7D, 0x4F19, {0x9E, 0x52, 0x4A, 0x1D, 0x3C, 0x6B, 0x7E, 0x03}};

inline constexpr wchar_t kModuleFileName[] = L"TestCam.ax";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Halvyn\\TestCam";
inline constexpr int kMaxCameras = 16;

// The camera's error when another program holds it, as Windows capture drivers report it.
inline constexpr HRESULT kCameraBusy = HRESULT_FROM_WIN32(ERROR_NO_SYSTEM_RESOURCES);
// The camera's error when it fails while streaming.
inline constexpr HRESULT kCameraFailed = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);

enum class CameraFault : DWORD { None = 0, Fails = 1, Unplugged = 2 };

inline std::wstring DevicePathOf(int index) {
  wchar_t path[160];
  std::swprintf(path, 160, L"\\\\?\\usb#vid_4f52&pid_0c%02x&mi_00#testcam_%d#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
                index, index);
  return path;
}

}  // namespace orvane::testcam
