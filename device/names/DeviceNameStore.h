// The names of the virtual camera devices as the system keeps them: in each device's entry of the
// video input category (what call apps list) and in its "Device Parameters" key (which keeps the name
// while the device is disabled). Registry only, so that the camera filter, which runs inside every
// call app, can rename its device without the installer's libraries. Any thread; results are
// HRESULTs with Windows errors passed through.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvane::device {

// The device's current name: its video input entry's, else its Device Parameters', else `fallback`.
std::wstring ReadDeviceName(int32_t number, const std::wstring& fallback);

// Gives device `number` a new friendly name where the video input category lists it and in its
// "Device Parameters" key, so that it keeps the name when disabled and enabled again. Both are
// machine-wide entries that only administrators may change: without those rights the call fails with
// E_ACCESSDENIED (HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)) and changes nothing. Fails with
// ERROR_FILE_NOT_FOUND for a device that is not installed, E_INVALIDARG for an empty name or a number
// outside 0..kMaxDeviceNumber.
HRESULT RenameDevice(int32_t number, const std::wstring& name);

}  // namespace orvane::device
