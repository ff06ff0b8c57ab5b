#include "app/graph/CDSRender.h"

#include <dvdmedia.h>
#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/core/AppPaths.h"
#include "app/devices/FilterModule.h"
#include "app/diagnostics/Logger.h"
#include "app/graph/CaptureFormatMatch.h"
#include "app/settings/CWinRegistry.h"
#include "app/settings/SettingsNames.h"
#include "platform/dshow/MediaType.h"
#include "shared/INimbRenderer.h"

namespace orvane {
namespace {

// How long a state query may block the user-interface thread.
constexpr LONG kStateWaitMs = 100;

// The LPARAM values that travel with forwarded graph events.
constexpr LPARAM kCompleteTag = 11;
constexpr LPARAM kAbortTag = 12;
constexpr LPARAM kStopTag = 14;

// The LAV Filters set: module under the program directory, class identifier, name in the graph.
struct FilterModuleEntry {
  const wchar_t* modulePath;
  CLSID classId;
  const wchar_t* graphName;
};
constexpr FilterModuleEntry kSplitter{L"codec\\LAVFilters-x64\\LAVSplitter.ax",
                                      {0xB98D13E7, 0x55DB, 0x4385, {0xA3, 0x3D, 0x09, 0xFD, 0x1B, 0xA2, 0x63, 0x38}},
                                      L"LAV Splitter Source"};
constexpr FilterModuleEntry kVideoDecoder{L"codec\\LAVFilters-x64\\LAVVideo.ax",
                                          {0xEE30215D, 0x164F, 0x4A92, {0xA4, 0xEB, 0x9D, 0x4C, 0x13, 0x39, 0x0F, 0x9F}},
                                          L"LAV Video Decoder"};
constexpr FilterModuleEntry kAudioDecoder{L"codec\\LAVFilters-x64\\LAVAudio.ax",
                                          {0xE8E73B6B, 0x4CB3, 0x44A4, {0xBE, 0x99, 0x4F, 0x7B, 0xCB, 0x96, 0xE4, 0x91}},
                                          L"LAV Audio Decoder"};

// From the module file when it is there, else as a class registered with the system; empty when
// neither works.
ComPtr<IBaseFilter> CreateModuleFilter(const FilterModuleEntry& entry) {
  ComPtr<IBaseFilter> filter;
  const std::wstring path = ProgramFilePath(entry.modulePath);
  if (!path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      CreateFilterFromModule(path, entry.classId, filter)) {
    return filter;
  }
  filter.Reset();
  if (FAILED(::CoCreateInstance(entry.classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)))) filter.Reset();
  return filter;
}

// The filter's first pin of `direction`, enumerated from the start.
ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  if (filter == nullptr || FAILED(filter->EnumPins(&pins)) || !pins) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION pinDirection;
    if (SUCCEEDED(pin->QueryDirection(&pinDirection)) && pinDirection == direction) return pin;
  }
  return nullptr;
}

bool AnyPinConnected(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return false;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) return true;
  }
  return false;
}

graph::GuidValue ToGuidValue(const GUID& guid) {
  graph::GuidValue value;
  value.data1 = guid.Data1;
  value.data2 = guid.Data2;
  value.data3 = guid.Data3;
  for (int i = 0; i < 8; ++i) value.data4[i] = guid.Data4[i];
  return value;
}

// The geometry and frame time of a video media type. A format block shorter than its header is
// treated as another format type, so it never matches and is never read beyond its end.
graph::CapabilityFormat ReadCapability(const AM_MEDIA_TYPE& type) {
  graph::CapabilityFormat capability;
  capability.videoMajorType = type.majortype == MEDIATYPE_Video;
  capability.subtype = ToGuidValue(type.subtype);
  if (type.pbFormat == nullptr) return capability;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    capability.block = graph::VideoFormatBlock::VideoInfo;
    capability.width = header->bmiHeader.biWidth;
    capability.height = header->bmiHeader.biHeight;
    capability.averageTimePerFrame = header->AvgTimePerFrame;
  } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* header = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
    capability.block = graph::VideoFormatBlock::VideoInfo2;
    capability.width = header->bmiHeader.biWidth;
    capability.height = header->bmiHeader.biHeight;
    capability.averageTimePerFrame = header->AvgTimePerFrame;
  }
  return capability;
}

bool IsReadableVideo(const graph::CapabilityFormat& format) {
  return format.videoMajorType && format.block != graph::VideoFormatBlock::Other;
}

