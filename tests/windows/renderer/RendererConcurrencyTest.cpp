// The renderer under concurrent use, as the application and its property page use it while a graph
// streams: one thread switches the virtual camera back and forth, another pushes pictures directly,
// a third changes zoom and rotation, while this thread looks at what each device receives. Every frame
// a device holds must be whole (a direct push's uniform picture, or a webcam frame whose pattern
// reads), every call must succeed, and at the end no object of the module may be left.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testing {
namespace {

// Direct pushes are uniform YUY2 pictures of the webcam's size, so that both kinds of frame share the
// delivery buffer without it ever growing: a push that wrote into a graph frame (or the other way
// round) shows as a mixed picture rather than as a crash.
constexpr int32_t kWidth = 640, kHeight = 480;
constexpr BYTE kPushValue = 0x5B;

class NimbRendererConcurrency : public RendererTest {};

// What a device holds now, if anything: false when the frame is neither a whole direct push (uniform,
// cropped and turned as the settings were) nor a whole webcam frame (its pattern reads, and no row of
// it is a push's).
bool FrameIsWhole(const DeviceWatch& device, int& pushes, int& webcam) {
  FrameHeader header{};
  std::vector<uint8_t> pixels;
  if (!device.Latest(header, pixels)) return true;
  if (header.pixelType != FramePixelType::YUY2) return false;
  const size_t row = static_cast<size_t>(header.stride);
  const auto uniform = [&](size_t first, size_t count) {
    return std::all_of(pixels.begin() + first, pixels.begin() + first + count, [](uint8_t v) { return v == kPushValue; });
  };
  if (uniform(0, row)) {
    ++pushes;
    return uniform(0, pixels.size());
  }
  ++webcam;
  const PatternReading reading = ReadTestPattern(header, pixels.data(), pixels.size());
  EXPECT_TRUE(reading.found) << "webcam frame " << header.width << "x" << header.height << ": " << reading.failure;
  for (size_t offset = 0; offset + row <= pixels.size(); offset += row) {
    if (uniform(offset, row)) return false;
  }
  return reading.found;
}

TEST_F(NimbRendererConcurrency, SelectionPushesAndSettingsWhileAGraphStreams) {
  const InstalledCameras devices(2);
  ASSERT_EQ(devices.result(), S_OK);
  const CameraRegistration webcam({CameraConfig{L"", {L"YUY2 640x480@60"}}});
  ASSERT_EQ(webcam.registered(), S_OK);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  const ComPtr<INimbRenderer> control = ControlOf(renderer.Get());
  ASSERT_TRUE(control);
  auto graph = std::make_unique<WebcamGraph>();
  ASSERT_EQ(graph->Build(renderer.Get()), S_OK);
  ASSERT_HRESULT_SUCCEEDED(graph->Run());

  const DeviceWatch first(0), second(1);
  const uint64_t before[] = {first.frames(), second.frames()};
  std::atomic<bool> stop{false};
  INimbRenderer* shared = control.Get();
  std::future<HRESULT> selector = RunOnThread([shared, &stop] {
    for (int round = 0; round < 5000 && !stop; ++round) {
      const HRESULT hr = round % 5 == 4 ? shared->SetDeviceName(L"Orvane #2") : shared->SetDeviceIndex(round % 2);
      if (hr != S_OK) return hr;
    }
    return S_OK;
  });
  std::future<HRESULT> pusher = RunOnThread([shared, &stop] {
    const std::vector<BYTE> picture(kWidth * kHeight * 2, kPushValue);
    for (int round = 0; round < 1500 && !stop; ++round) {
      const HRESULT hr = shared->PushFrameYUY2(picture.data(), kWidth, kHeight, 0);
      if (hr != S_OK) return hr;
    }
    return S_OK;
  });
  std::future<HRESULT> settings = RunOnThread([shared, &stop] {
    for (int round = 0; round < 200000 && !stop; ++round) {
      const int zoom = round % 11;
      HRESULT hr = shared->SetZoom(zoom, zoom == 0 ? 0 : (round % 3) - 1, 0);
      if (hr == S_OK) hr = shared->SetRotate(round % 7 == 0);
      if (hr != S_OK) return hr;
    }
    return S_OK;
  });

  // Look at the devices until the pushes are done and enough webcam frames were seen meanwhile (or a
  // worker ends at its own bound): selection and settings go on while only the webcam's frames arrive.
  int pushes = 0, webcamFrames = 0;
  bool whole = true;
  std::optional<uint64_t> afterPushes;  // frames both devices had when the pushes ended
  while (StillRunning(selector) || StillRunning(pusher) || StillRunning(settings)) {
    whole = FrameIsWhole(first, pushes, webcamFrames) && FrameIsWhole(second, pushes, webcamFrames) && whole;
    if (!afterPushes && !StillRunning(pusher)) afterPushes = first.frames() + second.frames();
    // Two seconds of webcam frames after the pushes.
    if (!whole || (afterPushes && first.frames() + second.frames() >= *afterPushes + 120)) stop = true;
    selector.wait_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(Join(selector), S_OK);
  EXPECT_EQ(Join(pusher), S_OK);
  EXPECT_EQ(Join(settings), S_OK);
  EXPECT_TRUE(whole) << "a device received a mixed frame";
  EXPECT_GT(pushes, 0);
  EXPECT_GT(webcamFrames, 0);
  EXPECT_GT(first.frames(), before[0]);
  EXPECT_GT(second.frames(), before[1]);

  // The stream went on throughout.
  ASSERT_EQ(control->SetZoom(0, 0, 0), S_OK);
  ASSERT_EQ(control->SetRotate(FALSE), S_OK);
  ASSERT_EQ(control->SetDeviceIndex(0), S_OK);
  const uint64_t streaming = first.frames();
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, kWidth, kHeight), S_OK);
  std::vector<uint8_t> pixels;
  EXPECT_TRUE(client.WaitForPattern(true, pixels)) << "the webcam's frames still arrive";
  EXPECT_GT(first.frames(), streaming);
  ASSERT_HRESULT_SUCCEEDED(client.Stop());
  graph.reset();
}

}  // namespace
}  // namespace orvane::testing
