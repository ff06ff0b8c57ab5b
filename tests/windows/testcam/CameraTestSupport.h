// Helpers of the synthetic webcam's tests: its configuration and registration for one test (both
// removed again when the test ends), the devices the system device enumerator lists, the capture
// pin's IAMStreamConfig as applications find it, and JPEG decoding. Test threads only.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"

namespace orvane::testing {

struct CameraConfig {
  std::wstring friendlyName;         // empty: the default
  std::vector<std::wstring> formats;  // empty: the default list
  bool cameraControl = true;
  bool propertyPages = true;
};

// Writes the settings of `cameras`, loads TestCam.ax from the program folder and registers it; the
// destructor unregisters it and deletes the settings.
class CameraRegistration {
 public:
  explicit CameraRegistration(const std::vector<CameraConfig>& cameras);
  ~CameraRegistration();
  CameraRegistration(const CameraRegistration&) = delete;
  CameraRegistration& operator=(const CameraRegistration&) = delete;

  HRESULT registered() const { return registered_; }
  HRESULT Unregister();
  HRESULT CanUnloadNow();
  static void SetBusy(int camera, bool busy);
  // 0: none; 1: fails while streaming; 2: pulled out while streaming (see TestCamIds.h).
  static void SetFault(int camera, DWORD fault);

 private:
  UniqueModule module_;
  HRESULT registered_ = E_FAIL;
};

struct ListedCamera {
  std::wstring friendlyName;
  std::wstring devicePath;
  ComPtr<IMoniker> moniker;
};

// The synthetic cameras among the video input devices, in the enumerator's order.
std::vector<ListedCamera> ListTestCameras();
// Whether any entry of the video input category still names the synthetic camera's class.
bool AnyTestCameraEntryLeft();
ComPtr<IBaseFilter> BindCamera(const ListedCamera& camera);
// The capture pin's IAMStreamConfig, found as applications find it (ICaptureGraphBuilder2).
ComPtr<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter);

// Decodes a JPEG into a top-down 24-bit BGR picture with rows of `stride` bytes.
HRESULT DecodeJpeg(const std::vector<BYTE>& jpeg, std::vector<BYTE>& bgr, int& width, int& height, int& stride);

}  // namespace orvane::testing
