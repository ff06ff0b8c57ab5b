#include "platform/dshow/CapturePin.h"

#include <amvideo.h>
#include <uuids.h>

#include <cstring>
#include <mutex>

#include "platform/com/ComBoundary.h"

namespace orvane {
namespace {

bool HasChosen(const MediaType& chosen) { return chosen->majortype != GUID_NULL; }

}  // namespace

CapturePin::CapturePin(BaseFilter& filter, std::wstring name)
    : SourceStream(filter, std::move(name), SourceTiming::Live) {}

HRESULT CapturePin::SetCapabilities(std::vector<VideoCapability> capabilities) {
  std::lock_guard lock(Filter().FilterLock());
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  capabilities_ = std::move(capabilities);
  if (HasChosen(chosen_) && FindCapability(chosen_.get()) == nullptr) chosen_.Reset();
  return S_OK;
}

const VideoCapability* CapturePin::FindCapability(const AM_MEDIA_TYPE& type) const {
  for (const VideoCapability& capability : capabilities_) {
    if (MatchesCapability(type, capability)) return &capability;
  }
  return nullptr;
}

HRESULT CapturePin::NormalisedFormat(const AM_MEDIA_TYPE& requested, const VideoCapability& capability,
                                     MediaType& format) const {
  HRESULT hr = format.Assign(capability.type.get());
  if (FAILED(hr)) return hr;
  const REFERENCE_TIME interval = FrameIntervalOf(requested);
  if (interval != 0) reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat)->AvgTimePerFrame = interval;
  return S_OK;
}

HRESULT CapturePin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  if (FindCapability(type) == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  if (HasChosen(chosen_)) {
    const BITMAPINFOHEADER* asked = BitmapHeaderOf(type);
    const BITMAPINFOHEADER* chosen = BitmapHeaderOf(chosen_.get());
    if (type.subtype != chosen_->subtype || asked == nullptr || chosen == nullptr ||
        asked->biWidth != chosen->biWidth || asked->biHeight != chosen->biHeight) {
      return VFW_E_TYPE_NOT_ACCEPTED;
    }
  }
  return S_OK;
}

HRESULT CapturePin::GetMediaType(int index, MediaType& type) {
  if (index < 0) return E_INVALIDARG;
  if (HasChosen(chosen_)) {
    if (index > 0) return VFW_S_NO_MORE_ITEMS;
    return type.Assign(chosen_.get());
  }
  if (static_cast<size_t>(index) >= capabilities_.size()) return VFW_S_NO_MORE_ITEMS;
  return type.Assign(capabilities_[index].type.get());
}

HRESULT CapturePin::DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(ConnectionType().get());
  if (header == nullptr || header->biSizeImage == 0) return VFW_E_INVALIDMEDIATYPE;
  return SetBufferSize(allocator, requested, static_cast<long>(header->biSizeImage), 3);
}

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  return GuardComCall([&] {
    std::lock_guard lock(Filter().FilterLock());
    if (!Filter().IsStopped()) return VFW_E_NOT_STOPPED;
    const VideoCapability* capability = FindCapability(*type);
    if (capability == nullptr) return VFW_E_INVALIDMEDIATYPE;
    MediaType format;
    HRESULT hr = NormalisedFormat(*type, *capability, format);
    if (FAILED(hr)) return hr;
    if (IsConnected()) return Reconnect(format);
    chosen_ = std::move(format);
    return S_OK;
  });
}

// A connected pin changes format by connecting again through the graph, which the downstream pin
// must accept first; the old connection stays when it does not.
HRESULT CapturePin::Reconnect(const MediaType& format) {
  const ComPtr<IPin> peer = ConnectedPin();
  if (peer->QueryAccept(&format.get()) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  IFilterGraph* graph = Filter().Graph();
  if (graph == nullptr) return VFW_E_NOT_IN_GRAPH;
  MediaType previous;
  HRESULT hr = previous.Assign(chosen_.get());
  if (FAILED(hr)) return hr;
  hr = chosen_.Assign(format.get());
  if (FAILED(hr)) return hr;
  graph->Disconnect(peer.Get());
  graph->Disconnect(this);
  hr = graph->ConnectDirect(this, peer.Get(), &format.get());
  if (FAILED(hr)) {
    chosen_ = std::move(previous);
    graph->ConnectDirect(this, peer.Get(), nullptr);
  }
  return hr;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  *type = nullptr;
  std::lock_guard lock(Filter().FilterLock());
  const AM_MEDIA_TYPE* current = nullptr;
  if (IsConnected()) {
    current = &ConnectionType().get();
  } else if (HasChosen(chosen_)) {
    current = &chosen_.get();
  } else if (!capabilities_.empty()) {
    current = &capabilities_.front().type.get();
  }
  if (current == nullptr) return VFW_E_NO_TYPES;
  *type = CreateMediaTypeCopy(*current);
  return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  std::lock_guard lock(Filter().FilterLock());
  *count = static_cast<int>(capabilities_.size());
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  if (type == nullptr || caps == nullptr) return E_POINTER;
  *type = nullptr;
  if (index < 0) return E_INVALIDARG;
  std::lock_guard lock(Filter().FilterLock());
  if (static_cast<size_t>(index) >= capabilities_.size()) return S_FALSE;
  const VideoCapability& capability = capabilities_[index];
  *type = CreateMediaTypeCopy(capability.type.get());
  if (*type == nullptr) return E_OUTOFMEMORY;
  std::memcpy(caps, &capability.caps, sizeof capability.caps);
  return S_OK;
}

STDMETHODIMP CapturePin::Set(REFGUID set, DWORD, void*, DWORD, void*, DWORD) {
  return set == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataLength,
                             DWORD* returned) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr && returned == nullptr) return E_POINTER;
  if (returned != nullptr) *returned = sizeof(GUID);
  // Without a buffer the caller only asks for the size.
  if (data == nullptr) return S_OK;
  if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
  *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
  return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

}  // namespace orvane
