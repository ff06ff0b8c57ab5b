#include "tests/windows/renderer/support/RendererTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainFunction = HRESULT(STDAPICALLTYPE*)();

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

RendererModule::RendererModule() {
  const std::wstring path = ProgramFolder() + L"NimbRenderer.ax";
  module_.reset(::LoadLibraryW(path.c_str()));
  EXPECT_TRUE(module_) << "cannot load NimbRenderer.ax: " << ::GetLastError();
}

HRESULT RendererModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
  const auto function = Export<GetClassObjectFunction>(module_.get(), "DllGetClassObject");
  return function != nullptr ? function(clsid, iid, out) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

HRESULT RendererModule::CreateRenderer(ComPtr<IBaseFilter>& filter) const {
  ComPtr<IClassFactory> factory;
  HRESULT hr = GetClassObject(CLSID_NimbRenderer, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter));
}

HRESULT RendererModule::Call(const char* name) const {
  const auto function = Export<PlainFunction>(module_.get(), name);
  return function != nullptr ? function() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

HRESULT RendererModule::CanUnloadNow() const { return Call("DllCanUnloadNow"); }
HRESULT RendererModule::Register() const { return Call("DllRegisterServer"); }
HRESULT RendererModule::Unregister() const { return Call("DllUnregisterServer"); }

ComPtr<INimbRenderer> ControlOf(IBaseFilter* renderer) {
  ComPtr<INimbRenderer> control;
  EXPECT_EQ(renderer->QueryInterface(IID_PPV_ARGS(&control)), S_OK) << "the control interface is refused";
  return control;
}

WebcamGraph::~WebcamGraph() { Stop(); }

HRESULT WebcamGraph::Build(IBaseFilter* renderer, int camera) {
  const std::vector<ListedCamera> cameras = ListTestCameras();
  if (camera >= static_cast<int>(cameras.size())) return VFW_E_NOT_FOUND;
  const ComPtr<IBaseFilter> webcam = BindCamera(cameras[camera]);
  if (!webcam) return VFW_E_NOT_FOUND;
  graph_ = CreateGraph();
  if (!graph_) return E_FAIL;
  HRESULT hr = graph_.As(&control_);
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(webcam.Get(), L"Webcam");
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(renderer, L"Nimb Renderer");
  if (FAILED(hr)) return hr;
  const ComPtr<IPin> out = FindPin(webcam.Get(), PINDIR_OUTPUT);
  const ComPtr<IPin> in = FindPin(renderer, PINDIR_INPUT);
  if (!out || !in) return VFW_E_NOT_FOUND;
  return graph_->Connect(out.Get(), in.Get());
}

HRESULT WebcamGraph::Run() { return control_ ? control_->Run() : E_UNEXPECTED; }
HRESULT WebcamGraph::Pause() { return control_ ? control_->Pause() : E_UNEXPECTED; }
HRESULT WebcamGraph::Stop() { return control_ ? control_->Stop() : S_OK; }

std::vector<std::wstring> FilterNames(IGraphBuilder* graph) {
  std::vector<std::wstring> names;
  ComPtr<IEnumFilters> filters;
  if (graph == nullptr || FAILED(graph->EnumFilters(&filters))) return names;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    FILTER_INFO info{};
    if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
      names.emplace_back(info.achName);
      if (info.pGraph != nullptr) info.pGraph->Release();
    }
  }
  return names;
}

std::vector<std::wstring> WebcamGraph::FilterNames() const { return testing::FilterNames(graph_.Get()); }

bool WaitForWebcamFrame(CameraClient& client, PatternFormat format, PatternReading& reading) {
  std::vector<uint8_t> pixels;
  for (int frame = 0; frame < 300; ++frame) {
    if (!client.Next(pixels, 1)) return false;
    reading = client.Read(pixels);
    if (reading.found && reading.payload.format == format) return true;
  }
  return false;
}

DeviceWatch::DeviceWatch(int32_t number) {
  EXPECT_EQ(state::DeviceState::Open(number, state_), S_OK) << "device " << number;
}

bool DeviceWatch::Latest(FrameHeader& header, std::vector<uint8_t>& pixels) const {
  if (!state_) return false;
  std::vector<uint8_t> record;
  state::FrameInfo info;
  if (state_->CopyLatestFrame(record, info) != state::StateError::None || record.size() < sizeof header) return false;
  std::memcpy(&header, record.data(), sizeof header);
  pixels.assign(record.begin() + sizeof header, record.end());
  return true;
}

state::StateSettings DeviceWatch::settings() const { return state_ ? state_->Settings() : state::StateSettings{}; }

}  // namespace orvane::testing
