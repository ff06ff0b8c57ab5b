// AM_MEDIA_TYPE ownership and reading. MediaType owns one media type with its format block (CoTaskMem)
// and its pUnk reference; UniqueMediaTypePtr owns a whole AM_MEDIA_TYPE allocated with CoTaskMemAlloc,
// as media-type enumerators hand them out. Not thread-safe: one owner, one thread at a time.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <memory>

#include "platform/dshow/MediaTypeGeometry.h"

namespace orvane {

// Releases what an AM_MEDIA_TYPE owns (format block, pUnk) and zeroes those fields.
void FreeMediaTypeContent(AM_MEDIA_TYPE& type) noexcept;

// Deep copy of `source` into `target`, whose previous content is not freed. On failure (E_OUTOFMEMORY)
// `target` is left with no format block and no pUnk.
HRESULT CopyMediaTypeContent(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) noexcept;

struct MediaTypeDeleter {
  void operator()(AM_MEDIA_TYPE* type) const noexcept;
};
using UniqueMediaTypePtr = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;

// A CoTaskMem copy of `source` for handing out (IEnumMediaTypes::Next); null when memory runs out.
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source) noexcept;

class MediaType {
 public:
  MediaType() noexcept;
  ~MediaType();
  MediaType(MediaType&& other) noexcept;
  MediaType& operator=(MediaType&& other) noexcept;
  // Copying can fail, so it is explicit: Assign.
  MediaType(const MediaType&) = delete;
  MediaType& operator=(const MediaType&) = delete;

  // Replaces the content with a deep copy of `source`; unchanged on failure.
  HRESULT Assign(const AM_MEDIA_TYPE& source) noexcept;
  // Replaces the format block with a copy of `size` bytes at `block` (null and 0 for none).
  HRESULT SetFormat(const GUID& formatType, const void* block, ULONG size) noexcept;
  void Reset() noexcept;

  const AM_MEDIA_TYPE& get() const noexcept { return type_; }
  AM_MEDIA_TYPE& get() noexcept { return type_; }
  const AM_MEDIA_TYPE* operator->() const noexcept { return &type_; }
  AM_MEDIA_TYPE* operator->() noexcept { return &type_; }

 private:
  AM_MEDIA_TYPE type_;
};

// Whether `type` fits the pattern `partial`, as IPin::Connect reads it: GUID_NULL in the major type,
// subtype or format type of `partial` matches anything; a given format type also needs an equal block.
bool MatchesPartialMediaType(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& partial) noexcept;

// A type that names its major type and format type (IPin::Connect then tries exactly this type).
bool IsFullySpecified(const AM_MEDIA_TYPE& type) noexcept;

// The frame geometry of a video media type: the platform-neutral mapping applied to AM_MEDIA_TYPE.
VideoMediaGeometry GeometryFromMediaType(const AM_MEDIA_TYPE& type);

}  // namespace orvane
