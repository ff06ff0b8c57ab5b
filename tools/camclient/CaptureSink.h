// camclient's renderer at the end of the capture graph, built on our renderer base: it accepts the four
// uncompressed layouts, takes the arrival time of every frame, reads the synthetic webcam's pattern in
// it, feeds FrameStatistics, keeps a copy of the last frame for saving, and sets an optional named
// event at the first frame.
// Threading: DoRenderSample on the source's streaming thread; the statistics, the last frame and the
// waits are guarded by the sink's own mutex and may be read from any thread.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/dshow/RendererBase.h"
#include "platform/win/UniqueResource.h"
#include "tools/camclient/FrameStatistics.h"

namespace orvane::camclient {

class CaptureSink : public RendererBase {
 public:
  // {6B1F0D52-8E43-4C1A-B7A5-2F3C9D8E1A40}
  static constexpr CLSID kClsid = {0x6B1F0D52, 0x8E43, 0x4C1A, {0xB7, 0xA5, 0x2F, 0x3C, 0x9D, 0x8E, 0x1A, 0x40}};

  CaptureSink();

  // Before the graph runs; starts the statistics anew.
  void Configure(std::optional<Expectation> expected, bool keepLastFrame, UniqueHandle readyEvent);

  // True once `frames` frames arrived; false after `milliseconds` without.
  bool WaitForFrames(int64_t frames, DWORD milliseconds);
  // A copy of the statistics so far (empty before the pin is connected).
  std::optional<FrameStatistics> Statistics() const;
  // The connection's geometry and the last frame's pixels; false before the first frame.
  bool LastFrame(FrameHeader& geometry, std::vector<uint8_t>& pixels) const;

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::optional<Expectation> expected_;
  bool keepLastFrame_ = false;
  UniqueHandle readyEvent_;
  FrameHeader geometry_{};
  size_t imageSize_ = 0;
  REFERENCE_TIME interval_ = 0;
  std::optional<FrameStatistics> statistics_;
  std::vector<uint8_t> lastFrame_;
};

}  // namespace orvane::camclient
