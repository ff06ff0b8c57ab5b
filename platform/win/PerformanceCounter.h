// The system's performance counter in 100-ns units: a monotonic clock that every process of the
// machine shares, for time stamps that another process compares (the test pattern's capture time)
// and for pacing without a graph clock. Any thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace orvane {

inline int64_t PerformanceCounterTime() noexcept {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  // Whole seconds and the rest apart, so that the multiplication cannot overflow.
  const int64_t seconds = counter.QuadPart / frequency.QuadPart;
  const int64_t rest = counter.QuadPart % frequency.QuadPart;
  return seconds * 10000000 + rest * 10000000 / frequency.QuadPart;
}

}  // namespace orvane
