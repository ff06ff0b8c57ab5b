// What one synthetic camera is, read from its registry settings (see TestCamIds.h). Any thread;
// every call reads the registry afresh.
#pragma once

#include <string>
#include <vector>

#include "tools/testcam/TestCamIds.h"
#include "tools/testcam/formats/CameraFormat.h"

namespace orvane::testcam {

struct CameraSettings {
  int index = 0;
  std::wstring friendlyName;
  std::wstring devicePath;
  std::vector<CameraFormat> formats;  // entries that do not parse are left out
  bool cameraControl = true;
  bool propertyPages = true;
};

// The number of cameras to register, 1..kMaxCameras.
int ConfiguredCameraCount();
CameraSettings ReadCameraSettings(int index);
bool IsCameraBusy(int index);
CameraFault FaultOf(int index);
// The name of camera `index`'s entry in the video input category.
std::wstring InstanceNameOf(int index);

}  // namespace orvane::testcam
