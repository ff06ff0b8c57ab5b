#include "tools/camclient/CameraReader.h"

#include <dshow.h>

#include <cstdio>

#include "platform/com/ComObject.h"
#include "platform/com/PerformanceCounter.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "tools/camclient/CaptureSink.h"
#include "tools/camclient/PictureFile.h"
#include "tools/camclient/ProcessReport.h"
#include "tools/camclient/VideoDevices.h"

namespace orvane::camclient {
namespace {

// Time allowed beyond the frames' own duration: the graph may take seconds to start on a busy machine.
constexpr DWORD kStartAllowanceMs = 30000;

std::optional<FramePixelType> LayoutOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return FramePixelType::YUY2;
  if (subtype == MEDIASUBTYPE_NV12) return FramePixelType::NV12;
  if (subtype == MEDIASUBTYPE_RGB24) return FramePixelType::RGB24;
  if (subtype == MEDIASUBTYPE_RGB32) return FramePixelType::RGB32;
  return std::nullopt;
}

// The first capability with the asked layout and size (either may be left open), with the asked rate.
HRESULT ChooseFormat(IAMStreamConfig& config, const ClientOptions& options, MediaType& chosen) {
  int count = 0, size = 0;
  HRESULT hr = config.GetNumberOfCapabilities(&count, &size);
  if (FAILED(hr)) return hr;
  if (size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) return E_UNEXPECTED;
  for (int index = 0; index < count; ++index) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* raw = nullptr;
    if (config.GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
    const UniqueMediaTypePtr type(raw);
    const BITMAPINFOHEADER* header = BitmapHeaderOf(*type);
    const std::optional<FramePixelType> layout = LayoutOf(type->subtype);
    if (header == nullptr || !layout) continue;
    if (options.format && *options.format != *layout) continue;
    if (options.width != 0 && (header->biWidth != options.width || std::abs(header->biHeight) != options.height)) continue;
    hr = chosen.Assign(*type);
    if (FAILED(hr)) return hr;
    if (options.fps > 0) {
      const REFERENCE_TIME interval = 10000000 / options.fps;
      if (interval < caps.MinFrameInterval || interval > caps.MaxFrameInterval) continue;
      reinterpret_cast<VIDEOINFOHEADER*>(chosen->pbFormat)->AvgTimePerFrame = interval;
    }
    return S_OK;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

int Fail(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return kExitFailed;
}

void Report(const FrameStatistics& statistics, const ClientOptions& options) {
  std::printf("frames: %lld in %.2f s (%.2f fps)\n", static_cast<long long>(statistics.frames()), statistics.Seconds(),
              statistics.Rate());
  std::printf("skipped: %lld\n", static_cast<long long>(statistics.skipped()));
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
  ComPtr<IBaseFilter> source;
  hr = BindCaptureFilter(device, source);
  if (FAILED(hr)) return Fail("binding the capture filter", hr);
  std::printf("device: %s (%s)\n", Printable(device.friendlyName).c_str(), Printable(device.devicePath).c_str());

  ComPtr<IGraphBuilder> graph;
  hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  if (FAILED(hr)) return Fail("creating the filter graph", hr);
  ComPtr<ICaptureGraphBuilder2> builder;
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
  if (SUCCEEDED(hr)) hr = builder->SetFiltergraph(graph.Get());
  if (FAILED(hr)) return Fail("creating the capture graph builder", hr);
  hr = graph->AddFilter(source.Get(), L"Video Capture");
  if (FAILED(hr)) return Fail("adding the capture filter", hr);

  ComPtr<IAMStreamConfig> config;
  hr = builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), IID_IAMStreamConfig,
                              reinterpret_cast<void**>(config.GetAddressOf()));
  if (FAILED(hr)) return Fail("finding the capture pin's stream configuration", hr);
  if (options.width != 0 || options.format || options.fps != 0) {
    MediaType format;
    hr = ChooseFormat(*config.Get(), options, format);
    if (FAILED(hr)) return Fail("finding the asked format among the device's capabilities", hr);
    hr = config->SetFormat(&format.get());
    if (FAILED(hr)) return Fail("IAMStreamConfig::SetFormat", hr);
  }

  ComPtr<ComObject<CaptureSink>> sink;
  hr = ComObject<CaptureSink>::Create(sink);
  if (FAILED(hr)) return Fail("creating the sink", hr);
  std::optional<Expectation> expected;
  if (options.verify) expected = Expectation{*options.verify, options.expectScaleX, options.expectScaleY};
  UniqueHandle ready;
  if (!options.readyEvent.empty()) {
    ready.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, options.readyEvent.c_str()));
    if (!ready) return Fail("opening the ready event", HRESULT_FROM_WIN32(GetLastError()));
  }
  sink->Configure(expected, !options.save.empty(), std::move(ready));
  hr = graph->AddFilter(sink->AsBaseFilter(), L"Camera Client");
  if (SUCCEEDED(hr)) hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), nullptr,
                                                sink->AsBaseFilter());
  if (FAILED(hr)) return Fail("connecting the capture pin to the sink", hr);
  MediaType connected;
  hr = sink->InputPinOf().GetConnectionType(connected);
  if (FAILED(hr)) return Fail("reading the connection", hr);
  const BITMAPINFOHEADER* header = BitmapHeaderOf(connected.get());
  const REFERENCE_TIME interval = FrameIntervalOf(connected.get());
  const std::optional<FramePixelType> layout = LayoutOf(connected->subtype);
  std::printf("format: %s %ldx%ld at %.3f fps\n", layout ? LayoutName(*layout) : "?", header ? header->biWidth : 0,
              header ? header->biHeight : 0, interval > 0 ? 1e7 / static_cast<double>(interval) : 0.0);

  ComPtr<IMediaControl> control;
  hr = graph.As(&control);
  if (SUCCEEDED(hr)) hr = control->Run();
  if (FAILED(hr)) return Fail("running the graph", hr);
  const int64_t started = PerformanceCounterTime();
  bool enough = true;
  if (options.frames > 0) {
    const double frameSeconds = static_cast<double>(options.frames) * (interval > 0 ? interval : 333333) / 1e7;
    enough = sink->WaitForFrames(options.frames, kStartAllowanceMs + static_cast<DWORD>(2000 * frameSeconds));
  } else {
    // Runs the asked time; the frame count that this wait never reaches only bounds it.
    sink->WaitForFrames(INT64_MAX, static_cast<DWORD>(options.seconds * 1000));
  }
  control->Stop();
  const double seconds = static_cast<double>(PerformanceCounterTime() - started) / 1e7;

  const std::optional<FrameStatistics> statistics = sink->Statistics();
  if (!statistics || statistics->frames() == 0) {
    std::printf("frames: none\n");
    return kExitTooFewFrames;
  }
  Report(*statistics, options);
  PrintProcessTimes(seconds);
  if (!options.save.empty()) {
    FrameHeader geometry{};
    std::vector<uint8_t> pixels;
    hr = sink->LastFrame(geometry, pixels) ? SavePicture(options.save, geometry, pixels) : E_FAIL;
    if (FAILED(hr)) return Fail("saving the last frame", hr);
    std::printf("saved: %s\n", Printable(options.save).c_str());
  }
  if (!enough) return kExitTooFewFrames;
  if (options.verify && !statistics->Verified()) return kExitUnverified;
  return kExitDone;
}

}  // namespace orvane::camclient
