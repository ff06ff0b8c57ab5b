// An input pin that receives samples through IMemInputPin: the allocator negotiation (the pin offers
// the system's memory allocator and accepts the one the output pin chooses), checks of every
// streaming call against the pin's state, flushing, end of stream and new segment. The filter (or a
// derived pin) handles the samples through the On... hooks.
// A sample that announces a new media type (IMediaSample::GetMediaType) is checked like a connection
// type: CheckMediaType, then SetMediaType; once both accept it, it becomes the connection's type and
// the sample is handed on. A type either refuses is never rendered: Receive returns
// VFW_E_INVALIDMEDIATYPE (or SetMediaType's failure) and the connection's type stays as it was.
// Threading: Receive, ReceiveMultiple, EndOfStream and NewSegment arrive on the upstream filter's
// streaming thread, without FilterLock (Receive takes it only to change the type, before the sample
// is handed on); BeginFlush and EndFlush on the thread that flushes (the graph's, or the upstream
// filter's), under FilterLock. Owns its reference to the allocator.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <atomic>

#include "platform/dshow/BasePin.h"

namespace orvane {

class InputPin : public BasePin, public IMemInputPin {
 public:
  using Interfaces = BasePin::Interfaces::With<IMemInputPin>;

  // IPin streaming calls.
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  HRESULT Inactive() override;
  bool IsFlushing() const noexcept { return flushing_.load(); }
  bool IsReadOnly() const noexcept { return readOnly_.load(); }

 protected:
  InputPin(BaseFilter& filter, std::wstring name);

  // Hooks. CheckMediaType and SetMediaType are also called on the streaming thread, under FilterLock
  // and before OnReceive, for a type that a sample announces. OnReceive runs on the streaming thread
  // after the checks passed, without FilterLock; its result is Receive's.
  virtual HRESULT OnReceive(IMediaSample* sample) = 0;
  virtual HRESULT OnEndOfStream() { return S_OK; }
  // Under FilterLock: release whatever waits in OnReceive and drop held samples.
  virtual HRESULT OnBeginFlush() { return S_OK; }
  virtual HRESULT OnEndFlush() { return S_OK; }
  virtual HRESULT OnNewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }
  virtual HRESULT AllocatorRequirements(ALLOCATOR_PROPERTIES&) { return E_NOTIMPL; }
  // Whether OnReceive may block (renderers wait for the sample's time).
  virtual bool ReceiveMayBlock() const { return false; }

  void BreakConnect() override;

 private:
  // Why a streaming call cannot be taken now, or S_OK.
  HRESULT CheckStreaming() const;
  // Agrees on a type announced by a sample; S_OK when it is the connection's type now.
  HRESULT ChangeMediaType(const AM_MEDIA_TYPE& type);

  ComPtr<IMemAllocator> allocator_;  // under FilterLock
  std::atomic<bool> readOnly_{false};
  std::atomic<bool> flushing_{false};
  std::atomic<bool> endOfStream_{false};
};

}  // namespace orvane