// The magnitude of a signed height; INT32_MIN has none that fits and reads as 0 (unusable).
int32_t HeightMagnitude(int32_t height) {
  if (height == INT32_MIN) return 0;
  return height < 0 ? -height : height;
}

const char* ProblemText(graph::StoredFormatProblem problem) {
  switch (problem) {
    case graph::StoredFormatProblem::NotAGuid: return "cap_format is not a GUID";
    case graph::StoredFormatProblem::BadWidth: return "cap_width is not a positive 32-bit width";
    case graph::StoredFormatProblem::BadHeight: return "cap_height is 0 or has no 32-bit magnitude";
    case graph::StoredFormatProblem::BadFrameRate: return "cap_fps is not a positive frame rate";
    case graph::StoredFormatProblem::None: break;
  }
  return "usable";
}

// Frees an ISpecifyPropertyPages list with the object.
struct PageList {
  CAUUID pages{};
  ~PageList() { ::CoTaskMemFree(pages.pElems); }
};

}  // namespace

CDSRender::CDSRender(std::wstring settingsKey) : settingsKey_(std::move(settingsKey)) {}

CDSRender::~CDSRender() = default;

void CDSRender::SetRenderer(IBaseFilter* renderer) { renderer_ = renderer; }

void CDSRender::SetOwner(HWND window, UINT message) {
  ownerWindow_ = window;
  ownerMessage_ = message;
}

// ---- Events ---------------------------------------------------------------------------------------

LRESULT CDSRender::MessageHook(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == messageWindow_.graphForwardMessage()) {
    handled = true;
    if (ownerWindow_ != nullptr && ownerMessage_ != 0) ::PostMessageW(ownerWindow_, ownerMessage_, wParam, lParam);
  }
  return 0;
}

LRESULT CDSRender::OnGraphNotify() {
  const HWND self = messageWindow_.window();
  for (;;) {
    if (!mediaEvent_) return 0;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    if (FAILED(mediaEvent_->GetEvent(&code, &first, &second, 0))) return 0;
    mediaEvent_->FreeEventParams(code, first, second);
    if (!source_) continue;  // events of a graph without a source are drained and dropped
    const UINT forward = messageWindow_.graphForwardMessage();
    switch (code) {
      case EC_COMPLETE:
        ::PostMessageW(self, forward, EC_COMPLETE, kCompleteTag);
        break;
      case EC_USERABORT:
      case EC_ERRORABORT:
        ::PostMessageW(self, forward, static_cast<WPARAM>(code), kAbortTag);
        ::PostMessageW(self, forward, static_cast<WPARAM>(code), kStopTag);
        return 0;  // what is still queued waits for the next notification
      case EC_DEVICE_LOST:
        ::PostMessageW(self, forward, EC_DEVICE_LOST, kStopTag);
        return 0;
      default:
        break;
    }
  }
}

// ---- Opening ------------------------------------------------------------------------------------

bool CDSRender::OpenDevice(const DeviceRecord& device) {
  duration_ = -1;
  source_.Reset();
  if (!device.moniker) return false;
  ComPtr<IBindCtx> context;
  if (FAILED(::CreateBindCtx(0, &context))) return false;
  if (FAILED(device.moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&source_))) || !source_) {
    source_.Reset();
    return false;
  }
  captureBuilder_.Reset();
  if (FAILED(::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&captureBuilder_)))) {
    return false;
  }
  ReleaseGraph();
  if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_)))) return false;
  if (FAILED(graph_.As(&mediaEvent_))) return false;
  if (FAILED(captureBuilder_->SetFiltergraph(graph_.Get()))) return false;
  if (FAILED(graph_->AddFilter(source_.Get(), kSourceFilterName))) return false;
  cameraControl_.Reset();
  if (FAILED(source_.As(&cameraControl_))) cameraControl_.Reset();
  ApplyCaptureFormat();
  SyncOutputSize();
  if (!AddRendererAndRender()) return false;
  if (!AttachControlAndEvents()) return false;
  ReadDuration();
  isDevice_ = true;
  Log("Renderer OpenDevice OK");
  return true;
}

void CDSRender::ReleaseGraph() {
  // An open without Cleanup before it must not leave the interfaces of the old graph answering for
  // the new one, nor the old graph posting to the message window.
  if (mediaEvent_) mediaEvent_->SetNotifyWindow(0, 0, 0);
  mediaEvent_.Reset();
  mediaSeeking_.Reset();
  mediaPosition_.Reset();
  mediaControl_.Reset();
  graph_.Reset();
}

