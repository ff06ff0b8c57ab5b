// The video input devices as a call app finds them: the system device enumerator's video input
// category, each device's "FriendlyName" and "DevicePath" from its property bag, and its capture filter
// bound from the moniker (the test that tells Orvane's virtual cameras apart is
// platform/dshow/VideoInputDevices.h). Any thread with COM initialised; results are the
// caller's.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/VideoInputDevices.h"

namespace orvane::camclient {

struct VideoDevice {
  int index = 0;  // position in the enumerator's list
  std::wstring friendlyName;
  std::wstring devicePath;
  ComPtr<IMoniker> moniker;
};

// S_OK with the devices in enumeration order (none when the category is empty).
HRESULT ListVideoDevices(std::vector<VideoDevice>& devices);

// The device `selector` names: all digits, its index; otherwise its exact friendly name; empty, the
// first device, or with `virtualCameraOnly` the first virtual camera. HRESULT_FROM_WIN32
// (ERROR_NOT_FOUND) when none matches.
HRESULT FindVideoDevice(const std::wstring& selector, bool virtualCameraOnly, VideoDevice& device);

// Binds the device's capture filter with a bind context, as applications do.
HRESULT BindCaptureFilter(const VideoDevice& device, ComPtr<IBaseFilter>& filter);

}  // namespace orvane::camclient
