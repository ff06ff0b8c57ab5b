#include "tools/camclient/ProcessReport.h"

#include <windows.h>

#include <cstdio>

#include "platform/win/StringConversion.h"

namespace orvane::camclient {

std::string Printable(const std::wstring& text) { return WideToUtf8(text).value_or("?"); }

namespace {

struct CpuTimes {
  double user = 0;
  double kernel = 0;
};

CpuTimes ReadCpuTimes() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  const auto value = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
  };
  return {value(user), value(kernel)};
}

}  // namespace

double ProcessCpuSeconds() {
  const CpuTimes times = ReadCpuTimes();
  return times.user + times.kernel;
}

void PrintProcessTimes(double seconds) {
  const CpuTimes times = ReadCpuTimes();
  const double userSeconds = times.user, kernelSeconds = times.kernel;
  std::printf("cpu: %.2f s user, %.2f s kernel (%.0f%% of one core over %.1f s)\n", userSeconds, kernelSeconds,
              seconds > 0 ? 100.0 * (userSeconds + kernelSeconds) / seconds : 0.0, seconds);
}

}  // namespace orvane::camclient
