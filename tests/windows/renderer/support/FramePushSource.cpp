#include "tests/windows/renderer/support/FramePushSource.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <cstring>

#include "shared/FrameFormat.h"

namespace orvane::testing {

MediaType MakeVideoType(const GUID& subtype, int32_t width, int32_t height, bool videoInfo2) {
  MediaType type;
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  type->bFixedSizeSamples = TRUE;
  WORD bits = 16;
  if (subtype == MEDIASUBTYPE_RGB24) bits = 24;
  if (subtype == MEDIASUBTYPE_RGB32) bits = 32;
  if (subtype == MEDIASUBTYPE_NV12) bits = 12;
  BITMAPINFOHEADER bitmap{};
  bitmap.biSize = sizeof bitmap;
  bitmap.biWidth = width;
  bitmap.biHeight = height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = bits;
  bitmap.biCompression = subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 ? BI_RGB : subtype.Data1;
  bitmap.biSizeImage = static_cast<DWORD>((int64_t{width} * bits / 8) * (height < 0 ? -height : height));
  type->lSampleSize = bitmap.biSizeImage;
  if (videoInfo2) {
    VIDEOINFOHEADER2 info{};
    info.AvgTimePerFrame = 333333;
    info.bmiHeader = bitmap;
    type.SetFormat(FORMAT_VideoInfo2, &info, sizeof info);
  } else {
    VIDEOINFOHEADER info{};
    info.AvgTimePerFrame = 333333;
    info.bmiHeader = bitmap;
    type.SetFormat(FORMAT_VideoInfo, &info, sizeof info);
  }
  return type;
}

FramePushPin::FramePushPin(FramePushSource& filter, MediaType type, long bufferSize)
    : OutputPin(filter, L"Out"), type_(std::move(type)), bufferSize_(bufferSize) {}

HRESULT FramePushPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return MatchesPartialMediaType(type, type_.get()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT FramePushPin::GetMediaType(int index, MediaType& type) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  return type.Assign(type_.get());
}

HRESULT FramePushPin::DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) {
  return SetBufferSize(allocator, requested, bufferSize_, 2);
}

MediaType FramePushSource::Copy(const MediaType& type) {
  MediaType copy;
  copy.Assign(type.get());
  return copy;
}

FramePushSource::FramePushSource(const MediaType& type, long bufferSize)
    : BaseFilter(kClsid, L"Frame Push Source"), pin_(OwnedBy{*this}, *this, Copy(type), bufferSize) {}

HRESULT FramePushSource::Push(const uint8_t* data, long length, const AM_MEDIA_TYPE* type) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin_.GetDeliveryBuffer(sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  hr = sample->GetPointer(&buffer);
  if (FAILED(hr)) return hr;
  if (length > sample->GetSize()) return E_INVALIDARG;
  if (data != nullptr) {
    std::memcpy(buffer, data, static_cast<size_t>(length));
  } else {
    std::memset(buffer, 0, static_cast<size_t>(length));
  }
  hr = sample->SetActualDataLength(length);
  if (FAILED(hr)) return hr;
  sample->SetTime(nullptr, nullptr);
  if (type != nullptr) {
    hr = sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
    if (FAILED(hr)) return hr;
  }
  return pin_.Deliver(sample.Get());
}

}  // namespace orvane::testing
