#include "platform/dshow/InputPin.h"

#include <uuids.h>

#include <mutex>

#include "platform/com/ComBoundary.h"

namespace orvane {

InputPin::InputPin(BaseFilter& filter, std::wstring name) : BasePin(filter, std::move(name), PINDIR_INPUT) {}

HRESULT InputPin::CheckStreaming() const {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (flushing_.load()) return S_FALSE;
  if (Filter().IsStopped()) return VFW_E_WRONG_STATE;
  return S_OK;
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  if (endOfStream_.load()) return VFW_E_SAMPLE_REJECTED_EOS;
  // A sample may announce a new format, which holds from this sample on; one that the pin would not
  // have accepted is refused, and the sample with it.
  AM_MEDIA_TYPE* announced = nullptr;
  if (sample->GetMediaType(&announced) == S_OK && announced != nullptr) {
    const UniqueMediaTypePtr type(announced);
    hr = GuardComCall([&] { return ChangeMediaType(*type); });
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALIDMEDIATYPE;
  }
  return GuardComCall([&] { return OnReceive(sample); });
}

// Under FilterLock, like a connection: the hooks see the same lock, and ConnectionMediaType never
// reads a type half replaced. Samples arrive one at a time, so the previous one has been rendered or
// dropped by now: the new type cannot reach a sample of the old one.
HRESULT InputPin::ChangeMediaType(const AM_MEDIA_TYPE& type) {
  std::lock_guard lock(Filter().FilterLock());
  // The filter may have stopped, or the pin disconnected, since the streaming checks.
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (Filter().IsStopped()) return VFW_E_WRONG_STATE;
  if (CheckMediaType(type) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  // Copied first: once SetMediaType has taken the type, nothing may fail before the pin holds it too.
  MediaType copy;
  HRESULT hr = copy.Assign(type);
  if (FAILED(hr)) return hr;
  hr = SetMediaType(type);
  if (FAILED(hr)) return hr;
  ReplaceConnectionType(std::move(copy));
  return S_OK;
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() { return ReceiveMayBlock() ? S_OK : S_FALSE; }

STDMETHODIMP InputPin::EndOfStream() {
  HRESULT hr = CheckStreaming();
  // End of stream during a flush is discarded with the data it follows.
  if (hr == S_FALSE) return S_OK;
  if (hr != S_OK) return hr;
  endOfStream_.store(true);
  return GuardComCall([&] { return OnEndOfStream(); });
}

STDMETHODIMP InputPin::BeginFlush() {
  std::lock_guard lock(Filter().FilterLock());
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  flushing_.store(true);
  return GuardComCall([&] { return OnBeginFlush(); });
}

STDMETHODIMP InputPin::EndFlush() {
  std::lock_guard lock(Filter().FilterLock());
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  endOfStream_.store(false);
  flushing_.store(false);
  return GuardComCall([&] { return OnEndFlush(); });
}

STDMETHODIMP InputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  return GuardComCall([&] { return OnNewSegment(start, stop, rate); });
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  std::lock_guard lock(Filter().FilterLock());
  if (!allocator_) {
    const HRESULT hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(&allocator_));
    if (FAILED(hr)) return hr;
  }
  ComPtr<IMemAllocator> copy = allocator_;
  *allocator = copy.Detach();
  return S_OK;
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) return E_POINTER;
  std::lock_guard lock(Filter().FilterLock());
  allocator_ = allocator;
  readOnly_.store(readOnly != FALSE);
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  return AllocatorRequirements(*properties);
}

HRESULT InputPin::Inactive() {
  endOfStream_.store(false);
  flushing_.store(false);
  std::lock_guard lock(Filter().FilterLock());
  // Decommitting releases an upstream thread that waits for a buffer.
  if (allocator_) allocator_->Decommit();
  return S_OK;
}

void InputPin::BreakConnect() {
  allocator_.Reset();
  readOnly_.store(false);
}

}  // namespace orvane
