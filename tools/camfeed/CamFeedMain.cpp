// camfeed.exe: feeds a webcam or a video file through the renderer into a virtual camera with Orvane.exe's
// own graph owner (CDSRender): NimbRenderer.ax is created from this program's folder as the application
// creates it, the webcam's capture format is chosen through the stored-format rule, a file plays in a
// loop, and the graph runs for the asked time. It then reports what reached the virtual camera (the
// device's own frame counter), the frame rate and the CPU time per frame of this process.
//
//   camfeed [--camera NAME|N | --file PATH] [--format YUY2|NV12|RGB24|RGB32 --size WxH --fps N]
//           [--seconds S] [--zoom Z] [--pan X,Y] [--rotate] [--device-index N]
// Exit codes: 0 done, 1 bad command line, 2 failed (no webcam, no virtual camera, no connection, no frames).
// One thread, a single-threaded apartment as the application's user-interface thread is.
#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/devices/FilterModule.h"
#include "app/graph/CDSRender.h"
#include "device/camera/state/DeviceState.h"
#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/ControlInterfaces.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/UniqueResource.h"
#include "shared/INimbRenderer.h"
#include "shared/device/DeviceNaming.h"
#include "tools/camclient/CameraSession.h"
#include "tools/camclient/ClientOptions.h"
#include "tools/camclient/ProcessReport.h"
#include "tools/camclient/VideoDevices.h"

using namespace orvane;
using namespace orvane::camclient;

namespace {


// Where camfeed keeps the capture format it asks for, in the application's value names.
constexpr wchar_t kSettingsKey[] = L"Software\\Halvyn\\CamFeed";

struct FeedOptions {
  std::wstring camera;  // empty: the first video input device that is not a virtual camera
  std::wstring file;    // a video file to play instead of a webcam
  FormatRequest format;
  double seconds = 10;
  int zoom = 0, panX = 0, panY = 0;
  bool rotate = false;
  std::optional<int> deviceIndex;
};

bool ParseNumber(const wchar_t* text, long minimum, long maximum, long& value) {
  wchar_t* end = nullptr;
  const long parsed = std::wcstol(text, &end, 10);
  if (end == text || *end != 0 || parsed < minimum || parsed > maximum) return false;
  value = parsed;
  return true;
}

std::optional<FeedOptions> ParseOptions(int argc, wchar_t** argv) {
  FeedOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring name = argv[i];
    if (name == L"--rotate") {
      options.rotate = true;
      continue;
    }
    if (i + 1 >= argc) return std::nullopt;
    const wchar_t* value = argv[++i];
    long number = 0, second = 0;
    if (name == L"--camera") {
      options.camera = value;
    } else if (name == L"--file") {
      options.file = value;
    } else if (name == L"--format") {
      const std::optional<FramePixelType> layout = ParseLayout(value);
      if (!layout) return std::nullopt;
      options.format.layout = *layout;
    } else if (name == L"--size") {
      const wchar_t* x = std::wcschr(value, L'x');
      if (x == nullptr) return std::nullopt;
      if (!ParseNumber(std::wstring(value, x).c_str(), 1, 16384, number) || !ParseNumber(x + 1, 1, 16384, second)) {
        return std::nullopt;
      }
      options.format.width = static_cast<int32_t>(number);
      options.format.height = static_cast<int32_t>(second);
    } else if (name == L"--fps") {
      if (!ParseNumber(value, 1, 1000, number)) return std::nullopt;
      options.format.fps = static_cast<int32_t>(number);
    } else if (name == L"--seconds") {
      if (!ParseNumber(value, 1, 86400, number)) return std::nullopt;
      options.seconds = static_cast<double>(number);
    } else if (name == L"--zoom") {
      if (!ParseNumber(value, 0, 40, number)) return std::nullopt;
      options.zoom = static_cast<int>(number);
    } else if (name == L"--pan") {
      const wchar_t* comma = std::wcschr(value, L',');
      if (comma == nullptr) return std::nullopt;
      if (!ParseNumber(std::wstring(value, comma).c_str(), -40, 40, number) || !ParseNumber(comma + 1, -40, 40, second)) {
        return std::nullopt;
      }
      options.panX = static_cast<int>(number);
      options.panY = static_cast<int>(second);
    } else if (name == L"--device-index") {
      if (!ParseNumber(value, 0, 1000, number)) return std::nullopt;
      options.deviceIndex = static_cast<int>(number);
    } else {
      return std::nullopt;
    }
  }
  // The stored-format rule matches a whole capability: all three or none.
  const FormatRequest& format = options.format;
  if (format.any() && (!format.layout || format.width == 0 || format.fps == 0)) return std::nullopt;
  if (!options.file.empty() && (format.any() || !options.camera.empty())) return std::nullopt;
  return options;
}

