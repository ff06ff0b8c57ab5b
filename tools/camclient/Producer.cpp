#include "tools/camclient/Producer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win/PerformanceCounter.h"
#include "platform/win/UniqueResource.h"
#include "shared/VirtualCameraProperties.h"
#include "tools/camclient/ProcessReport.h"
#include "tools/camclient/VideoDevices.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::camclient {
namespace {

PatternFormat PatternFormatOf(FramePixelType type) {
  switch (type) {
    case FramePixelType::RGB24: return PatternFormat::RGB24;
    case FramePixelType::RGB32: return PatternFormat::RGB32;
    case FramePixelType::YUY2: return PatternFormat::YUY2;
    case FramePixelType::NV12: return PatternFormat::NV12;
  }
  return PatternFormat::Other;
}

// Waits until `due` on the performance counter's clock (100-ns units).
void WaitUntil(HANDLE timer, int64_t due) {
  const int64_t remaining = due - PerformanceCounterTime();
  if (remaining <= 0) return;
  LARGE_INTEGER relative;
  relative.QuadPart = -remaining;
  if (SetWaitableTimer(timer, &relative, 0, nullptr, nullptr, FALSE)) WaitForSingleObject(timer, INFINITE);
}

}  // namespace

int Produce(const ClientOptions& options) {
  VideoDevice device;
  HRESULT hr = FindVideoDevice(options.device, true, device);
  ComPtr<IBaseFilter> filter;
  if (SUCCEEDED(hr)) hr = BindCaptureFilter(device, filter);
  if (FAILED(hr) || !IsVirtualCameraFilter(filter.Get())) {
    std::printf("no virtual camera found (0x%08lx)\n", static_cast<unsigned long>(hr));
    return kExitFailed;
  }
  ComPtr<IKsPropertySet> camera;
  filter.As(&camera);
  std::printf("device: %s (%s)\n", Printable(device.friendlyName).c_str(), Printable(device.devicePath).c_str());
  if (options.output) {
    OutputFormat output = *options.output;
    hr = camera->Set(VirtualCameraPropertySet, kPropertyOutputFormat, nullptr, 0, &output, sizeof output);
    if (FAILED(hr)) {
      std::printf("setting the output format failed: 0x%08lx\n", static_cast<unsigned long>(hr));
      return kExitFailed;
    }
  }

  const FramePixelType type = *options.format;
  const CheckedFrame frame = CheckFrameGeometry({type, options.width, options.height, 0});
  if (!frame.ok()) {
    std::printf("cannot make %s frames of %dx%d: %s\n", FramePixelTypeName(type), options.width, options.height,
                DescribeGeometryError(frame.error));
    return kExitUsage;
  }
  std::vector<uint8_t> record(frame.recordSize());
  std::memcpy(record.data(), &frame.header, sizeof frame.header);
  UniqueHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) return kExitFailed;

  const int64_t interval = 10000000 / options.fps;
  const int64_t begin = PerformanceCounterTime();
  const int64_t end = options.seconds > 0 ? begin + static_cast<int64_t>(options.seconds * 1e7) : INT64_MAX;
  int64_t pushed = 0, refused = 0;
  int64_t drawing = 0, pushing = 0;  // 100-ns units in total
  HRESULT firstError = S_OK;
  for (int64_t number = 0; options.frames == 0 || number < options.frames; ++number) {
    const int64_t due = begin + number * interval;
    if (due >= end) break;
    WaitUntil(timer.get(), due);
    PatternPayload payload;
    payload.frameNumber = static_cast<uint32_t>(number);
    payload.width = static_cast<uint16_t>(options.width);
    payload.height = static_cast<uint16_t>(options.height);
    payload.format = PatternFormatOf(type);
    const int64_t drawn = PerformanceCounterTime();
    payload.timestamp = static_cast<uint64_t>(drawn);
    WriteTestPattern(frame.header, record.data() + kFrameHeaderSize, record.size() - kFrameHeaderSize, payload);
    const int64_t before = PerformanceCounterTime();
    hr = camera->Set(VirtualCameraPropertySet, kPropertyFrame, nullptr, 0, record.data(),
                     static_cast<DWORD>(record.size()));
    const int64_t after = PerformanceCounterTime();
    drawing += before - drawn;
    pushing += after - before;
    if (SUCCEEDED(hr)) {
      ++pushed;
    } else {
      if (refused++ == 0) firstError = hr;
    }
  }
  const double seconds = static_cast<double>(PerformanceCounterTime() - begin) / 1e7;
  std::printf("produced: %lld frames of %s %dx%d at %d fps in %.2f s", static_cast<long long>(pushed),
              FramePixelTypeName(type), options.width, options.height, options.fps, seconds);
  if (refused > 0) std::printf(", %lld refused (first 0x%08lx)", static_cast<long long>(refused), static_cast<unsigned long>(firstError));
  std::printf("\n");
  const double frames = static_cast<double>(pushed + refused > 0 ? pushed + refused : 1);
  std::printf("per frame: drawing %.2f ms, push %.2f ms\n", static_cast<double>(drawing) / frames / 1e4,
              static_cast<double>(pushing) / frames / 1e4);
  PrintProcessTimes(seconds);
  return refused == 0 && pushed > 0 ? kExitDone : kExitFailed;
}

}  // namespace orvane::camclient
