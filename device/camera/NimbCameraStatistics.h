// INimbCameraStatistics: what one NimbCamera filter instance's stream has done so far, counted where it
// happens, so that the bounds the stream keeps against a hostile peer (a frame event that never stops
// being set, an idle picture path that must not be opened) can be observed without measuring time.
// The filter answers it through QueryInterface; any thread may call it. The method order is the vtable
// order.
#pragma once

#include <unknwn.h>

#include <cstdint>

namespace orvane::camera {

// At most this many wake-ups by the frame event without a new frame in one wait for a push; after them
// the wait listens only for the stop until its deadline, so a peer that keeps the event set cannot make
// the streaming thread spin.
inline constexpr uint32_t kMaxEmptyWakeUpsPerWait = 3;

struct StreamStatistics {
  uint64_t frameWaits;    // waits for a producer's push
  uint64_t emptyWakeUps;  // wake-ups by the frame event that found no new frame
  uint64_t idleDecodes;   // idle picture decodes started (after the path passed its rules)
  uint64_t idleDecodesEnded;  // of those, the ones whose result the stream has taken
};

inline constexpr IID IID_INimbCameraStatistics = {
    0x54D6EA5D, 0xCEA5, 0x4199, {0x9C, 0x5A, 0xC7, 0xAB, 0x43, 0xCC, 0x1B, 0xEE}};

struct INimbCameraStatistics : public IUnknown {
  // The counts since the filter was created; E_POINTER without `statistics`.
  virtual HRESULT STDMETHODCALLTYPE GetStreamStatistics(StreamStatistics* statistics) = 0;
};

}  // namespace orvane::camera

__CRT_UUID_DECL(orvane::camera::INimbCameraStatistics, 0x54D6EA5D, 0xCEA5, 0x4199, 0x9C, 0x5A, 0xC7, 0xAB, 0x43, 0xCC,
                0x1B, 0xEE)
