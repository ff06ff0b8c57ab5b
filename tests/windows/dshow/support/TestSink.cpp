#include "tests/windows/dshow/support/TestSink.h"

#include <uuids.h>

#include <algorithm>

namespace orvane::testing {

TestSink::TestSink()
    : RendererBase(kClsid, L"Test Sink"),
      subtypes_{MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_NV12,
                MEDIASUBTYPE_MJPG} {}

void TestSink::AcceptOnly(std::vector<GUID> subtypes) {
  std::lock_guard lock(mutex_);
  subtypes_ = std::move(subtypes);
}

void TestSink::KeepSampleData(bool keep) {
  std::lock_guard lock(mutex_);
  keepData_ = keep;
}

bool TestSink::WaitForRendered(size_t count, DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  return renderedChanged_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [&] { return rendered_.size() >= count; });
}

std::vector<RenderedSample> TestSink::Rendered() const {
  std::lock_guard lock(mutex_);
  return rendered_;
}

size_t TestSink::RenderedCount() const {
  std::lock_guard lock(mutex_);
  return rendered_.size();
}

size_t TestSink::HeldNotifications() const {
  std::lock_guard lock(mutex_);
  return heldNotifications_;
}

MediaType TestSink::ConnectedType() const {
  std::lock_guard lock(mutex_);
  MediaType copy;
  copy.Assign(connectedType_.get());
  return copy;
}

HRESULT TestSink::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->majortype != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
  if (type->formattype != FORMAT_VideoInfo && type->formattype != FORMAT_VideoInfo2) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  std::lock_guard lock(mutex_);
  const bool known = std::find(subtypes_.begin(), subtypes_.end(), type->subtype) != subtypes_.end();
  return known ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestSink::CompleteConnect(IPin* receivePin) {
  MediaType type;
  const HRESULT hr = InputPinOf().GetConnectionType(type);
  if (SUCCEEDED(hr)) {
    std::lock_guard lock(mutex_);
    connectedType_ = std::move(type);
  }
  return RendererBase::CompleteConnect(receivePin);
}

HRESULT TestSink::DoRenderSample(IMediaSample* sample) {
  RenderedSample record;
  record.hasTime = SUCCEEDED(sample->GetTime(&record.start, &record.stop));
  record.length = sample->GetActualDataLength();
  record.discontinuity = sample->IsDiscontinuity() == S_OK;
  REFERENCE_TIME streamTime = 0;
  if (StreamTimeNow(streamTime)) record.streamTimeAtRender = streamTime;
  BYTE* data = nullptr;
  std::lock_guard lock(mutex_);
  if (keepData_ && SUCCEEDED(sample->GetPointer(&data)) && record.length > 0) {
    record.data.assign(data, data + record.length);
  }
  rendered_.push_back(std::move(record));
  renderedChanged_.notify_all();
  return S_OK;
}

void TestSink::OnReceiveFirstSample(IMediaSample*) {
  std::lock_guard lock(mutex_);
  ++heldNotifications_;
}

}  // namespace orvane::testing
