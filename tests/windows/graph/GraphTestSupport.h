// Helpers of the graph engine's tests: a CDSRender over the renderer from NimbRenderer.ax with its own
// settings key, the registered synthetic webcam as a DeviceRecord, an owner window whose forwarded
// events the test collects while it pumps this thread's messages (the message window lives on it),
// and the filters of a graph. Test threads with COM initialised (single-threaded apartment).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/graph/CDSRender.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/support/MessagePump.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {

// The per-device settings key the tests give CDSRender; removed before and after every test.
inline constexpr wchar_t kGraphSettingsKey[] = L"Software\\Halvyn\\Orvane\\GraphTests";

// One forwarded event as the owner receives it.
using OwnerPost = std::pair<WPARAM, LPARAM>;

// A message-only window that only receives; the test takes its posts out of the queue itself.
class OwnerWindow {
 public:
  OwnerWindow();
  ~OwnerWindow();
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND handle() const { return window_; }
  UINT message() const { return message_; }

  // Dispatches this thread's messages until `count` posts of the owner message have arrived or
  // `timeoutMs` has passed; the posts in order of arrival.
  std::vector<OwnerPost> Collect(size_t count, DWORD timeoutMs = 10000);

 private:
  HWND window_ = nullptr;
  UINT message_ = 0;
};

// The first registered synthetic webcam as the application's camera list gives it.
DeviceRecord FirstTestCamera();

// The capture pin's current format: subtype, width, signed height and average time per frame.
struct PinFormat {
  GUID subtype = GUID_NULL;
  LONG width = 0;
  LONG height = 0;
  REFERENCE_TIME averageTimePerFrame = 0;
};
bool CurrentPinFormat(IBaseFilter* camera, PinFormat& format);

void RemoveGraphSettings();
void WriteStoredFormat(const wchar_t* subtype, DWORD width, DWORD height, DWORD fps);

// COM, the renderer module, one renderer filter and the object under test; the settings key is empty
// before and after each test, and the graph is cleaned up before the renderer goes.
class GraphEngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Registers the synthetic webcams for the rest of the test (replacing earlier ones after the graph
  // is cleaned up); their module must outlive every graph that holds one of its filters.
  HRESULT RegisterWebcams(const std::vector<CameraConfig>& cameras);

  ComInitialization com_;
  // Installed before the renderer is made: a renderer finds its virtual camera when it is created.
  InstalledCameras devices_{1};
  RendererModule module_;
  ComPtr<IBaseFilter> renderer_;
  std::unique_ptr<CDSRender> render_;
  std::unique_ptr<CameraRegistration> webcams_;
};

}  // namespace orvane::testing
