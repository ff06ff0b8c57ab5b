#include "platform/dshow/BasePin.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/com/ComBoundary.h"
#include "platform/dshow/EnumMediaTypes.h"

namespace orvane {

BasePin::BasePin(BaseFilter& filter, std::wstring name, PIN_DIRECTION direction)
    : filter_(filter), name_(std::move(name)), direction_(direction) {}

HRESULT BasePin::GetMediaType(int, MediaType&) { return VFW_S_NO_MORE_ITEMS; }
HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE&) { return S_OK; }
HRESULT BasePin::CompleteConnect(IPin*) { return S_OK; }

ComPtr<IPin> BasePin::ConnectedPin() const {
  std::lock_guard lock(filter_.FilterLock());
  return connected_;
}

HRESULT BasePin::GetConnectionType(MediaType& type) const {
  std::lock_guard lock(filter_.FilterLock());
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return type.Assign(type_.get());
}

void BasePin::ClearConnection() {
  isConnected_.store(false);
  BreakConnect();
  connected_.Reset();
  type_.Reset();
}

HRESULT BasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type) {
  HRESULT hr = CheckMediaType(type);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  hr = type_.Assign(type);
  if (FAILED(hr)) return hr;
  connected_ = receivePin;
  hr = SetMediaType(type);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(this, &type);
    if (SUCCEEDED(hr)) {
      isConnected_.store(true);
      hr = CompleteConnect(receivePin);
      if (SUCCEEDED(hr)) return S_OK;
      receivePin->Disconnect();
    }
  }
  ClearConnection();
  return hr;
}

HRESULT BasePin::TryTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types) {
  for (;;) {
    AM_MEDIA_TYPE* raw = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &raw, &fetched) != S_OK || fetched != 1) return VFW_E_NO_ACCEPTABLE_TYPES;
    const UniqueMediaTypePtr candidate(raw);
    if (partial != nullptr && !MatchesPartialMediaType(*candidate, *partial)) continue;
    if (SUCCEEDED(AttemptConnection(receivePin, *candidate))) return S_OK;
  }
}

STDMETHODIMP BasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (receivePin == nullptr) return E_POINTER;
  return GuardComCall([&] {
    std::lock_guard lock(filter_.FilterLock());
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!filter_.IsStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION peerDirection;
    HRESULT hr = receivePin->QueryDirection(&peerDirection);
    if (FAILED(hr)) return hr;
    if (peerDirection == direction_) return VFW_E_INVALID_DIRECTION;

    if (type != nullptr && IsFullySpecified(*type)) return AttemptConnection(receivePin, *type);

    // Our own preferences first, then the other pin's.
    ComPtr<IEnumMediaTypes> ours;
    hr = EnumMediaTypes(&ours);
    if (SUCCEEDED(hr) && SUCCEEDED(TryTypes(receivePin, type, ours.Get()))) return S_OK;
    ComPtr<IEnumMediaTypes> theirs;
    if (SUCCEEDED(receivePin->EnumMediaTypes(&theirs)) && theirs &&
        SUCCEEDED(TryTypes(receivePin, type, theirs.Get()))) {
      return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
  });
}

STDMETHODIMP BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) return E_POINTER;
  return GuardComCall([&] {
    std::lock_guard lock(filter_.FilterLock());
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!filter_.IsStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION peerDirection;
    HRESULT hr = connector->QueryDirection(&peerDirection);
    if (FAILED(hr)) return hr;
    if (peerDirection == direction_) return VFW_E_INVALID_DIRECTION;
    hr = CheckMediaType(*type);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    hr = type_.Assign(*type);
    if (FAILED(hr)) return hr;
    connected_ = connector;
    hr = SetMediaType(*type);
    if (SUCCEEDED(hr)) {
      isConnected_.store(true);
      hr = CompleteConnect(connector);
    }
    if (FAILED(hr)) ClearConnection();
    return hr;
  });
}

STDMETHODIMP BasePin::Disconnect() {
  std::lock_guard lock(filter_.FilterLock());
  if (!filter_.IsStopped()) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  ClearConnection();
  return S_OK;
}

STDMETHODIMP BasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard lock(filter_.FilterLock());
  ComPtr<IPin> peer = connected_;
  *pin = peer.Detach();
  return *pin != nullptr ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP BasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  std::lock_guard lock(filter_.FilterLock());
  if (!connected_) {
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaTypeContent(*type, type_.get());
}

STDMETHODIMP BasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  const size_t length = name_.size() < MAX_PIN_NAME ? name_.size() : MAX_PIN_NAME - 1;
  name_.copy(info->achName, length);
  info->achName[length] = L'\0';
  info->dir = direction_;
  ComPtr<IBaseFilter> filter(filter_.AsBaseFilter());
  info->pFilter = filter.Detach();
  return S_OK;
}

STDMETHODIMP BasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP BasePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  const size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP BasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  std::lock_guard lock(filter_.FilterLock());
  return CheckMediaType(*type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = nullptr;
  return GuardComCall([&] {
    ComPtr<IUnknown> self;
    AsPin()->QueryInterface(IID_PPV_ARGS(&self));
    return orvane::EnumMediaTypes::Create(self, [this](std::vector<MediaType>& list) {
      std::lock_guard lock(filter_.FilterLock());
      list.clear();
      // A pin offers a handful of types; the bound only guards against a hook that never ends.
      for (int index = 0; index < 4096; ++index) {
        MediaType type;
        const HRESULT hr = GetMediaType(index, type);
        if (FAILED(hr)) return hr;
        if (hr != S_OK) break;
        list.push_back(std::move(type));
      }
      return S_OK;
    }, types);
  });
}

STDMETHODIMP BasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP BasePin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP BasePin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP BasePin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP BasePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

}  // namespace orvane
