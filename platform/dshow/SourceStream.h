// An output pin with its own streaming thread that produces and delivers samples at a frame rate.
//   Live  (a camera) delivers only while running, paced by the graph's clock: frame n is due at the
//         stream time the stream reached when it (re)started running plus n frame intervals; a frame
//         that cannot be made in time is skipped, not queued. Paused, a live filter reports
//         VFW_S_CANT_CUE.
//   Cued  (a file-like source) delivers as soon as the filter is paused, as fast as downstream takes
//         samples, stamped 0, 1, 2... frame intervals from the start; downstream paces them.
// A derived pin supplies its media types (GetMediaType, CheckMediaType), its buffers
// (DecideBufferSize) and each frame (FillFrame); it may change the time stamps (StampSample) and the
// frame interval (FrameInterval). FillFrame answering S_FALSE ends the stream (end of stream is
// delivered); a failure also ends it and reports EC_ERRORABORT to the graph.
// Threading: StartStreaming, RunStreaming, PauseStreaming, StopStreaming and FlushStream come from
// the filter's state changes (graph thread, under FilterLock); FillFrame and StampSample run on the
// streaming thread, which never takes FilterLock. Owns the thread (joined by StopStreaming).
#pragma once

#include <windows.h>
#include <strmif.h>

#include <thread>

#include "platform/dshow/OutputPin.h"
#include "platform/win/CriticalSection.h"
#include "platform/win/Event.h"

namespace orvane {

enum class SourceTiming { Live, Cued };

// One frame's place in the stream, given to FillFrame and StampSample.
struct FrameTiming {
  LONGLONG frameNumber = 0;    // delivered frames since the stream started (Stop -> Pause, or a flush)
  REFERENCE_TIME start = 0;    // stream time of the frame's start
  REFERENCE_TIME stop = 0;     // start + frame interval
  bool discontinuity = false;  // first frame after a start or flush, or after skipped frames
};

class SourceStream : public OutputPin {
 public:
  SourceTiming Timing() const noexcept { return timing_; }

  // Filter state changes, under FilterLock.
  HRESULT StartStreaming();                    // Stopped -> Paused: the thread starts
  void PauseStreaming();                       // Running -> Paused
  void RunStreaming(REFERENCE_TIME start);     // -> Running with the graph's stream start
  void StopStreaming();                        // -> Stopped: the thread ends and is joined

  // Restarts the stream from the source side (a new format, a seek): downstream is flushed, the
  // thread waits meanwhile, numbering and (cued) time stamps start again from 0, and a new segment
  // is announced. Graph or application thread; not from the streaming thread. S_FALSE when stopped.
  HRESULT FlushStream();

  // Frames skipped because they could not be made in time (live), since the stream started.
  LONGLONG SkippedFrames() const;

 protected:
  SourceStream(BaseFilter& filter, std::wstring name, SourceTiming timing);
  ~SourceStream() override;

  // The connection's frame interval (VIDEOINFOHEADER's AvgTimePerFrame); 1/30 s when it has none.
  virtual REFERENCE_TIME FrameInterval();
  // Fills `sample` (data and actual length) for `timing`; may adjust `timing`. S_OK delivers it,
  // S_FALSE ends the stream, a failure ends it with EC_ERRORABORT. A live stream's next frame is due
  // one interval after the start that FillFrame leaves in `timing`: a source that follows an input of
  // its own may so shift its phase towards that input's (in small steps, keeping starts increasing).
  virtual HRESULT FillFrame(IMediaSample* sample, FrameTiming& timing) = 0;
  // Sets time stamps, media times, sync point and discontinuity from `timing`.
  virtual void StampSample(IMediaSample* sample, const FrameTiming& timing);

 private:
  enum class Request { None, Park, Stop };

  void ThreadMain();
  // One pass of the loop; false when the thread must end.
  bool StreamOnce();
  // Live pacing: waits until `due` (stream time); false when woken by a state change first.
  bool WaitUntil(REFERENCE_TIME due, const ComPtr<IReferenceClock>& clock, REFERENCE_TIME runStart);
  REFERENCE_TIME Now(const ComPtr<IReferenceClock>& clock) const;
  void DeliverFrame();

  const SourceTiming timing_;
  std::thread thread_;

  mutable CriticalSection streamLock_;
  // Under streamLock_:
  Request request_ = Request::None;
  bool parked_ = false;
  FILTER_STATE state_ = State_Stopped;
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME runStart_ = 0;       // clock time of stream time 0 (the clockless time base without a clock)
  REFERENCE_TIME nextDue_ = 0;        // live: stream time of the next frame
  bool restartTiming_ = true;         // live: nextDue_ follows the stream time at the next run
  LONGLONG frameNumber_ = 0;
  bool discontinuity_ = true;
  bool ended_ = false;                // end of stream delivered, or downstream refused samples
  LONGLONG skipped_ = 0;

  Event wake_{EventReset::Automatic};
  Event parkedEvent_{EventReset::Manual};
  Event adviseEvent_{EventReset::Automatic};
};

}  // namespace orvane
