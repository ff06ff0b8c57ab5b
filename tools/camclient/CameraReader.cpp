#include "tools/camclient/CameraReader.h"

#include <cstdio>

#include "platform/dshow/VideoCapability.h"
#include "platform/win/PerformanceCounter.h"
#include "platform/win/WindowsError.h"
#include "tools/camclient/CameraSession.h"
#include "tools/camclient/PictureFile.h"
#include "tools/camclient/ProcessReport.h"

namespace orvane::camclient {
namespace {

// Time allowed beyond the frames' own duration: the graph may take seconds to start on a busy machine.
constexpr DWORD kStartAllowanceMs = 30000;

int Fail(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return kExitFailed;
}

void Report(const FrameStatistics& statistics, const ClientOptions& options) {
  std::printf("frames: %lld in %.2f s (%.2f fps)\n", static_cast<long long>(statistics.frames()), statistics.Seconds(),
              statistics.Rate());
  std::printf("dropped: %lld (gaps in the time stamps)\n", static_cast<long long>(statistics.skipped()));
  std::printf("pattern: %lld frames, producer frames missed %lld, repeated %lld\n",
              static_cast<long long>(statistics.patternFrames()), static_cast<long long>(statistics.producerMissed()),
              static_cast<long long>(statistics.producerRepeated()));
  if (statistics.patternFrames() > 0) {
    std::printf("latency: mean %.2f ms, p95 %.2f ms, max %.2f ms\n", statistics.LatencyMean(),
                statistics.LatencyPercentile(0.95), statistics.LatencyMax());
  }
  if (options.verify) {
    std::printf("verify %s: %s", OrientationName(*options.verify), statistics.Verified() ? "passed" : "FAILED");
    if (statistics.mismatches() > 0) {
      std::printf(" (%lld frames differ; first: %s)", static_cast<long long>(statistics.mismatches()),
                  statistics.firstMismatch().c_str());
    }
    std::printf("\n");
  }
}

}  // namespace

int ReadCamera(const ClientOptions& options) {
  VideoDevice device;
  HRESULT hr = FindVideoDevice(options.device, false, device);
  if (FAILED(hr)) return Fail("finding the video input device", hr);
  std::printf("device: %s (%s)\n", Printable(device.friendlyName).c_str(), Printable(device.devicePath).c_str());

  CameraSession session;
  const char* step = nullptr;
  hr = session.Open(device, FormatRequest{options.format, options.width, options.height, options.fps}, &step);
  if (FAILED(hr)) return Fail(step, hr);
  std::optional<Expectation> expected;
  if (options.verify) expected = Expectation{*options.verify, options.expectScaleX, options.expectScaleY};
  UniqueHandle ready;
  if (!options.readyEvent.empty()) {
    ready.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, options.readyEvent.c_str()));
    if (!ready) return Fail("opening the ready event", LastErrorResult());
  }
  session.sink().Configure(expected, !options.save.empty(), std::move(ready));
  const FrameHeader geometry = session.geometry();
  const REFERENCE_TIME interval = FrameIntervalOf(session.connection());
  std::printf("format: %s %dx%d at %.3f fps\n", FramePixelTypeName(geometry.pixelType), geometry.width, geometry.height,
              interval > 0 ? 1e7 / static_cast<double>(interval) : 0.0);

  hr = session.Run();
  if (FAILED(hr)) return Fail("running the graph", hr);
  const int64_t started = PerformanceCounterTime();
  bool enough = true;
  if (options.frames > 0) {
    const double frameSeconds = static_cast<double>(options.frames) * static_cast<double>(interval > 0 ? interval : 333333) / 1e7;
    enough = session.sink().WaitForFrames(options.frames, kStartAllowanceMs + static_cast<DWORD>(2000 * frameSeconds));
  } else {
    // Runs the asked time; the frame count that this wait never reaches only bounds it.
    session.sink().WaitForFrames(INT64_MAX, static_cast<DWORD>(options.seconds * 1000));
  }
  session.Stop();
  const double seconds = static_cast<double>(PerformanceCounterTime() - started) / 1e7;

  const std::optional<FrameStatistics> statistics = session.sink().Statistics();
  if (!statistics || statistics->frames() == 0) {
    std::printf("frames: none\n");
    return kExitTooFewFrames;
  }
  Report(*statistics, options);
  PrintProcessTimes(seconds);
  if (!options.save.empty()) {
    FrameHeader saved{};
    std::vector<uint8_t> pixels;
    hr = session.sink().LastFrame(saved, pixels) ? SavePicture(options.save, saved, pixels) : E_FAIL;
    if (FAILED(hr)) return Fail("saving the last frame", hr);
    std::printf("saved: %s\n", Printable(options.save).c_str());
  }
  if (!enough) return kExitTooFewFrames;
  if (options.verify && !statistics->Verified()) return kExitUnverified;
  return kExitDone;
}

}  // namespace orvane::camclient
