#include "platform/dshow/MediaType.h"

#include <amvideo.h>
#include <dvdmedia.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace orvane {

// The platform-neutral mapping reads the bitmap header at these offsets.
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

void FreeMediaTypeContent(AM_MEDIA_TYPE& type) noexcept {
  if (type.pbFormat != nullptr) ::CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk != nullptr) type.pUnk->Release();
  type.pUnk = nullptr;
}

HRESULT CopyMediaTypeContent(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) noexcept {
  target = source;
  target.pbFormat = nullptr;
  target.cbFormat = 0;
  target.pUnk = nullptr;
  if (source.cbFormat != 0 && source.pbFormat != nullptr) {
    auto* block = static_cast<BYTE*>(::CoTaskMemAlloc(source.cbFormat));
    if (block == nullptr) return E_OUTOFMEMORY;
    std::memcpy(block, source.pbFormat, source.cbFormat);
    target.pbFormat = block;
    target.cbFormat = source.cbFormat;
  }
  if (source.pUnk != nullptr) {
    target.pUnk = source.pUnk;
    target.pUnk->AddRef();
  }
  return S_OK;
}

void MediaTypeDeleter::operator()(AM_MEDIA_TYPE* type) const noexcept {
  if (type == nullptr) return;
  FreeMediaTypeContent(*type);
  ::CoTaskMemFree(type);
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source) noexcept {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) return nullptr;
  if (FAILED(CopyMediaTypeContent(*copy, source))) {
    ::CoTaskMemFree(copy);
    return nullptr;
  }
  return copy;
}

MediaType::MediaType() noexcept : type_{} {}

MediaType::~MediaType() { Reset(); }

MediaType::MediaType(MediaType&& other) noexcept : type_(std::exchange(other.type_, AM_MEDIA_TYPE{})) {}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
  if (this != &other) {
    Reset();
    type_ = std::exchange(other.type_, AM_MEDIA_TYPE{});
  }
  return *this;
}

HRESULT MediaType::Assign(const AM_MEDIA_TYPE& source) noexcept {
  if (&source == &type_) return S_OK;
  AM_MEDIA_TYPE copy;
  const HRESULT hr = CopyMediaTypeContent(copy, source);
  if (FAILED(hr)) return hr;
  Reset();
  type_ = copy;
  return S_OK;
}

HRESULT MediaType::SetFormat(const GUID& formatType, const void* block, ULONG size) noexcept {
  BYTE* copy = nullptr;
  if (size != 0) {
    if (block == nullptr) return E_POINTER;
    copy = static_cast<BYTE*>(::CoTaskMemAlloc(size));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, block, size);
  }
  if (type_.pbFormat != nullptr) ::CoTaskMemFree(type_.pbFormat);
  type_.formattype = formatType;
  type_.pbFormat = copy;
  type_.cbFormat = size;
  return S_OK;
}

void MediaType::Reset() noexcept {
  FreeMediaTypeContent(type_);
  type_ = AM_MEDIA_TYPE{};
}

bool MatchesPartialMediaType(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& partial) noexcept {
  if (partial.majortype != GUID_NULL && partial.majortype != type.majortype) return false;
  if (partial.subtype != GUID_NULL && partial.subtype != type.subtype) return false;
  if (partial.formattype == GUID_NULL) return true;
  if (partial.formattype != type.formattype || partial.cbFormat != type.cbFormat) return false;
  return partial.cbFormat == 0 || (partial.pbFormat != nullptr && type.pbFormat != nullptr &&
                                   std::memcmp(partial.pbFormat, type.pbFormat, partial.cbFormat) == 0);
}

bool IsFullySpecified(const AM_MEDIA_TYPE& type) noexcept {
  return type.majortype != GUID_NULL && type.formattype != GUID_NULL;
}

VideoMediaGeometry GeometryFromMediaType(const AM_MEDIA_TYPE& type) {
  return GeometryFromMediaType(VideoMediaType{type.majortype, type.subtype, type.formattype,
                                              type.pbFormat, type.cbFormat});
}

}  // namespace orvane