bool CDSRender::AddRendererAndRender() {
  if (!graph_ || !renderer_ || !source_) return false;
  if (FAILED(graph_->AddFilter(renderer_.Get(), kRendererFilterName))) return false;
  const ComPtr<IPin> output = FirstPin(source_.Get(), PINDIR_OUTPUT);
  if (!output) return false;
  if (!FirstPin(renderer_.Get(), PINDIR_INPUT)) return false;
  // The renderer is in the graph already, so the graph manager tries it first and places decoders or
  // converters only when the pin's types are not taken directly.
  return SUCCEEDED(graph_->Render(output.Get()));
}

bool CDSRender::AttachControlAndEvents() {
  mediaPosition_.Reset();
  mediaControl_.Reset();
  if (FAILED(graph_.As(&mediaPosition_)) || FAILED(graph_.As(&mediaControl_))) return false;
  if (!mediaEvent_) return false;
  if (messageWindow_.window() == nullptr) {
    messageWindow_.Create(::GetModuleHandleW(nullptr));
    messageWindow_.SetDispatcher(this);
  }
  return SUCCEEDED(mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(messageWindow_.window()),
                                                static_cast<long>(messageWindow_.graphNotifyMessage()),
                                                reinterpret_cast<LONG_PTR>(this)));
}

void CDSRender::ReadDuration() {
  REFTIME seconds = 0;
  duration_ = mediaPosition_ && SUCCEEDED(mediaPosition_->get_Duration(&seconds)) ? seconds * 1000 : 0;
}

bool CDSRender::OpenFile(const std::wstring& path, int startMs) {
  duration_ = -1;
  ReleaseGraph();
  if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_)))) return false;
  if (FAILED(graph_.As(&mediaEvent_))) return false;
  if (!renderer_ || FAILED(graph_->AddFilter(renderer_.Get(), kRendererFilterName))) return false;
  ComPtr<IFilterGraph2> graph2;
  if (FAILED(graph_.As(&graph2))) return false;

  source_ = CreateModuleFilter(kSplitter);
  if (source_) {
    ComPtr<IFileSourceFilter> fileSource;
    if (FAILED(graph_->AddFilter(source_.Get(), kSplitter.graphName)) || FAILED(source_.As(&fileSource)) ||
        FAILED(fileSource->Load(path.c_str(), nullptr))) {
      graph_->RemoveFilter(source_.Get());
      source_.Reset();
      return false;
    }
  } else if (FAILED(graph_->AddSourceFilter(path.c_str(), nullptr, &source_))) {
    source_.Reset();
  }
  if (!source_) return false;

  ComPtr<IBaseFilter> decoders[] = {CreateModuleFilter(kVideoDecoder), CreateModuleFilter(kAudioDecoder)};
  const wchar_t* decoderNames[] = {kVideoDecoder.graphName, kAudioDecoder.graphName};
  for (int i = 0; i < 2; ++i) {
    if (decoders[i] && FAILED(graph_->AddFilter(decoders[i].Get(), decoderNames[i]))) decoders[i].Reset();
  }

  int rendered = 0;
  ComPtr<IEnumPins> pins;
  if (SUCCEEDED(source_->EnumPins(&pins)) && pins) {
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      PIN_DIRECTION direction;
      if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
      if (SUCCEEDED(graph2->RenderEx(pin.Get(), 0, nullptr))) ++rendered;
    }
  }
  if (rendered == 0) return false;
  for (const ComPtr<IBaseFilter>& decoder : decoders) {
    if (decoder && !AnyPinConnected(decoder.Get())) graph_->RemoveFilter(decoder.Get());
  }

  mediaSeeking_.Reset();
  if (FAILED(graph_.As(&mediaSeeking_))) mediaSeeking_.Reset();
  if (!AttachControlAndEvents()) return false;
  ReadDuration();
  if (startMs > 0) {
    const float start = static_cast<float>(startMs);
    mediaPosition_->put_CurrentPosition(start < duration_ ? start / 1000.0 : 0.0);
  }
  isDevice_ = false;
  return true;
}

// ---- Capture format -----------------------------------------------------------------------------

