#include "tools/camclient/CameraSession.h"

#include <cstdlib>

#include "platform/dshow/VideoCapability.h"

namespace orvane::camclient {
namespace {

std::optional<FramePixelType> LayoutOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return FramePixelType::YUY2;
  if (subtype == MEDIASUBTYPE_NV12) return FramePixelType::NV12;
  if (subtype == MEDIASUBTYPE_RGB24) return FramePixelType::RGB24;
  if (subtype == MEDIASUBTYPE_RGB32) return FramePixelType::RGB32;
  return std::nullopt;
}

}  // namespace

HRESULT ChooseCaptureFormat(IAMStreamConfig& config, const FormatRequest& request, MediaType& chosen) {
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
    if (request.layout && *request.layout != *layout) continue;
    if (request.width != 0 && (header->biWidth != request.width || std::abs(header->biHeight) != request.height)) {
      continue;
    }
    if (request.fps > 0) {
      const REFERENCE_TIME interval = 10000000 / request.fps;
      if (interval < caps.MinFrameInterval || interval > caps.MaxFrameInterval) continue;
      hr = chosen.Assign(*type);
      if (FAILED(hr)) return hr;
      reinterpret_cast<VIDEOINFOHEADER*>(chosen->pbFormat)->AvgTimePerFrame = interval;
      return S_OK;
    }
    return chosen.Assign(*type);
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

CameraSession::~CameraSession() { Stop(); }

HRESULT CameraSession::Open(const VideoDevice& device, const FormatRequest& request, const char** what) {
  const auto fail = [&](const char* step, HRESULT hr) {
    if (what != nullptr) *what = step;
    return hr;
  };
  HRESULT hr = BindCaptureFilter(device, source_);
  if (FAILED(hr)) return fail("binding the capture filter", hr);
  hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_));
  if (FAILED(hr)) return fail("creating the filter graph", hr);
  ComPtr<ICaptureGraphBuilder2> builder;
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
  if (SUCCEEDED(hr)) hr = builder->SetFiltergraph(graph_.Get());
  if (FAILED(hr)) return fail("creating the capture graph builder", hr);
  hr = graph_->AddFilter(source_.Get(), L"Video Capture");
  if (FAILED(hr)) return fail("adding the capture filter", hr);

  ComPtr<IAMStreamConfig> config;
  hr = builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source_.Get(), IID_IAMStreamConfig,
                              reinterpret_cast<void**>(config.GetAddressOf()));
  if (FAILED(hr)) return fail("finding the capture pin's stream configuration", hr);
  if (request.any()) {
    MediaType format;
    hr = ChooseCaptureFormat(*config.Get(), request, format);
    if (FAILED(hr)) return fail("finding the asked format among the capabilities", hr);
    hr = config->SetFormat(&format.get());
    if (FAILED(hr)) return fail("IAMStreamConfig::SetFormat", hr);
  }

  hr = ComObject<CaptureSink>::Create(sink_);
  if (FAILED(hr)) return fail("creating the sink", hr);
  hr = graph_->AddFilter(sink_->AsBaseFilter(), L"Camera Client");
  if (SUCCEEDED(hr)) {
    hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source_.Get(), nullptr, sink_->AsBaseFilter());
  }
  if (FAILED(hr)) return fail("connecting the capture pin to the sink", hr);
  hr = sink_->InputPinOf().GetConnectionType(connection_);
  if (FAILED(hr)) return fail("reading the connection", hr);
  hr = graph_.As(&control_);
  if (FAILED(hr)) return fail("finding the graph's media control", hr);
  return S_OK;
}

HRESULT CameraSession::Run() { return control_ ? control_->Run() : E_UNEXPECTED; }

HRESULT CameraSession::Stop() { return control_ ? control_->Stop() : S_FALSE; }

FrameHeader CameraSession::geometry() const {
  const VideoMediaGeometry geometry = GeometryFromMediaType(connection_.get());
  return geometry.ok() ? geometry.frame.header : FrameHeader{};
}

}  // namespace orvane::camclient