const char* kUsage =
    "usage: camfeed [--camera NAME|N | --file PATH] [--format YUY2|NV12|RGB24|RGB32 --size WxH --fps N]\n"
    "               [--seconds S] [--zoom Z] [--pan X,Y] [--rotate] [--device-index N]\n";

int Fail(const char* what, HRESULT hr) {
  std::printf("camfeed: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return kExitFailed;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path, length);
  return self.substr(0, self.find_last_of(L"\\/") + 1);
}

const char* SubtypeName(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return "YUY2";
  if (subtype == MEDIASUBTYPE_NV12) return "NV12";
  if (subtype == MEDIASUBTYPE_RGB24) return "RGB24";
  if (subtype == MEDIASUBTYPE_RGB32) return "RGB32";
  if (subtype == MEDIASUBTYPE_MJPG) return "MJPG";
  return "other";
}

// The webcam and the virtual cameras in the enumerator's order (the renderer's "index" counts those).
HRESULT FindDevices(const std::wstring& selector, VideoDevice& webcam, std::vector<VideoDevice>& virtualCameras) {
  std::vector<VideoDevice> devices;
  HRESULT hr = ListVideoDevices(devices);
  if (FAILED(hr)) return hr;
  bool found = false;
  for (VideoDevice& device : devices) {
    ComPtr<IBaseFilter> filter;
    const bool isVirtual = SUCCEEDED(BindCaptureFilter(device, filter)) && IsVirtualCameraFilter(filter.Get());
    if (isVirtual) {
      virtualCameras.push_back(device);
      continue;
    }
    if (found) continue;
    const bool byIndex = !selector.empty() && selector.find_first_not_of(L"0123456789") == std::wstring::npos;
    if (selector.empty() || (byIndex && std::to_wstring(device.index) == selector) || device.friendlyName == selector) {
      webcam = device;
      found = true;
    }
  }
  return found ? S_OK : HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

const GUID& Subtype(FramePixelType layout) {
  switch (layout) {
    case FramePixelType::RGB24: return MEDIASUBTYPE_RGB24;
    case FramePixelType::RGB32: return MEDIASUBTYPE_RGB32;
    case FramePixelType::YUY2: return MEDIASUBTYPE_YUY2;
    case FramePixelType::NV12: return MEDIASUBTYPE_NV12;
  }
  return MEDIASUBTYPE_YUY2;
}

// Writes the asked capture format where CDSRender looks for the stored one; the key goes with the object.
class StoredFormat {
 public:
  explicit StoredFormat(const FormatRequest& format) {
    registry::DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    if (!format.any()) return;
    UniqueRegKey key;
    if (registry::CreateKey(HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE, key) != ERROR_SUCCESS) return;
    wchar_t subtype[40] = {};
    ::StringFromGUID2(Subtype(*format.layout), subtype, 40);
    registry::WriteTextAt(HKEY_CURRENT_USER, kSettingsKey, L"cap_format", subtype);
    for (const auto& [name, value] : {std::pair{L"cap_width", format.width}, std::pair{L"cap_height", format.height},
                                      std::pair{L"cap_fps", format.fps}}) {
      const DWORD number = static_cast<DWORD>(value);
      ::RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
  }
  ~StoredFormat() { registry::DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey); }
  StoredFormat(const StoredFormat&) = delete;
  StoredFormat& operator=(const StoredFormat&) = delete;
};

// Runs the graph for `seconds`, handing window messages to the apartment meanwhile, as the application's
// message loop does; a file that ends starts again, as in the application. False when the graph stops
// with an error.
bool RunFor(CDSRender& graph, HWND owner, UINT ownerMessage, double seconds) {
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return true;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == owner && message.message == ownerMessage) {
        if (message.wParam == EC_COMPLETE) {
          graph.SeekMs(0);
          continue;
        }
        std::printf("camfeed: the graph stopped (event %lld)\n", static_cast<long long>(message.wParam));
        return false;
      }
      ::DispatchMessageW(&message);
    }
  }
}

