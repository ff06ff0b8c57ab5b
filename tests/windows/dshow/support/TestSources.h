// Upstream peers for renderer tests, built on the framework:
//   TestPushSource  an output pin without a thread: the test pushes each sample (from a helper thread
//                   when the push may block) and end of stream; the pin answers IMediaSeeking so that
//                   the renderer's seeking pass-through has something to forward to.
//   TestFrameSource a SourceStream filter (live or cued) that sends numbered RGB32 frames, ending the
//                   stream after a given number of frames.
// Both offer RGB32 64 x 48 (VIDEOINFOHEADER, 30 frames per second). Threading as their bases.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <atomic>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/OutputPin.h"
#include "platform/dshow/SourceBase.h"
#include "platform/dshow/SourceStream.h"

namespace orvane::testing {

inline constexpr LONG kTestFrameWidth = 64;
inline constexpr LONG kTestFrameHeight = 48;
inline constexpr long kTestFrameBytes = kTestFrameWidth * kTestFrameHeight * 4;
inline constexpr REFERENCE_TIME kTestFrameInterval = 333333;
inline constexpr REFERENCE_TIME kTestDuration = 50000000;  // what the push source reports: 5 s

// The RGB32 type both sources offer.
MediaType MakeTestFrameType();

class TestPushSource;

class TestPushPin : public OutputPin, public IMediaSeeking {
 public:
  using Interfaces = OutputPin::Interfaces::With<IMediaSeeking>;

  explicit TestPushPin(TestPushSource& filter);

  // IMediaSeeking: duration and positions in REFERENCE_TIME; positions are recorded, nothing seeks.
  STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  LONGLONG LastSeekPosition() const { return lastSeek_.load(); }

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int index, MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) override;

 private:
  std::atomic<LONGLONG> lastSeek_{-1};
};

class TestPushSource : public BaseFilter {
 public:
  // {5E0F6C1A-3E0B-4C53-9A4F-6D1B2C3A4D02}
  static constexpr CLSID kClsid = {0x5E0F6C1A, 0x3E0B, 0x4C53, {0x9A, 0x4F, 0x6D, 0x1B, 0x2C, 0x3A, 0x4D, 0x02}};

  TestPushSource();

  // Gets a buffer, stamps it (null: no time stamps) and delivers it; the downstream Receive's result.
  HRESULT Push(const REFERENCE_TIME* start, const REFERENCE_TIME* stop);
  HRESULT PushEndOfStream();
  TestPushPin& Output() { return pin_; }

 protected:
  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

 private:
  ComObject<TestPushPin> pin_;
};

class TestFrameSource;

class TestFrameStream : public SourceStream {
 public:
  TestFrameStream(TestFrameSource& filter, SourceTiming timing, LONGLONG frameLimit);

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int index, MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) override;
  // Writes the frame number into the first eight bytes; S_FALSE after the frame limit.
  HRESULT FillFrame(IMediaSample* sample, FrameTiming& timing) override;

 private:
  const LONGLONG frameLimit_;
};

class TestFrameSource : public SourceBase {
 public:
  // {5E0F6C1A-3E0B-4C53-9A4F-6D1B2C3A4D03}
  static constexpr CLSID kClsid = {0x5E0F6C1A, 0x3E0B, 0x4C53, {0x9A, 0x4F, 0x6D, 0x1B, 0x2C, 0x3A, 0x4D, 0x03}};

  // frameLimit < 0: no end.
  TestFrameSource(SourceTiming timing, LONGLONG frameLimit);

  TestFrameStream& Stream() { return stream_; }

 protected:
  int PinCount() override { return 1; }
  SourceStream* StreamAt(int index) override { return index == 0 ? &stream_ : nullptr; }

 private:
  ComObject<TestFrameStream> stream_;
};

}  // namespace orvane::testing
