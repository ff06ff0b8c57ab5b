// The base of renderer filters: one input pin and the renderer's sample schedule.
//   Paused   the first sample is held (not rendered) and completes the pause; Receive waits. Until
//            then GetState reports VFW_S_STATE_INTERMEDIATE (Pause itself answers S_OK).
//   Running  each sample is rendered when the graph's clock reaches its start time (at once without
//            a clock or without time stamps). The held sample of a pause is rendered on Run.
//   Stop and BeginFlush release a waiting Receive and drop the held sample; at most one sample is
//   outstanding. End of stream reaches the graph (EC_COMPLETE) after the last rendered sample, or at
//   Run when it arrived while paused.
// IMediaSeeking and IMediaPosition are answered by the system's seeking pass-through
// (CLSID_SeekingPassThru, aggregated), which forwards to the upstream pin. The filter also answers
// IAMFilterMiscFlags as a renderer, so the graph waits for its end of stream.
// A sample that announces a new media type is checked and agreed on by the input pin (CheckMediaType,
// SetMediaType) before it is scheduled; a refused one is not rendered.
// A concrete renderer implements CheckMediaType and DoRenderSample, and may override SetMediaType,
// CompleteConnect, BreakConnect, OnReceiveFirstSample and the streaming start/stop notifications.
// Threading: Receive, EndOfStream and DoRenderSample on the upstream streaming thread; state changes
// and flushing on the graph's thread. The rendering lock (RenderLock) guards the schedule's state and
// is held around DoRenderSample; lock order: FilterLock, then RenderLock. Owns the held sample, the
// pass-through and its copy of the clock.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/InputPin.h"
#include "platform/win/CriticalSection.h"
#include "platform/win/Event.h"

namespace orvane {

class RendererBase;

// The renderer's input pin: it proposes no media types and accepts what the renderer accepts.
class RendererInputPin : public InputPin {
 public:
  RendererInputPin(RendererBase& renderer, std::wstring name);

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT CompleteConnect(IPin* peer) override;
  void BreakConnect() override;
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;
  bool ReceiveMayBlock() const override { return true; }

 private:
  RendererBase& renderer_;
};

class RendererBase : public BaseFilter, public IAMFilterMiscFlags {
 public:
  using Interfaces = BaseFilter::Interfaces::With<IAMFilterMiscFlags>;

  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  // The input pin (owned by the filter), for its connection media type.
  RendererInputPin& InputPinOf() noexcept { return pin_; }
  // Held around DoRenderSample and every change of the schedule's state. A derived renderer takes it
  // to change what DoRenderSample uses while samples flow.
  CriticalSection& RenderLock() noexcept { return renderLock_; }

 protected:
  RendererBase(const CLSID& clsid, std::wstring className, std::wstring pinName = L"In");
  ~RendererBase() override;

  // Connection hooks (under FilterLock). CheckMediaType gets null only from a caller's mistake.
  // CheckMediaType and SetMediaType also run on the streaming thread (still under FilterLock, before
  // the sample is scheduled) for a type that a sample announces: SetMediaType then switches what
  // DoRenderSample uses from that sample on (take RenderLock to change it), and a failure of either
  // refuses the sample.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type);
  virtual HRESULT CompleteConnect(IPin* receivePin);
  virtual HRESULT BreakConnect();
  // Renders one due sample; on the streaming thread, under RenderLock. Its result is Receive's. It
  // must not take FilterLock: Stop holds that while it waits for this call to end.
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  // A sample is being held while paused (once per held sample); under RenderLock.
  virtual void OnReceiveFirstSample(IMediaSample* sample);
  // The filter leaves Stopped / enters Stopped; under FilterLock.
  virtual void OnStartStreaming() {}
  virtual void OnStopStreaming() {}

  // The current stream time by the graph's clock, for DoRenderSample (under RenderLock, where
  // FilterLock must not be taken); false without a clock.
  bool StreamTimeNow(REFERENCE_TIME& streamTime) const;

  HRESULT FinalConstruct() override;
  HRESULT QueryInterfaceHook(REFIID iid, void** out) override;
  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override;
  HRESULT OnPause(FILTER_STATE previous) override;
  HRESULT OnRun(REFERENCE_TIME start) override;
  void OnStop() override;
  HRESULT StateCompletion(FILTER_STATE state, DWORD timeout) override;

 private:
  friend class RendererInputPin;

  HRESULT Receive(IMediaSample* sample);
  HRESULT EndOfStream();
  void BeginFlush();
  void EndFlush();
  void DropHeldSample();
  // The sample's due time against the clock: true when it must still wait, with the remaining wait
  // registered on adviseEvent_ (cookie in `cookie`).
  bool ScheduleWait(IMediaSample* sample, DWORD_PTR& cookie);
  void SendEndOfStreamEvent();

  ComObject<RendererInputPin> pin_;
  ComPtr<IUnknown> positionPassThru_;  // inner unknown of the aggregated pass-through

  mutable CriticalSection renderLock_;
  // Under renderLock_:
  FILTER_STATE streamState_ = State_Stopped;
  bool flushing_ = false;
  bool endOfStream_ = false;
  bool completeSent_ = false;
  ComPtr<IMediaSample> heldSample_;
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME streamStart_ = 0;

  // Signalled while the current state is complete (a paused renderer has its sample or end of stream).
  Event stateComplete_{EventReset::Manual, true};
  // Wakes a waiting Receive to look at the state again: set by every state change and flush.
  Event wake_{EventReset::Automatic};
  // Signalled by the clock when a sample is due.
  Event adviseEvent_{EventReset::Automatic};
};

}  // namespace orvane
