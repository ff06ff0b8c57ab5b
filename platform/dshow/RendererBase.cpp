#include "platform/dshow/RendererBase.h"

#include <evcode.h>
#include <uuids.h>

#include <mutex>

#include "platform/com/ComBoundary.h"
#include "platform/dshow/ControlInterfaces.h"

namespace orvane {
namespace {

// A sample whose start is at most this close ahead of the clock is rendered without waiting
// (100-ns units): shorter waits only cost a wake-up.
constexpr REFERENCE_TIME kScheduleTolerance = 10000;

}  // namespace

RendererInputPin::RendererInputPin(RendererBase& renderer, std::wstring name)
    : InputPin(renderer, std::move(name)), renderer_(renderer) {}

HRESULT RendererInputPin::CheckMediaType(const AM_MEDIA_TYPE& type) { return renderer_.CheckMediaType(&type); }
HRESULT RendererInputPin::SetMediaType(const AM_MEDIA_TYPE& type) { return renderer_.SetMediaType(&type); }

HRESULT RendererInputPin::CompleteConnect(IPin* peer) {
  const HRESULT hr = InputPin::CompleteConnect(peer);
  if (FAILED(hr)) return hr;
  return renderer_.CompleteConnect(peer);
}

void RendererInputPin::BreakConnect() {
  renderer_.BreakConnect();
  renderer_.DropHeldSample();
  InputPin::BreakConnect();
}

HRESULT RendererInputPin::OnReceive(IMediaSample* sample) { return renderer_.Receive(sample); }
HRESULT RendererInputPin::OnEndOfStream() { return renderer_.EndOfStream(); }

HRESULT RendererInputPin::OnBeginFlush() {
  renderer_.BeginFlush();
  return S_OK;
}

HRESULT RendererInputPin::OnEndFlush() {
  renderer_.EndFlush();
  return S_OK;
}

RendererBase::RendererBase(const CLSID& clsid, std::wstring className, std::wstring pinName)
    : BaseFilter(clsid, std::move(className)), pin_(OwnedBy{*this}, *this, std::move(pinName)) {}

RendererBase::~RendererBase() = default;

HRESULT RendererBase::FinalConstruct() {
  HRESULT hr = BaseFilter::FinalConstruct();
  if (FAILED(hr)) return hr;
  // Aggregated with this filter's identity: its IMediaSeeking and IMediaPosition are the filter's.
  hr = ::CoCreateInstance(CLSID_SeekingPassThru, ControllingUnknown(), CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&positionPassThru_));
  if (FAILED(hr)) return hr;
  ComPtr<ISeekingPassThru> passThru;
  hr = positionPassThru_.As(&passThru);
  if (FAILED(hr)) return hr;
  // The pass-through keeps an uncounted pointer to the pin, which lives as long as the filter.
  return passThru->Init(TRUE, pin_.AsPin());
}

HRESULT RendererBase::QueryInterfaceHook(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking || iid == IID_IMediaPosition) {
    if (!positionPassThru_) return E_NOINTERFACE;
    return positionPassThru_->QueryInterface(iid, out);
  }
  return BaseFilter::QueryInterfaceHook(iid, out);
}

STDMETHODIMP_(ULONG) RendererBase::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

BasePin* RendererBase::PinAt(int index) { return index == 0 ? &pin_ : nullptr; }

HRESULT RendererBase::SetMediaType(const AM_MEDIA_TYPE*) { return S_OK; }
HRESULT RendererBase::CompleteConnect(IPin*) { return S_OK; }
HRESULT RendererBase::BreakConnect() { return S_OK; }
void RendererBase::OnReceiveFirstSample(IMediaSample*) {}

void RendererBase::DropHeldSample() {
  std::lock_guard lock(renderLock_);
  heldSample_.Reset();
}

void RendererBase::SendEndOfStreamEvent() {
  NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(AsBaseFilter()));
}

HRESULT RendererBase::OnPause(FILTER_STATE previous) {
  bool complete = false;
  {
    std::lock_guard lock(renderLock_);
    if (previous == State_Stopped) {
      flushing_ = false;
      endOfStream_ = false;
      completeSent_ = false;
      heldSample_.Reset();
    }
    streamState_ = State_Paused;
    clock_ = Clock();
    // Paused is complete once there is something to show (or nothing can come).
    complete = !pin_.IsConnected() || heldSample_ || endOfStream_;
    if (complete) {
      stateComplete_.Set();
    } else {
      stateComplete_.Reset();
    }
    wake_.Set();
  }
  if (previous == State_Stopped) OnStartStreaming();
  // S_OK even while waiting for the first sample (GetState reports that): Wine's graph manager lets
  // a renderer's S_FALSE hide another filter's failure to pause, such as a camera that another
  // program holds, and IMediaControl::Run would then report success.
  return S_OK;
}

