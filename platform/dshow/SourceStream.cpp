#include "platform/dshow/SourceStream.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <evcode.h>
#include <uuids.h>

#include <algorithm>
#include <mutex>
#include <system_error>

#include "platform/com/ComBoundary.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/PerformanceCounter.h"

namespace orvane {
namespace {

constexpr REFERENCE_TIME kDefaultFrameInterval = 333333;  // 30 frames per second
// A frame due within this much (100-ns units) is made at once.
constexpr REFERENCE_TIME kPacingTolerance = 10000;

}  // namespace

SourceStream::SourceStream(BaseFilter& filter, std::wstring name, SourceTiming timing)
    : OutputPin(filter, std::move(name)), timing_(timing) {}

// The filter stops its streams before it goes (the graph stops it); this only guards against a
// thread outliving its pin.
SourceStream::~SourceStream() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(streamLock_);
      request_ = Request::Stop;
    }
    wake_.Set();
    thread_.join();
  }
}

REFERENCE_TIME SourceStream::FrameInterval() {
  const AM_MEDIA_TYPE& type = ConnectionType().get();
  REFERENCE_TIME interval = 0;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat) {
    interval = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
  } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2) &&
             type.pbFormat) {
    interval = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->AvgTimePerFrame;
  }
  return interval > 0 ? interval : kDefaultFrameInterval;
}

void SourceStream::StampSample(IMediaSample* sample, const FrameTiming& timing) {
  REFERENCE_TIME start = timing.start;
  REFERENCE_TIME stop = timing.stop;
  sample->SetTime(&start, &stop);
  LONGLONG mediaStart = timing.frameNumber;
  LONGLONG mediaStop = timing.frameNumber + 1;
  sample->SetMediaTime(&mediaStart, &mediaStop);
  sample->SetSyncPoint(TRUE);
  sample->SetPreroll(FALSE);
  sample->SetDiscontinuity(timing.discontinuity ? TRUE : FALSE);
}