ComPtr<IAMStreamConfig> CDSRender::CaptureStreamConfig() const {
  ComPtr<IAMStreamConfig> config;
  if (!captureBuilder_ || !source_) return nullptr;
  if (FAILED(captureBuilder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source_.Get(),
                                            IID_IAMStreamConfig, reinterpret_cast<void**>(config.GetAddressOf())))) {
    return nullptr;
  }
  return config;
}

bool CDSRender::ApplyCaptureFormat() {
  CWinRegistry settings(HKEY_CURRENT_USER, settingsKey_.c_str(), true, true);
  std::wstring subtypeText;
  settings.ReadText(settings::kCapFormat, subtypeText);
  // Reading a missing number creates it, so that the values exist to be found even before the user
  // chose a format.
  const DWORD width = settings.Read(settings::kCapWidth);
  const DWORD height = settings.Read(settings::kCapHeight);
  const DWORD fps = settings.Read(settings::kCapFps);
  if (subtypeText.empty()) return false;
  graph::StoredCaptureFormat stored;
  const graph::StoredFormatProblem problem = graph::CheckStoredCaptureFormat(subtypeText, width, height, fps, stored);
  if (problem != graph::StoredFormatProblem::None) {
    // A hand-edited or damaged record must never reach the camera: it opens in its default format.
    Logf("Stored capture format ignored: %s (width %lu, height %ld, fps %lu)", ProblemText(problem),
         static_cast<unsigned long>(width), static_cast<long>(static_cast<int32_t>(height)),
         static_cast<unsigned long>(fps));
    return false;
  }
  const ComPtr<IAMStreamConfig> config = CaptureStreamConfig();
  if (!config) return false;
  int count = 0, size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size != sizeof(VIDEO_STREAM_CONFIG_CAPS) ||
      count <= 0) {
    return false;
  }
  for (int index = 0; index < count; ++index) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* raw = nullptr;
    if (FAILED(config->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps))) || raw == nullptr) continue;
    const UniqueMediaTypePtr type(raw);
    if (graph::MatchesStoredFormat(ReadCapability(*type), stored)) return SUCCEEDED(config->SetFormat(type.get()));
  }
  return false;
}

bool CDSRender::ReadCurrentFormat(AM_MEDIA_TYPE*& type) {
  type = nullptr;
  const ComPtr<IAMStreamConfig> config = CaptureStreamConfig();
  return config && SUCCEEDED(config->GetFormat(&type)) && type != nullptr;
}

void CDSRender::SyncOutputSize() {
  if (!captureBuilder_ || !renderer_) return;
  ComPtr<INimbRenderer> control;
  if (FAILED(renderer_.As(&control))) return;
  int width = 0, height = 0, fps = 0, format = 0, oneSizeOnly = 0;
  if (FAILED(control->GetOutputFormat(&width, &height, &fps, &format, &oneSizeOnly))) return;
  AM_MEDIA_TYPE* raw = nullptr;
  if (!ReadCurrentFormat(raw)) return;
  const UniqueMediaTypePtr type(raw);
  const graph::CapabilityFormat current = ReadCapability(*type);
  if (!IsReadableVideo(current)) return;
  const std::optional<int64_t> rate = graph::FramesPerSecond(current.averageTimePerFrame);
  const int32_t cameraHeight = HeightMagnitude(current.height);
  if (!rate || *rate <= 0 || *rate > INT32_MAX || current.width <= 0 || cameraHeight <= 0) return;
  const int cameraFps = static_cast<int>(*rate);
  if (current.width == width && cameraHeight == height && cameraFps == fps) return;
  control->SetOutputFormat(current.width, cameraHeight, cameraFps, format, oneSizeOnly);
}