int Feed(const FeedOptions& options) {
  VideoDevice webcam;
  std::vector<VideoDevice> virtualCameras;
  HRESULT hr = FindDevices(options.camera, webcam, virtualCameras);
  // A file needs no webcam; the virtual cameras are listed all the same.
  if (FAILED(hr) && (options.file.empty() || hr != HRESULT_FROM_WIN32(ERROR_NOT_FOUND))) {
    return Fail("finding the webcam", hr);
  }

  int result = kExitDone;
  {
    ComPtr<IBaseFilter> renderer;
    if (!CreateFilterFromModule(ProgramFolder() + L"NimbRenderer.ax", CLSID_NimbRenderer, renderer)) {
      return Fail("creating the renderer from NimbRenderer.ax", E_FAIL);
    }
    ComPtr<INimbRenderer> control;
    hr = renderer.As(&control);
    if (FAILED(hr)) return Fail("asking the renderer for its control interface (no virtual camera?)", hr);
    const int index = options.deviceIndex.value_or(0);
    if (options.deviceIndex) control->SetDeviceIndex(index);
    if (index >= static_cast<int>(virtualCameras.size())) return Fail("finding that virtual camera", E_INVALIDARG);
    hr = control->SetZoom(options.zoom, options.panX, options.panY);
    if (FAILED(hr)) return Fail("setting the zoom", hr);
    control->SetRotate(options.rotate ? TRUE : FALSE);
    const VideoDevice& target = virtualCameras[index];
    const std::optional<int32_t> number = device::DeviceNumberFromPath(target.devicePath);
    std::unique_ptr<state::DeviceState> device;
    if (number) state::DeviceState::Open(*number, device);

    // Graph events reach this message-only window as the application's main window gets them.
    const UINT ownerMessage = ::RegisterWindowMessageW(L"camfeed graph event");
    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const StoredFormat storedFormat(options.format);
    CDSRender graph(kSettingsKey);
    graph.SetRenderer(renderer.Get());
    graph.SetOwner(owner, ownerMessage);
    if (options.file.empty()) {
      DeviceRecord record{webcam.friendlyName, webcam.devicePath, webcam.moniker};
      if (!graph.OpenDevice(record)) return Fail("opening the webcam's graph into the renderer", E_FAIL);
    } else if (!graph.OpenFile(options.file, 0)) {
      return Fail("opening the file's graph into the renderer", E_FAIL);
    }

    ComPtr<IEnumPins> pins;
    ComPtr<IPin> input;
    AM_MEDIA_TYPE connection{};
    if (SUCCEEDED(renderer->EnumPins(&pins)) && pins->Next(1, &input, nullptr) == S_OK &&
        SUCCEEDED(input->ConnectionMediaType(&connection))) {
      const VideoMediaGeometry geometry = GeometryFromMediaType(connection);
      std::printf("source: %s\nrenderer: connected %s %dx%d, feeding virtual camera \"%s\" (device %d)\n",
                  Printable(options.file.empty() ? webcam.friendlyName : options.file).c_str(),
                  SubtypeName(connection.subtype),
                  geometry.frame.header.width, geometry.frame.header.height, Printable(target.friendlyName).c_str(),
                  number.value_or(-1));
      FreeMediaTypeContent(connection);
    }
    std::printf("settings: zoom %d, pan %d,%d, rotation %s\n", options.zoom, options.panX, options.panY,
                options.rotate ? "on" : "off");
    std::fflush(stdout);

    hr = graph.Run();
    if (FAILED(hr)) return Fail("running the graph", hr);
    const uint64_t framesBefore = device ? device->FrameCounter() : 0;
    const double cpuBefore = ProcessCpuSeconds();
    const ULONGLONG started = ::GetTickCount64();
    const bool ran = RunFor(graph, owner, ownerMessage, options.seconds);
    const double elapsed = static_cast<double>(::GetTickCount64() - started) / 1000.0;
    const uint64_t frames = device ? device->FrameCounter() - framesBefore : 0;
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    int clients = 0;
    control->GetClientCount(&clients);
    graph.Cleanup();
    ::DestroyWindow(owner);
    std::printf("fed: %llu frames in %.1f s (%.2f fps) into the virtual camera; %d client(s) reading at the end\n",
                static_cast<unsigned long long>(frames), elapsed, elapsed > 0 ? frames / elapsed : 0.0, clients);
    std::printf("cpu per frame: %.2f ms (webcam and renderer, %.1f%% of one core)\n",
                frames > 0 ? 1000.0 * cpu / static_cast<double>(frames) : 0.0, elapsed > 0 ? 100.0 * cpu / elapsed : 0.0);
    PrintProcessTimes(elapsed);
    if (!ran || frames == 0) result = kExitFailed;
  }
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<FeedOptions> options = ParseOptions(argc, argv);
  if (!options) {
    std::printf("%s", kUsage);
    return kExitUsage;
  }
  const ComInitialization com(COINIT_APARTMENTTHREADED);
  if (!com.ok()) return kExitFailed;
  const int code = Feed(*options);
  std::fflush(stdout);
  return code;
}
