// A test peer that offers one video media type and delivers samples of exactly the bytes and length a
// test gives, so that renderer tests control what DoRenderSample sees (short samples, exact lengths,
// chosen pixels, a new media type announced by a sample). Push returns the downstream Receive's result; while the renderer is paused it
// blocks, so such pushes run on a helper thread. Threading as OutputPin: the graph's thread connects
// and changes state, one thread at a time pushes.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/OutputPin.h"

namespace orvane::testing {

// A media type of `subtype` (RGB24, RGB32, YUY2 or NV12) and size, in VIDEOINFOHEADER or, with
// `videoInfo2`, VIDEOINFOHEADER2, at 30 frames per second.
MediaType MakeVideoType(const GUID& subtype, int32_t width, int32_t height, bool videoInfo2 = false);

class FramePushSource;

class FramePushPin : public OutputPin {
 public:
  FramePushPin(FramePushSource& filter, MediaType type, long bufferSize);

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int index, MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) override;

 private:
  MediaType type_;
  const long bufferSize_;
};

class FramePushSource : public BaseFilter {
 public:
  // {5E0F6C1A-3E0B-4C53-9A4F-6D1B2C3A4D21}
  static constexpr CLSID kClsid = {0x5E0F6C1A, 0x3E0B, 0x4C53, {0x9A, 0x4F, 0x6D, 0x1B, 0x2C, 0x3A, 0x4D, 0x21}};

  // Samples hold up to `bufferSize` bytes.
  FramePushSource(const MediaType& type, long bufferSize);

  // Copies `length` bytes of `data` (null: zero bytes of that length) into a sample, without time
  // stamps, and delivers it; with `type`, the sample announces that media type.
  HRESULT Push(const uint8_t* data, long length, const AM_MEDIA_TYPE* type = nullptr);

 protected:
  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

 private:
  static MediaType Copy(const MediaType& type);
  ComObject<FramePushPin> pin_;
};

}  // namespace orvane::testing