void CDSRender::ShowCaptureFormatDialog(HWND parent, const wchar_t* caption) {
  const ComPtr<IAMStreamConfig> config = CaptureStreamConfig();
  if (!config) return;
  ComPtr<ISpecifyPropertyPages> specify;
  PageList list;
  if (SUCCEEDED(config.As(&specify)) && SUCCEEDED(specify->GetPages(&list.pages)) && list.pages.cElems > 0) {
    IUnknown* objects[] = {config.Get()};
    if (FAILED(::OleCreatePropertyFrame(parent, 0, 0, caption, 1, objects, list.pages.cElems, list.pages.pElems, 0,
                                        0, nullptr))) {
      ::MessageBeep(static_cast<UINT>(-1));
    }
  }
  // Whatever the user did, the pin's current format is what the camera now delivers: remember it.
  AM_MEDIA_TYPE* raw = nullptr;
  if (!ReadCurrentFormat(raw)) return;
  const UniqueMediaTypePtr type(raw);
  const graph::CapabilityFormat current = ReadCapability(*type);
  // Only a format that would pass as a stored record is stored: a zero size is never written.
  if (!IsReadableVideo(current) || current.width <= 0 || HeightMagnitude(current.height) <= 0) return;
  ComPtr<INimbRenderer> control;
  if (!renderer_ || FAILED(renderer_.As(&control))) return;
  const std::optional<int64_t> rate = graph::FramesPerSecond(current.averageTimePerFrame);
  const int fps = rate && *rate <= INT32_MAX ? static_cast<int>(*rate) : 0;
  CWinRegistry settings(HKEY_CURRENT_USER, settingsKey_.c_str(), true, true);
  DWORD driverFormat = 0, oneSizeOnly = 0;
  settings.ReadNumber(settings::kDrvFormat.name, driverFormat);
  settings.ReadNumber(settings::kDrvOneSizeOnly.name, oneSizeOnly);
  control->SetOutputFormat(current.width, HeightMagnitude(current.height), fps, static_cast<int>(driverFormat),
                           static_cast<int>(oneSizeOnly));
  wchar_t subtype[40] = {};
  ::StringFromGUID2(type->subtype, subtype, 40);
  settings.WriteNumber(settings::kCapWidth.name, static_cast<DWORD>(current.width));
  settings.WriteNumber(settings::kCapHeight.name, static_cast<DWORD>(current.height));
  settings.WriteNumber(settings::kCapFps.name, static_cast<DWORD>(fps));
  settings.WriteText(settings::kCapFormat, subtype);
}

// ---- Property pages and camera control -----------------------------------------------------------

bool CDSRender::HasSourceProperties() {
  ComPtr<ISpecifyPropertyPages> specify;
  if (!source_ || FAILED(source_.As(&specify))) return false;
  PageList list;
  return SUCCEEDED(specify->GetPages(&list.pages)) && list.pages.cElems > 0;
}

bool CDSRender::ShowSourceProperties(HWND parent, const wchar_t* caption) {
  ComPtr<ISpecifyPropertyPages> specify;
  if (!source_ || FAILED(source_.As(&specify))) return false;
  PageList list;
  if (FAILED(specify->GetPages(&list.pages))) return false;
  IUnknown* objects[] = {source_.Get()};
  ::OleCreatePropertyFrame(parent, 0, 0, caption, 1, objects, list.pages.cElems, list.pages.pElems, 0, 0, nullptr);
  return true;
}

bool CDSRender::StepCameraControl(int zoomSteps, int panSteps, int tiltSteps) {
  if (!cameraControl_) return false;
  const long properties[] = {CameraControl_Zoom, CameraControl_Pan, CameraControl_Tilt};
  if (zoomSteps == 0 && panSteps == 0 && tiltSteps == 0) {
    for (long property : properties) {
      long minimum, maximum, delta, defaultValue, flags;
      if (SUCCEEDED(cameraControl_->GetRange(property, &minimum, &maximum, &delta, &defaultValue, &flags))) {
        cameraControl_->Set(property, defaultValue, flags);
      }
    }
    return true;
  }
  const int steps[] = {zoomSteps, panSteps, tiltSteps};
  bool anyRead = false;
  for (int i = 0; i < 3; ++i) {
    if (steps[i] == 0) continue;
    long minimum, maximum, delta, defaultValue, flags, value, valueFlags;
    if (FAILED(cameraControl_->GetRange(properties[i], &minimum, &maximum, &delta, &defaultValue, &flags)) ||
        FAILED(cameraControl_->Get(properties[i], &value, &valueFlags))) {
      continue;
    }
    anyRead = true;
    // In 64 bits: a large step count times the stepping must not wrap into the range.
    const long long wanted = static_cast<long long>(steps[i]) * delta + value;
    if (wanted >= minimum && wanted <= maximum) {
      cameraControl_->Set(properties[i], static_cast<long>(wanted), CameraControl_Flags_Manual);
    }
  }
  return anyRead;
}

// ---- Running ------------------------------------------------------------------------------------

HRESULT CDSRender::Run() { return mediaControl_ ? mediaControl_->Run() : E_FAIL; }

