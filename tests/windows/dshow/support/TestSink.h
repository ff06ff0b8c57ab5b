// A renderer built on RendererBase that records what it renders, as the peer of graph tests.
// Rendering happens on the upstream streaming thread; the record and the waits are safe from any
// thread (guarded by its own mutex).
#pragma once

#include <windows.h>
#include <strmif.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/RendererBase.h"

namespace orvane::testing {

struct RenderedSample {
  bool hasTime = false;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  REFERENCE_TIME streamTimeAtRender = -1;  // the clock's stream time when rendered; -1 without clock
  long length = 0;
  bool discontinuity = false;
  std::vector<BYTE> data;  // only when keeping data
};

class TestSink : public RendererBase {
 public:
  // {5E0F6C1A-3E0B-4C53-9A4F-6D1B2C3A4D01}
  static constexpr CLSID kClsid = {0x5E0F6C1A, 0x3E0B, 0x4C53, {0x9A, 0x4F, 0x6D, 0x1B, 0x2C, 0x3A, 0x4D, 0x01}};

  TestSink();

  // Video subtypes the sink accepts; by default RGB24, RGB32, YUY2, NV12 and MJPG.
  void AcceptOnly(std::vector<GUID> subtypes);
  void KeepSampleData(bool keep);
  // True once at least `count` samples were rendered, false after `milliseconds` without.
  bool WaitForRendered(size_t count, DWORD milliseconds);
  std::vector<RenderedSample> Rendered() const;
  size_t RenderedCount() const;
  size_t HeldNotifications() const;
  // The type the input pin was connected with (copied at CompleteConnect).
  MediaType ConnectedType() const;
  IPin* Pin() { return InputPinOf().AsPin(); }

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  void OnReceiveFirstSample(IMediaSample* sample) override;

 private:
  mutable std::mutex mutex_;
  std::condition_variable renderedChanged_;
  std::vector<GUID> subtypes_;
  bool keepData_ = false;
  std::vector<RenderedSample> rendered_;
  size_t heldNotifications_ = 0;
  MediaType connectedType_;
};

}  // namespace orvane::testing
