#include "platform/dshow/SourceBase.h"

namespace orvane {

SourceBase::SourceBase(const CLSID& clsid, std::wstring className) : BaseFilter(clsid, std::move(className)) {}

BasePin* SourceBase::PinAt(int index) { return StreamAt(index); }

HRESULT SourceBase::OnPause(FILTER_STATE previous) {
  for (int i = 0; i < PinCount(); ++i) {
    SourceStream* stream = StreamAt(i);
    if (!stream->IsConnected()) continue;
    if (previous != State_Stopped) {
      stream->PauseStreaming();
      continue;
    }
    const HRESULT hr = stream->StartStreaming();
    if (FAILED(hr)) {
      for (int started = 0; started < i; ++started) StreamAt(started)->StopStreaming();
      return hr;
    }
  }
  return S_OK;
}

HRESULT SourceBase::OnRun(REFERENCE_TIME start) {
  for (int i = 0; i < PinCount(); ++i) {
    SourceStream* stream = StreamAt(i);
    if (stream->IsConnected()) stream->RunStreaming(start);
  }
  return S_OK;
}

void SourceBase::OnStop() {
  for (int i = 0; i < PinCount(); ++i) StreamAt(i)->StopStreaming();
}

HRESULT SourceBase::StateCompletion(FILTER_STATE state, DWORD) {
  if (state != State_Paused) return S_OK;
  for (int i = 0; i < PinCount(); ++i) {
    if (StreamAt(i)->Timing() == SourceTiming::Live) return VFW_S_CANT_CUE;
  }
  return S_OK;
}

}  // namespace orvane
