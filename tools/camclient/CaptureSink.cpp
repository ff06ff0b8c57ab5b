#include "tools/camclient/CaptureSink.h"

#include <uuids.h>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "platform/win/PerformanceCounter.h"

namespace orvane::camclient {

CaptureSink::CaptureSink() : RendererBase(kClsid, L"Camera Client") {}

void CaptureSink::Configure(std::optional<Expectation> expected, bool keepLastFrame, UniqueHandle readyEvent) {
  std::lock_guard lock(mutex_);
  expected_ = std::move(expected);
  keepLastFrame_ = keepLastFrame;
  readyEvent_ = std::move(readyEvent);
  if (statistics_) statistics_.emplace(interval_, expected_);
}

HRESULT CaptureSink::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  return GeometryFromMediaType(*type).ok() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CaptureSink::SetMediaType(const AM_MEDIA_TYPE* type) {
  const VideoMediaGeometry geometry = GeometryFromMediaType(*type);
  if (!geometry.ok()) return VFW_E_TYPE_NOT_ACCEPTED;
  std::lock_guard lock(mutex_);
  geometry_ = geometry.frame.header;
  imageSize_ = geometry.frame.imageSize;
  interval_ = FrameIntervalOf(*type);
  statistics_.emplace(interval_, expected_);
  lastFrame_.clear();
  return RendererBase::SetMediaType(type);
}

HRESULT CaptureSink::DoRenderSample(IMediaSample* sample) {
  FrameArrival frame;
  frame.arrival = PerformanceCounterTime();
  REFERENCE_TIME start = 0, stop = 0;
  frame.hasTime = SUCCEEDED(sample->GetTime(&start, &stop));
  frame.start = start;
  BYTE* data = nullptr;
  const long length = sample->GetActualDataLength();
  FrameHeader geometry{};
  size_t imageSize = 0;
  {
    // The connection cannot change while samples arrive; the copy only keeps the lock short.
    std::lock_guard lock(mutex_);
    geometry = geometry_;
    imageSize = imageSize_;
  }
  PatternReading reading;
  const bool whole = SUCCEEDED(sample->GetPointer(&data)) && length >= 0 && imageSize > 0 &&
                     static_cast<size_t>(length) >= imageSize;
  if (whole) {
    reading = ReadTestPattern(geometry, data, static_cast<size_t>(length));
    frame.reading = &reading;
  }
  std::lock_guard lock(mutex_);
  if (whole && keepLastFrame_) lastFrame_.assign(data, data + imageSize);
  if (statistics_) statistics_->Add(frame);
  if (readyEvent_) {
    SetEvent(readyEvent_.get());
    readyEvent_.reset();
  }
  arrived_.notify_all();
  return S_OK;
}

bool CaptureSink::WaitForFrames(int64_t frames, DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [&] { return statistics_ && statistics_->frames() >= frames; });
}

std::optional<FrameStatistics> CaptureSink::Statistics() const {
  std::lock_guard lock(mutex_);
  return statistics_;
}

bool CaptureSink::LastFrame(FrameHeader& geometry, std::vector<uint8_t>& pixels) const {
  std::lock_guard lock(mutex_);
  if (lastFrame_.empty()) return false;
  geometry = geometry_;
  pixels = lastFrame_;
  return true;
}

}  // namespace orvane::camclient
