// The physical cameras the user can choose from: every device of the video input category except
// Orvane's own virtual cameras (a virtual camera fed from itself would be a loop), in the order the
// system device enumerator lists them. Names are neither sorted nor numbered: two cameras of one model
// are two records with the same friendly name and different device paths.
//
// Owned by the main window; user-interface thread only (a single-threaded apartment). A record is valid
// until the next EnumerateCameras or the enumerator's end.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "app/graph/DeviceRecord.h"

namespace orvane {

class CDeviceEnumerator {
 public:
  CDeviceEnumerator() = default;
  virtual ~CDeviceEnumerator() = default;
  CDeviceEnumerator(const CDeviceEnumerator&) = delete;
  CDeviceEnumerator& operator=(const CDeviceEnumerator&) = delete;

  // Rebuilds the list. Failures show only as a shorter (possibly empty) list and in the log. Every
  // device's capture filter is created once, for the virtual-camera test, and released at once.
  void EnumerateCameras();

  size_t Count() const { return records_.size(); }
  // The record at `index` (the combo box position); null outside the list.
  const DeviceRecord* At(size_t index) const { return index < records_.size() ? records_[index].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<DeviceRecord>> records_;
};

}  // namespace orvane