HRESULT SourceStream::StartStreaming() {
  if (thread_.joinable()) return S_OK;
  {
    std::lock_guard lock(streamLock_);
    request_ = Request::None;
    parked_ = false;
    state_ = State_Paused;
    clock_ = Filter().Clock();
    runStart_ = 0;
    nextDue_ = 0;
    restartTiming_ = true;
    frameNumber_ = 0;
    discontinuity_ = true;
    ended_ = false;
    skipped_ = 0;
  }
  parkedEvent_.Reset();
  try {
    thread_ = std::thread([this] { ThreadMain(); });
  } catch (const std::system_error&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void SourceStream::PauseStreaming() {
  std::lock_guard lock(streamLock_);
  state_ = State_Paused;
  restartTiming_ = true;
  wake_.Set();
}

void SourceStream::RunStreaming(REFERENCE_TIME start) {
  std::lock_guard lock(streamLock_);
  state_ = State_Running;
  clock_ = Filter().Clock();
  // Without a clock the stream keeps its own time from now on.
  runStart_ = clock_ ? start : PerformanceCounterTime();
  wake_.Set();
}

void SourceStream::StopStreaming() {
  {
    std::lock_guard lock(streamLock_);
    request_ = Request::Stop;
    state_ = State_Stopped;
  }
  wake_.Set();
  // A thread waiting for a buffer is released by the decommit.
  Inactive();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(streamLock_);
  request_ = Request::None;
}

HRESULT SourceStream::FlushStream() {
  std::lock_guard filterLock(Filter().FilterLock());
  {
    std::lock_guard lock(streamLock_);
    if (!thread_.joinable() || state_ == State_Stopped) return S_FALSE;
    request_ = Request::Park;
    parked_ = false;
    parkedEvent_.Reset();
  }
  wake_.Set();
  // The flush releases a downstream Receive that holds the thread, which then parks.
  DeliverBeginFlush();
  parkedEvent_.Wait(INFINITE);
  DeliverEndFlush();
  DeliverNewSegment(0, MAXLONGLONG, 1.0);
  {
    std::lock_guard lock(streamLock_);
    frameNumber_ = 0;
    discontinuity_ = true;
    ended_ = false;
    restartTiming_ = true;
    nextDue_ = 0;
    request_ = Request::None;
    parked_ = false;
  }
  wake_.Set();
  return S_OK;
}

LONGLONG SourceStream::SkippedFrames() const {
  std::lock_guard lock(streamLock_);
  return skipped_;
}

REFERENCE_TIME SourceStream::Now(const ComPtr<IReferenceClock>& clock) const {
  if (clock) {
    REFERENCE_TIME now = 0;
    if (SUCCEEDED(clock->GetTime(&now))) return now;
  }
  return PerformanceCounterTime();
}

bool SourceStream::WaitUntil(REFERENCE_TIME due, const ComPtr<IReferenceClock>& clock,
                             REFERENCE_TIME runStart) {
  if (clock) {
    DWORD_PTR cookie = 0;
    adviseEvent_.Reset();
    if (SUCCEEDED(clock->AdviseTime(runStart, due, reinterpret_cast<HEVENT>(adviseEvent_.get()), &cookie))) {
      const HANDLE handles[] = {adviseEvent_.get(), wake_.get()};
      const DWORD woke = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      clock->Unadvise(cookie);
      return woke == WAIT_OBJECT_0;
    }
  }
  const REFERENCE_TIME remaining = runStart + due - Now(nullptr);
  if (remaining <= 0) return true;
  const auto milliseconds = static_cast<DWORD>(std::min<REFERENCE_TIME>(remaining / 10000 + 1, 60000));
  return !wake_.Wait(milliseconds);
}

void SourceStream::ThreadMain() {
  // Producers may use COM (imaging, for example) on this thread.
  const ComInitialization com(COINIT_MULTITHREADED);
  for (;;) {
    bool more = false;
    GuardComCall([&] {
      more = StreamOnce();
      return S_OK;
    });
    if (!more) break;
  }
}

bool SourceStream::StreamOnce() {
  std::unique_lock lock(streamLock_);
  if (request_ == Request::Stop) return false;
  if (request_ == Request::Park) {
    parked_ = true;
    parkedEvent_.Set();
    lock.unlock();
    wake_.Wait(INFINITE);
    return true;
  }
  const bool active = timing_ == SourceTiming::Cued ? state_ != State_Stopped : state_ == State_Running;
  if (!active || ended_) {
    lock.unlock();
    wake_.Wait(INFINITE);
    return true;
  }

  const REFERENCE_TIME interval = FrameInterval();
  FrameTiming timing;
  timing.frameNumber = frameNumber_;
  if (timing_ == SourceTiming::Live) {
    const ComPtr<IReferenceClock> clock = clock_;
    const REFERENCE_TIME runStart = runStart_;
    const REFERENCE_TIME now = Now(clock) - runStart;
    if (restartTiming_) {
      nextDue_ = std::max(nextDue_, now);
      restartTiming_ = false;
    }
    REFERENCE_TIME due = nextDue_;
    if (now - due >= interval) {
      // Too late for these frames: skip them rather than deliver a burst.
      const LONGLONG behind = (now - due) / interval;
      skipped_ += behind;
      due += behind * interval;
      discontinuity_ = true;
    }
    if (due > now + kPacingTolerance) {
      lock.unlock();
      if (!WaitUntil(due, clock, runStart)) return true;
      lock.lock();
      if (request_ != Request::None || state_ != State_Running) return true;
    }
    timing.start = due;
    nextDue_ = due + interval;
  } else {
    timing.start = frameNumber_ * interval;
  }
  timing.stop = timing.start + interval;
  timing.discontinuity = discontinuity_;
  lock.unlock();

  ComPtr<IMediaSample> sample;
  HRESULT hr = GetDeliveryBuffer(sample, nullptr, nullptr, 0);
  if (FAILED(hr)) {
    // Decommitted: a stop or a flush is on its way and has set the wake event.
    wake_.Wait(INFINITE);
    return true;
  }
  hr = GuardComCall([&] { return FillFrame(sample.Get(), timing); });
  if (hr != S_OK) {
    if (FAILED(hr)) Filter().NotifyEvent(EC_ERRORABORT, hr, 0);
    DeliverEndOfStream();
    std::lock_guard relock(streamLock_);
    ended_ = true;
    return true;
  }
  StampSample(sample.Get(), timing);
  hr = Deliver(sample.Get());
  sample.Reset();
  std::lock_guard relock(streamLock_);
  // A pause or a flush meanwhile has set the timing up anew.
  if (timing_ == SourceTiming::Live && !restartTiming_) nextDue_ = timing.start + interval;
  frameNumber_ = timing.frameNumber + 1;
  discontinuity_ = false;
  // Downstream refused the sample (stopping, flushing, or done): wait for a restart.
  if (hr != S_OK) ended_ = true;
  return true;
}

}  // namespace orvane
