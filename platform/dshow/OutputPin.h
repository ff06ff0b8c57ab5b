// An output pin that delivers samples through the connected input pin's IMemInputPin: after the
// media type is agreed it negotiates the allocator (the input pin's, else the system's memory
// allocator, sized by DecideBufferSize) and commits it while the filter is active.
// Threading: connection and Active/Inactive under FilterLock from the graph's thread; GetDeliveryBuffer
// and the Deliver... calls from the pin's streaming thread without it (the connection cannot change
// while the filter is active). Owns its references to the allocator and the peer's IMemInputPin.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "platform/dshow/BasePin.h"

namespace orvane {

class OutputPin : public BasePin {
 public:
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Streaming thread.
  HRESULT GetDeliveryBuffer(ComPtr<IMediaSample>& sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                            DWORD flags);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  OutputPin(BaseFilter& filter, std::wstring name);

  // Sets the allocator's buffers (IMemAllocator::SetProperties) for the connection's media type;
  // `requested` holds the input pin's wishes (zero where it has none).
  virtual HRESULT DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) = 0;

  // Allocator negotiation; a derived pin that overrides it calls it.
  HRESULT CompleteConnect(IPin* peer) override;
  void BreakConnect() override;

  // A common DecideBufferSize: at least `minimumBuffers` buffers of at least `bufferSize` bytes.
  static HRESULT SetBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested,
                               long bufferSize, long minimumBuffers);

 private:
  HRESULT TryAllocator(IMemAllocator* allocator, const ALLOCATOR_PROPERTIES& requested);

  // Set while connected; the streaming thread uses them without FilterLock.
  ComPtr<IPin> peer_;
  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};

}  // namespace orvane
