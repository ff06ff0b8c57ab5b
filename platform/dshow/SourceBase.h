// The base of source filters whose output pins are SourceStreams: the filter's state changes start,
// pause, run and stop the pins' streaming threads. A live source reports VFW_S_CANT_CUE while paused.
// A concrete source lists its streams (StreamAt) and may refuse to start by failing OnPause before
// calling the base (a camera in use elsewhere).
// Threading: as BaseFilter; the streams' threads never take FilterLock.
#pragma once

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/SourceStream.h"

namespace orvane {

class SourceBase : public BaseFilter {
 protected:
  SourceBase(const CLSID& clsid, std::wstring className);

  // The filter's streams, which are all of its pins.
  virtual SourceStream* StreamAt(int index) = 0;

  BasePin* PinAt(int index) final;
  HRESULT OnPause(FILTER_STATE previous) override;
  HRESULT OnRun(REFERENCE_TIME start) override;
  void OnStop() override;
  HRESULT StateCompletion(FILTER_STATE state, DWORD timeout) override;
};

}  // namespace orvane
