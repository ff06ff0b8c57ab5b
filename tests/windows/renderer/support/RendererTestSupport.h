// Helpers of the renderer tests: NimbRenderer.ax loaded from the program folder as the application
// loads it (LoadLibrary, DllGetClassObject), the synthetic webcam connected to a renderer as the
// application's graphs connect it (the graph manager may place a decoder between), and a look at what
// a virtual camera device last received (its shared state, as the device's own clients read it).
// Test threads with COM initialised.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/state/DeviceState.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tools/testcam/pattern/TestPattern.h"
#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"
#include "shared/FrameFormat.h"
#include "shared/INimbRenderer.h"

namespace orvane::testing {

class RendererModule {
 public:
  RendererModule();
  RendererModule(const RendererModule&) = delete;
  RendererModule& operator=(const RendererModule&) = delete;

  bool loaded() const { return static_cast<bool>(module_); }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
  // A new renderer filter through the module's class factory.
  HRESULT CreateRenderer(ComPtr<IBaseFilter>& filter) const;
  HRESULT CanUnloadNow() const;
  HRESULT Register() const;
  HRESULT Unregister() const;
  HMODULE handle() const { return module_.get(); }

 private:
  HRESULT Call(const char* name) const;
  UniqueModule module_;
};

// The renderer's control interface; a test failure (and null) when it is refused.
ComPtr<INimbRenderer> ControlOf(IBaseFilter* renderer);

// The names of the filters in `graph`, in the graph's order; empty without a graph.
std::vector<std::wstring> FilterNames(IGraphBuilder* graph);

// Frames at the client until one carries the webcam's pattern as produced in `format` (at most 300).
bool WaitForWebcamFrame(CameraClient& client, PatternFormat format, PatternReading& reading);

// A graph with the registered synthetic webcam's capture pin connected to `renderer` by the graph
// manager (IGraphBuilder::Connect). Stopped and released with the object.
class WebcamGraph {
 public:
  WebcamGraph() = default;
  ~WebcamGraph();
  WebcamGraph(const WebcamGraph&) = delete;
  WebcamGraph& operator=(const WebcamGraph&) = delete;

  // Webcam `camera` (0-based among the registered ones) in its default format.
  HRESULT Build(IBaseFilter* renderer, int camera = 0);
  HRESULT Run();
  HRESULT Pause();
  HRESULT Stop();
  IGraphBuilder* graph() const { return graph_.Get(); }
  // The filters of the graph, for finding what the graph manager placed between.
  std::vector<std::wstring> FilterNames() const;

 private:
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
};

// What virtual camera device `number` holds, read without registering as a client.
class DeviceWatch {
 public:
  explicit DeviceWatch(int32_t number);
  bool ok() const { return static_cast<bool>(state_); }
  uint64_t frames() const { return state_ ? state_->FrameCounter() : 0; }
  // The latest frame record's header and pixels; false when the device has none.
  bool Latest(FrameHeader& header, std::vector<uint8_t>& pixels) const;
  state::StateSettings settings() const;

 private:
  std::unique_ptr<state::DeviceState> state_;
};

// The base of renderer tests: COM, the module, and at the end the check that every object the module
// made is gone again (DllCanUnloadNow), after the test's own TearDown released what it held.
class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(module_.loaded());
  }
  void TearDown() override { EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "objects of the renderer module are still alive"; }

  ComInitialization com_;
  RendererModule module_;
};

}  // namespace orvane::testing
