#include "tests/windows/dshow/support/TestSources.h"

#include <amvideo.h>
#include <uuids.h>

#include <cstring>

namespace orvane::testing {

MediaType MakeTestFrameType() {
  MediaType type;
  type->majortype = MEDIATYPE_Video;
  type->subtype = MEDIASUBTYPE_RGB32;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = kTestFrameBytes;
  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = kTestFrameInterval;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kTestFrameWidth;
  info.bmiHeader.biHeight = kTestFrameHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = kTestFrameBytes;
  type.SetFormat(FORMAT_VideoInfo, &info, sizeof info);
  return type;
}

namespace {

bool IsTestFrameType(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32 &&
         type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER);
}

}  // namespace

TestPushPin::TestPushPin(TestPushSource& filter) : OutputPin(filter, L"Out") {}

HRESULT TestPushPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return IsTestFrameType(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestPushPin::GetMediaType(int index, MediaType& type) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  type = MakeTestFrameType();
  return S_OK;
}

HRESULT TestPushPin::DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) {
  return SetBufferSize(allocator, requested, kTestFrameBytes, 2);
}

STDMETHODIMP TestPushPin::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetCurrentPos |
                  AM_SEEKING_CanSeekAbsolute;
  return S_OK;
}

STDMETHODIMP TestPushPin::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  DWORD ours = 0;
  GetCapabilities(&ours);
  const DWORD asked = *capabilities;
  *capabilities &= ours;
  return *capabilities == asked ? S_OK : (*capabilities != 0 ? S_FALSE : E_FAIL);
}

STDMETHODIMP TestPushPin::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP TestPushPin::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP TestPushPin::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

STDMETHODIMP TestPushPin::IsUsingTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP TestPushPin::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP TestPushPin::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  *duration = kTestDuration;
  return S_OK;
}

STDMETHODIMP TestPushPin::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  *stop = kTestDuration;
  return S_OK;
}

STDMETHODIMP TestPushPin::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  const LONGLONG seek = lastSeek_.load();
  *current = seek < 0 ? 0 : seek;
  return S_OK;
}

STDMETHODIMP TestPushPin::ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) { return E_NOTIMPL; }

STDMETHODIMP TestPushPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG*, DWORD) {
  if ((currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
    if (current == nullptr) return E_POINTER;
    lastSeek_.store(*current);
  }
  return S_OK;
}

STDMETHODIMP TestPushPin::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current != nullptr) GetCurrentPosition(current);
  if (stop != nullptr) *stop = kTestDuration;
  return S_OK;
}

STDMETHODIMP TestPushPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest != nullptr) *earliest = 0;
  if (latest != nullptr) *latest = kTestDuration;
  return S_OK;
}

STDMETHODIMP TestPushPin::SetRate(double rate) { return rate == 1.0 ? S_OK : E_INVALIDARG; }

STDMETHODIMP TestPushPin::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  *rate = 1.0;
  return S_OK;
}

STDMETHODIMP TestPushPin::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

TestPushSource::TestPushSource() : BaseFilter(kClsid, L"Test Push Source"), pin_(OwnedBy{*this}, *this) {}

HRESULT TestPushSource::Push(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin_.GetDeliveryBuffer(sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memset(data, 0x5A, kTestFrameBytes);
  sample->SetActualDataLength(kTestFrameBytes);
  REFERENCE_TIME startCopy = start != nullptr ? *start : 0;
  REFERENCE_TIME stopCopy = stop != nullptr ? *stop : 0;
  sample->SetTime(start != nullptr ? &startCopy : nullptr, stop != nullptr ? &stopCopy : nullptr);
  return pin_.Deliver(sample.Get());
}

HRESULT TestPushSource::PushEndOfStream() { return pin_.DeliverEndOfStream(); }

TestFrameStream::TestFrameStream(TestFrameSource& filter, SourceTiming timing, LONGLONG frameLimit)
    : SourceStream(filter, L"Out", timing), frameLimit_(frameLimit) {}

HRESULT TestFrameStream::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return IsTestFrameType(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestFrameStream::GetMediaType(int index, MediaType& type) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  type = MakeTestFrameType();
  return S_OK;
}

HRESULT TestFrameStream::DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) {
  return SetBufferSize(allocator, requested, kTestFrameBytes, 3);
}

HRESULT TestFrameStream::FillFrame(IMediaSample* sample, FrameTiming& timing) {
  if (frameLimit_ >= 0 && timing.frameNumber >= frameLimit_) return S_FALSE;
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  std::memset(data, 0, kTestFrameBytes);
  std::memcpy(data, &timing.frameNumber, sizeof timing.frameNumber);
  return sample->SetActualDataLength(kTestFrameBytes);
}

TestFrameSource::TestFrameSource(SourceTiming timing, LONGLONG frameLimit)
    : SourceBase(kClsid, L"Test Frame Source"), stream_(OwnedBy{*this}, *this, timing, frameLimit) {}

}  // namespace orvane::testing
