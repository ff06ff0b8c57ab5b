// Finds one of Orvane's virtual cameras among the system's video input devices: every device whose
// capture filter reports the Set bit for property 0 of VirtualCameraPropertySet counts as one, in the
// system device enumerator's order. The caller chooses the n-th of them, the first with a given friendly
// name, or the first. Any thread with COM initialised; what it finds belongs to the caller.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/com/ComPtr.h"

namespace orvane {

struct DeviceChoice {
  int64_t index = 0;  // n >= 1: the n-th virtual camera (counted from 1); 0 or less: not by index
  std::wstring name;  // with no index: the first virtual camera with exactly this friendly name
};

struct FoundCamera {
  ComPtr<IKsPropertySet> properties;   // of the device's capture filter
  std::optional<int32_t> deviceNumber;  // from its device path; absent when the path carries none
};

// S_OK with `found` set when a virtual camera matches; S_FALSE, leaving `found` alone, when none does
// (also when the category is empty); the failure of the system device enumerator otherwise.
HRESULT FindVirtualCamera(const DeviceChoice& choice, FoundCamera& found);

}  // namespace orvane
