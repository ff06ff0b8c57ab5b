#include "tests/windows/camera/VirtualCameraSupport.h"

#include <gtest/gtest.h>

#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"

namespace orvane::testing {
namespace {

constexpr wchar_t kHardwareId[] = L"Orvane";
constexpr DWORD kFrameWaitMs = 20000;

}  // namespace

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self(path, length);
  std::wstring folder = self.substr(0, self.find_last_of(L"\\/") + 1) + ORVANE_PROGRAM_FOLDER + L"\\";
  wchar_t full[MAX_PATH];
  const DWORD fullLength = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
  return fullLength > 0 && fullLength < MAX_PATH ? std::wstring(full, fullLength) : folder;
}

std::map<std::wstring, std::wstring> ListedVideoInputs() {
  std::map<std::wstring, std::wstring> listed;
  std::vector<camclient::VideoDevice> devices;
  EXPECT_EQ(camclient::ListVideoDevices(devices), S_OK);
  for (const camclient::VideoDevice& device : devices) {
    if (!device.devicePath.empty()) listed[device.devicePath] = device.friendlyName;
  }
  return listed;
}

InstalledCameras::InstalledCameras(int32_t count) {
  result_ = RemoveAll();
  if (FAILED(result_)) return;
  const devcon::DeviceDefinition definition{kHardwareId, L"Halvyn", L"Nimb_WDM", L"Orvane",
                                            ProgramFolder() + kNimbCameraModuleName, count};
  result_ = devcon::InstallDevices(definition, devices_);
}

InstalledCameras::~InstalledCameras() { EXPECT_EQ(RemoveAll(), S_OK) << "the devices could not be removed"; }

HRESULT InstalledCameras::RemoveAll() {
  std::vector<devcon::InstalledDevice> devices;
  HRESULT result = devcon::FindDevices(kHardwareId, devices);
  for (const devcon::InstalledDevice& device : devices) {
    if (SUCCEEDED(result)) result = devcon::RemoveDevice(device, kHardwareId);
  }
  return result;
}

bool FindListedDevice(int32_t number, camclient::VideoDevice& device) {
  std::vector<camclient::VideoDevice> devices;
  if (FAILED(camclient::ListVideoDevices(devices))) return false;
  const std::wstring path = device::DevicePath(number);
  for (camclient::VideoDevice& candidate : devices) {
    if (_wcsicmp(candidate.devicePath.c_str(), path.c_str()) == 0) {
      device = std::move(candidate);
      return true;
    }
  }
  return false;
}

ComPtr<IBaseFilter> BindDevice(int32_t number) {
  camclient::VideoDevice device;
  ComPtr<IBaseFilter> filter;
  if (!FindListedDevice(number, device)) {
    ADD_FAILURE() << "device " << number << " is not listed";
    return filter;
  }
  EXPECT_EQ(camclient::BindCaptureFilter(device, filter), S_OK);
  return filter;
}

ComPtr<IKsPropertySet> PropertiesOf(IBaseFilter* filter) {
  ComPtr<IKsPropertySet> properties;
  if (filter != nullptr) {
    EXPECT_EQ(filter->QueryInterface(IID_PPV_ARGS(&properties)), S_OK);
  }
  return properties;
}

ClientProcess::ClientProcess(const std::wstring& arguments) {
  const std::wstring folder = ProgramFolder();
  std::wstring line = L"\"" + folder + L"camclient.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
  }
  EXPECT_TRUE(process_) << "cannot start camclient.exe: " << GetLastError();
}

ClientProcess::~ClientProcess() { Kill(); }

long ClientProcess::Finish(DWORD milliseconds) {
  if (!process_ || WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return static_cast<long>(code);
}

void ClientProcess::Kill() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), kProcessTimeoutMs);
  }
}

HRESULT CameraClient::Open(int32_t number, FramePixelType layout, int32_t width, int32_t height) {
  camclient::VideoDevice device;
  if (!FindListedDevice(number, device)) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  HRESULT hr = session_.Open(device, {layout, width, height, 0});
  if (FAILED(hr)) return hr;
  session_.sink().Configure(std::nullopt, true, UniqueHandle());
  return session_.Run();
}

bool CameraClient::Next(std::vector<uint8_t>& pixels, int count) {
  const std::optional<camclient::FrameStatistics> statistics = session_.sink().Statistics();
  const int64_t seen = statistics ? statistics->frames() : 0;
  FrameHeader geometry{};
  return session_.sink().WaitForFrames(seen + count, kFrameWaitMs) && session_.sink().LastFrame(geometry, pixels);
}

bool CameraClient::WaitForReading(const std::function<bool(const PatternReading&)>& wanted,
                                  std::vector<uint8_t>& pixels) {
  const ULONGLONG deadline = GetTickCount64() + kFrameWaitMs;
  while (GetTickCount64() < deadline) {
    if (!Next(pixels, 1)) return false;
    if (wanted(Read(pixels))) return true;
  }
  return false;
}

bool CameraClient::WaitForPattern(bool present, std::vector<uint8_t>& pixels) {
  return WaitForReading([present](const PatternReading& reading) { return reading.found == present; }, pixels);
}

bool CameraClient::WaitForProducerSize(uint16_t width, uint16_t height, std::vector<uint8_t>& pixels) {
  return WaitForReading(
      [width, height](const PatternReading& reading) {
        return reading.found && reading.payload.width == width && reading.payload.height == height;
      },
      pixels);
}

PatternReading CameraClient::Read(const std::vector<uint8_t>& pixels) const {
  return ReadTestPattern(geometry(), pixels.data(), pixels.size());
}

NamedEvent::NamedEvent(const wchar_t* role) {
  static int counter = 0;
  name = L"Local\\OrvaneCameraTest." + std::wstring(role) + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
         std::to_wstring(++counter);
  event.reset(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
}

bool NamedEvent::Wait(DWORD milliseconds) const {
  return event && WaitForSingleObject(event.get(), milliseconds) == WAIT_OBJECT_0;
}

}  // namespace orvane::testing
