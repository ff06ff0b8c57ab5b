// Which virtual camera this instance serves, decided by named mutexes in the global namespace: one
// instance runs per virtual camera device, and each feeds the device whose mutex it created. The
// mutexes carry a low integrity label and no access list, so that instances of any integrity level see
// each other. User-interface thread, at start-up.
#pragma once

#include <windows.h>

#include "platform/win/UniqueResource.h"

namespace orvane {

struct InstanceClaim {
  bool won = false;    // a mutex was created new, or the instance runs without one (see ClaimInstance)
  int deviceIndex = 0;
  int deviceCount = 1;
  UniqueHandle mutex;  // held until the program ends; null when running without one
};

// With fewer than two virtual cameras: "Global\OrvaneMutex"; the instance runs unless it already
// existed (a mutex that cannot be created at all lets it run without one). With n >= 2: the first of
// the n device mutexes that this process creates new decides the device index (count n), and that
// device's settings key is created; a mutex that already existed or failed moves on to the next.
InstanceClaim ClaimInstance(int virtualCameraCount);

}  // namespace orvane
