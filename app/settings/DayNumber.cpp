#include "app/settings/DayNumber.h"

namespace orvane {

int64_t DayNumberFromLocalFileTime(uint64_t localFileTime) {
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
  constexpr int64_t kSecondsPerDay = 86400;
  const int64_t seconds = static_cast<int64_t>(localFileTime / 10000000) - kSecondsFrom1601To1970;
  int64_t days = seconds / kSecondsPerDay;
  if (seconds % kSecondsPerDay < 0) --days;
  return days;
}

}  // namespace orvane
