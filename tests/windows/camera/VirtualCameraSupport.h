// Helpers of the virtual camera tests: devices installed with the installer library for one test (all
// removed again at its end), the video input category as call apps see it, the device's property set,
// camclient.exe processes and named events. Test threads with COM initialised.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/devcon/DeviceInstaller.h"
#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"
#include "shared/VirtualCameraProperties.h"
#include "tools/camclient/CameraSession.h"
#include "tools/camclient/VideoDevices.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testing {

// Generous: other builds share this machine.
inline constexpr DWORD kProcessTimeoutMs = 60000;

// The program folder (full path, ending in a backslash), where NimbCamera.ax, devcon.exe and
// camclient.exe are built.
std::wstring ProgramFolder();

// What the video input category lists: device path -> friendly name.
std::map<std::wstring, std::wstring> ListedVideoInputs();

// `count` virtual camera devices, named as devcon names them ("Orvane", or "Orvane #1", ...), with the
// program folder's NimbCamera.ax; any earlier devices of the hardware id are removed first.
class InstalledCameras {
 public:
  explicit InstalledCameras(int32_t count);
  ~InstalledCameras();
  InstalledCameras(const InstalledCameras&) = delete;
  InstalledCameras& operator=(const InstalledCameras&) = delete;

  HRESULT result() const { return result_; }
  const std::vector<devcon::InstalledDevice>& devices() const { return devices_; }
  // Removes every device of the hardware id; S_OK when none is left.
  static HRESULT RemoveAll();

 private:
  HRESULT result_ = E_FAIL;
  std::vector<devcon::InstalledDevice> devices_;
};

// Device `number` as the system device enumerator lists it; false when it is not listed.
bool FindListedDevice(int32_t number, camclient::VideoDevice& device);
// Its capture filter bound from the moniker, as a call app binds it; null when not listed.
ComPtr<IBaseFilter> BindDevice(int32_t number);
// The filter's IKsPropertySet; null when it has none.
ComPtr<IKsPropertySet> PropertiesOf(IBaseFilter* filter);

// Set and Get of VirtualCameraPropertySet with a payload of exactly the record's size.
template <typename T>
HRESULT SetProperty(IKsPropertySet* properties, DWORD id, const T& payload) {
  T copy = payload;
  return properties->Set(VirtualCameraPropertySet, id, nullptr, 0, &copy, sizeof copy);
}
template <typename T>
HRESULT GetProperty(IKsPropertySet* properties, DWORD id, T& payload) {
  std::memset(&payload, 0, sizeof payload);
  DWORD returned = 0;
  return properties->Get(VirtualCameraPropertySet, id, nullptr, 0, &payload, sizeof payload, &returned);
}

// camclient.exe of the program folder, started with `arguments`; killed when the object goes.
class ClientProcess {
 public:
  explicit ClientProcess(const std::wstring& arguments);
  ~ClientProcess();
  ClientProcess(const ClientProcess&) = delete;
  ClientProcess& operator=(const ClientProcess&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  HANDLE handle() const { return process_.get(); }
  // The exit code, or -1 when the process did not end within `milliseconds`.
  long Finish(DWORD milliseconds = kProcessTimeoutMs);
  // Ends the process at once, as a crash would, and waits until it is gone.
  void Kill();

 private:
  UniqueHandle process_;
};

// One client of device `number` in this process, as a call app opens it, keeping the last frame.
class CameraClient {
 public:
  HRESULT Open(int32_t number, FramePixelType layout, int32_t width, int32_t height);
  // The frame that arrives after `count` more frames (settings changed before take effect by then).
  bool Next(std::vector<uint8_t>& pixels, int count = 3);
  // Frames until one carries the pattern (`present`) or none does; false when that does not happen in time.
  bool WaitForPattern(bool present, std::vector<uint8_t>& pixels);
  // Frames until one shows a producer picture of the given size: the device keeps showing the last
  // frame of an earlier producer until the new one's first push.
  bool WaitForProducerSize(uint16_t width, uint16_t height, std::vector<uint8_t>& pixels);
  PatternReading Read(const std::vector<uint8_t>& pixels) const;
  FrameHeader geometry() const { return session_.geometry(); }
  // The device's capture filter in the client's graph.
  IBaseFilter* source() const { return session_.source(); }
  HRESULT Stop() { return session_.Stop(); }

 private:
  bool WaitForReading(const std::function<bool(const PatternReading&)>& wanted, std::vector<uint8_t>& pixels);

  camclient::CameraSession session_;
};

// A manual-reset named event whose name is unique to this process.
struct NamedEvent {
  explicit NamedEvent(const wchar_t* role);
  bool Wait(DWORD milliseconds = kProcessTimeoutMs) const;
  std::wstring name;
  UniqueHandle event;
};

}  // namespace orvane::testing