bool CDSRender::QueryState(OAFilterState& state) {
  if (!graph_ || !mediaControl_) return false;
  state = State_Stopped;
  // VFW_S_STATE_INTERMEDIATE still delivers the state the graph is moving to.
  return SUCCEEDED(mediaControl_->GetState(kStateWaitMs, &state));
}

HRESULT CDSRender::TogglePause() {
  if (!mediaControl_) return E_FAIL;
  OAFilterState state = State_Stopped;
  if (FAILED(mediaControl_->GetState(kStateWaitMs, &state)) || state == State_Running) return mediaControl_->Pause();
  return mediaControl_->Run();
}

bool CDSRender::IsRunning() {
  OAFilterState state;
  return QueryState(state) && state == State_Running;
}

bool CDSRender::IsActive() {
  OAFilterState state;
  return QueryState(state) && (state == State_Running || state == State_Paused);
}

void CDSRender::RemoveDownstream(IBaseFilter* filter) {
  if (!graph_ || filter == nullptr) return;
  // The connections are listed first and then taken apart: the graph changes while it is being taken
  // apart, and a pin that refuses to disconnect must not be met again.
  std::vector<std::pair<ComPtr<IPin>, ComPtr<IPin>>> connections;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) continue;
    PIN_DIRECTION direction;
    if (SUCCEEDED(peer->QueryDirection(&direction)) && direction == PINDIR_INPUT) connections.emplace_back(pin, peer);
  }
  for (const auto& [own, peer] : connections) {
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info))) continue;
    const ComPtr<IBaseFilter> downstream = AdoptComPtr(info.pFilter);
    if (!downstream) continue;
    RemoveDownstream(downstream.Get());
    graph_->Disconnect(peer.Get());
    graph_->Disconnect(own.Get());
    graph_->RemoveFilter(downstream.Get());
  }
}

HRESULT CDSRender::StopGraph() {
  const HRESULT result = mediaControl_->Stop();
  // A Run that one filter refused (a busy camera) can leave the others paused while Wine's graph
  // manager still counts itself stopped and so skips their Stop. A paused renderer cannot be
  // disconnected, and the one renderer of the process would stay stuck in this graph: stop every
  // filter that is not stopped yet.
  ComPtr<IEnumFilters> filters;
  if (!graph_ || FAILED(graph_->EnumFilters(&filters)) || !filters) return result;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    FILTER_STATE state = State_Stopped;
    if (filter->GetState(0, &state) != S_OK || state != State_Stopped) filter->Stop();
  }
  return result;
}

void CDSRender::DisconnectDownstream() {
  if (!graph_ || !source_) return;
  if (mediaControl_) StopGraph();
  RemoveDownstream(source_.Get());
}

bool CDSRender::ConnectRenderer() {
  if (!graph_ || !source_) return false;
  if (!AddRendererAndRender() || !AttachControlAndEvents()) return false;
  ReadDuration();
  return true;
}

HRESULT CDSRender::Cleanup() {
  if (mediaEvent_) {
    mediaEvent_->SetNotifyWindow(0, 0, 0);
    mediaEvent_.Reset();
  }
  messageWindow_.SetDispatcher(nullptr);
  messageWindow_.Destroy();
  HRESULT result = S_OK;
  if (mediaControl_) {
    result = StopGraph();
    mediaControl_.Reset();
  }
  if (source_) {
    RemoveDownstream(source_.Get());
    if (graph_) graph_->RemoveFilter(source_.Get());
    source_.Reset();
    cameraControl_.Reset();
  }
  mediaSeeking_.Reset();
  mediaPosition_.Reset();
  graph_.Reset();
  Log("Renderer Cleanup");
  return result;
}

// ---- Files and pictures -------------------------------------------------------------------------

HRESULT CDSRender::SeekMs(float positionMs) {
  if (!mediaPosition_) return E_FAIL;
  return mediaPosition_->put_CurrentPosition(positionMs < duration_ ? positionMs / 1000.0 : 0.0);
}

double CDSRender::GetPositionMs() {
  LONGLONG position = 0;
  if (!mediaSeeking_ || FAILED(mediaSeeking_->GetCurrentPosition(&position))) return 0;
  return static_cast<double>(static_cast<float>(position) / 10000.0f);
}

void CDSRender::SetPicture(const wchar_t* path) {
  if (!renderer_ || path == nullptr || ::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return;
  ComPtr<INimbRenderer> control;
  if (SUCCEEDED(renderer_.As(&control))) control->SetIdlePicture(path);
}

}  // namespace orvane
