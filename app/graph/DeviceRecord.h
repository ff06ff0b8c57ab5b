// One camera of the list the user picks the source from: its friendly name and device path as the
// video input category reports them (empty when unreadable) and its moniker, owned by the record and
// released with it. Records belong to the CDeviceEnumerator that made them; a graph binds its own
// capture filter from the moniker and keeps nothing of the record. User-interface thread only.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

#include "platform/com/ComPtr.h"

namespace orvane {

struct DeviceRecord {
  std::wstring friendlyName;
  std::wstring devicePath;
  ComPtr<IMoniker> moniker;
};

}  // namespace orvane
