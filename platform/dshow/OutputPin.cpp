#include "platform/dshow/OutputPin.h"

#include <uuids.h>

#include <algorithm>

namespace orvane {

OutputPin::OutputPin(BaseFilter& filter, std::wstring name) : BasePin(filter, std::move(name), PINDIR_OUTPUT) {}

HRESULT OutputPin::SetBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested,
                                 long bufferSize, long minimumBuffers) {
  ALLOCATOR_PROPERTIES wanted = requested;
  wanted.cBuffers = std::max(wanted.cBuffers, minimumBuffers);
  wanted.cbBuffer = std::max(wanted.cbBuffer, bufferSize);
  wanted.cbAlign = std::max(wanted.cbAlign, 1L);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator.SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < bufferSize || actual.cBuffers < 1) return E_FAIL;
  return S_OK;
}

HRESULT OutputPin::TryAllocator(IMemAllocator* allocator, const ALLOCATOR_PROPERTIES& requested) {
  HRESULT hr = DecideBufferSize(*allocator, requested);
  if (FAILED(hr)) return hr;
  hr = input_->NotifyAllocator(allocator, FALSE);
  if (FAILED(hr)) return hr;
  allocator_ = allocator;
  return S_OK;
}

HRESULT OutputPin::CompleteConnect(IPin* peer) {
  HRESULT hr = peer->QueryInterface(IID_PPV_ARGS(&input_));
  if (FAILED(hr)) return VFW_E_NO_TRANSPORT;
  peer_ = peer;
  ALLOCATOR_PROPERTIES requested{};
  input_->GetAllocatorRequirements(&requested);
  ComPtr<IMemAllocator> allocator;
  if (SUCCEEDED(input_->GetAllocator(&allocator)) && allocator &&
      SUCCEEDED(TryAllocator(allocator.Get(), requested))) {
    return S_OK;
  }
  allocator.Reset();
  hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&allocator));
  if (SUCCEEDED(hr)) hr = TryAllocator(allocator.Get(), requested);
  if (FAILED(hr)) {
    input_.Reset();
    peer_.Reset();
  }
  return hr;
}

void OutputPin::BreakConnect() {
  if (allocator_) allocator_->Decommit();
  allocator_.Reset();
  input_.Reset();
  peer_.Reset();
}

HRESULT OutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT OutputPin::Inactive() {
  if (allocator_) allocator_->Decommit();
  return S_OK;
}

HRESULT OutputPin::GetDeliveryBuffer(ComPtr<IMediaSample>& sample, REFERENCE_TIME* start,
                                     REFERENCE_TIME* stop, DWORD flags) {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->GetBuffer(sample.ReleaseAndGetAddressOf(), start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
  if (!input_) return VFW_E_NOT_CONNECTED;
  return input_->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
  return peer_ ? peer_->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverBeginFlush() {
  return peer_ ? peer_->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverEndFlush() {
  return peer_ ? peer_->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return peer_ ? peer_->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

}  // namespace orvane