HRESULT RendererBase::OnRun(REFERENCE_TIME start) {
  bool sendComplete = false;
  {
    std::lock_guard lock(renderLock_);
    streamState_ = State_Running;
    streamStart_ = start;
    clock_ = Clock();
    stateComplete_.Set();
    // Without a connection nothing will ever end the stream: the renderer is complete at once.
    if ((endOfStream_ || !pin_.IsConnected()) && !completeSent_) {
      completeSent_ = true;
      sendComplete = true;
    }
    wake_.Set();
  }
  if (sendComplete) SendEndOfStreamEvent();
  return S_OK;
}

void RendererBase::OnStop() {
  {
    std::lock_guard lock(renderLock_);
    streamState_ = State_Stopped;
    heldSample_.Reset();
    endOfStream_ = false;
    completeSent_ = false;
    flushing_ = false;
    stateComplete_.Set();
    wake_.Set();
  }
  OnStopStreaming();
}

HRESULT RendererBase::StateCompletion(FILTER_STATE state, DWORD timeout) {
  if (state != State_Paused) return S_OK;
  return stateComplete_.Wait(timeout) ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

void RendererBase::BeginFlush() {
  std::lock_guard lock(renderLock_);
  flushing_ = true;
  heldSample_.Reset();
  endOfStream_ = false;
  completeSent_ = false;
  // A paused renderer waits for the first sample after the flush.
  if (streamState_ == State_Paused) stateComplete_.Reset();
  wake_.Set();
}

void RendererBase::EndFlush() {
  std::lock_guard lock(renderLock_);
  flushing_ = false;
}

HRESULT RendererBase::EndOfStream() {
  bool sendComplete = false;
  {
    std::lock_guard lock(renderLock_);
    if (streamState_ == State_Stopped || flushing_) return S_OK;
    endOfStream_ = true;
    if (streamState_ == State_Paused) {
      stateComplete_.Set();
    } else if (!completeSent_) {
      completeSent_ = true;
      sendComplete = true;
    }
  }
  // Receive is synchronous, so every sample before this call has been rendered or dropped.
  if (sendComplete) SendEndOfStreamEvent();
  return S_OK;
}

bool RendererBase::StreamTimeNow(REFERENCE_TIME& streamTime) const {
  std::lock_guard lock(renderLock_);
  REFERENCE_TIME now = 0;
  if (!clock_ || FAILED(clock_->GetTime(&now))) return false;
  streamTime = now - streamStart_;
  return true;
}

bool RendererBase::ScheduleWait(IMediaSample* sample, DWORD_PTR& cookie) {
  if (!clock_) return false;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (FAILED(sample->GetTime(&start, &stop))) return false;
  REFERENCE_TIME now = 0;
  if (FAILED(clock_->GetTime(&now))) return false;
  if (now >= streamStart_ + start - kScheduleTolerance) return false;
  adviseEvent_.Reset();
  return SUCCEEDED(clock_->AdviseTime(streamStart_, start, reinterpret_cast<HEVENT>(adviseEvent_.get()),
                                      &cookie));
}

HRESULT RendererBase::Receive(IMediaSample* sample) {
  std::unique_lock lock(renderLock_);
  if (streamState_ == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  // One sample at a time: a second one while the first waits is a protocol error upstream.
  if (heldSample_) return VFW_E_WRONG_STATE;
  heldSample_ = sample;
  bool firstSampleNotified = false;
  for (;;) {
    // Stop or a flush took the sample away: it is discarded.
    if (heldSample_.Get() != sample) return streamState_ == State_Stopped ? VFW_E_WRONG_STATE : S_OK;
    if (streamState_ == State_Paused) {
      if (!firstSampleNotified) {
        GuardComCall([&] {
          OnReceiveFirstSample(sample);
          return S_OK;
        });
        firstSampleNotified = true;
      }
      stateComplete_.Set();
      lock.unlock();
      wake_.Wait(INFINITE);
      lock.lock();
      continue;
    }
    DWORD_PTR cookie = 0;
    if (ScheduleWait(sample, cookie)) {
      const ComPtr<IReferenceClock> clock = clock_;
      lock.unlock();
      const HANDLE handles[] = {adviseEvent_.get(), wake_.get()};
      ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      clock->Unadvise(cookie);
      lock.lock();
      continue;
    }
    const HRESULT hr = GuardComCall([&] { return DoRenderSample(sample); });
    heldSample_.Reset();
    return hr;
  }
}

}  // namespace orvane
