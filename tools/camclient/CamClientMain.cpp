// camclient.exe: the camera client of tests, demos and benchmarks (not shipped). See UsageText() in
// ClientOptions.cpp for its command line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/com/ComInitialization.h"
#include "tools/camclient/CameraReader.h"
#include "tools/camclient/ClientOptions.h"
#include "tools/camclient/ProcessReport.h"
#include "tools/camclient/Producer.h"
#include "tools/camclient/VideoDevices.h"

using namespace orvane;
using namespace orvane::camclient;

namespace {

int List() {
  std::vector<VideoDevice> devices;
  const HRESULT hr = ListVideoDevices(devices);
  if (FAILED(hr)) {
    std::printf("listing the video input devices failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    return kExitFailed;
  }
  for (const VideoDevice& device : devices) {
    ComPtr<IBaseFilter> filter;
    const bool ours = SUCCEEDED(BindCaptureFilter(device, filter)) && IsVirtualCameraFilter(filter.Get());
    std::printf("%d: %s%s\n    %s\n", device.index, Printable(device.friendlyName).c_str(),
                ours ? " (virtual camera)" : "", Printable(device.devicePath).c_str());
  }
  std::printf("%zu video input device(s)\n", devices.size());
  return kExitDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const ParseResult parsed = ParseClientOptions(std::vector<std::wstring>(argv + 1, argv + argc));
  if (!parsed.ok) {
    std::printf("camclient: %s\n%s", parsed.error.c_str(), UsageText());
    return kExitUsage;
  }
  // A call app's thread: a single-threaded apartment.
  const ComInitialization com(COINIT_APARTMENTTHREADED);
  if (!com.ok()) return kExitFailed;
  int code = kExitFailed;
  switch (parsed.options.mode) {
    case Mode::List: code = List(); break;
    case Mode::Produce: code = Produce(parsed.options); break;
    case Mode::Read: code = ReadCamera(parsed.options); break;
  }
  std::fflush(stdout);
  return code;
}
