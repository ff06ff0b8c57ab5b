// NimbCamera.ax: the class table of the virtual camera's capture filter. devcon.exe writes the same
// class key when it installs the devices and lists each device in the video input category; the
// module's own DllRegisterServer writes only that key, so either way the class names this module.
#include <windows.h>

#include "device/camera/NimbCamera.h"
#include "platform/dshow/ComServerModule.h"
#include "shared/device/NimbCameraIds.h"

namespace orvane::camera {
namespace {

const ClassEntry kClasses[] = {
    {kNimbCameraClassName, &CLSID_NimbCamera, &CreateComInstance<NimbCamera>},
};

}  // namespace
}  // namespace orvane::camera

const orvane::ComServerDefinition& orvane::ThisComServer() {
  static const ComServerDefinition server{camera::kClasses};
  return server;
}
