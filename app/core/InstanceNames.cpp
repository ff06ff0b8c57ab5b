#include "app/core/InstanceNames.h"

#include <cstdint>

#include "app/settings/SettingsNames.h"

namespace orvane {
namespace {

// index + 1 in decimal, computed wide enough that the largest index does not overflow.
std::wstring Ordinal(int deviceIndex) { return std::to_wstring(static_cast<int64_t>(deviceIndex) + 1); }

}  // namespace

std::wstring PerDeviceKeyPath(int deviceIndex, int deviceCount) {
  std::wstring path = settings::kBaseKey;
  if (deviceCount > 1) path += L"\\" + Ordinal(deviceIndex);
  return path;
}

std::wstring AutostartEntryName(int deviceIndex, int deviceCount) {
  std::wstring name = L"Orvane";
  if (deviceCount > 1 && deviceIndex > 0) name += L" #" + Ordinal(deviceIndex);
  return name;
}

std::wstring InstanceMutexName(int index) {
  std::wstring name = L"Global\\OrvaneMutex";
  if (index != 0) name += L"_" + std::to_wstring(index);
  return name;
}

std::wstring AutostartCommand(std::wstring_view programPath) {
  std::wstring command = L"\"";
  command += programPath;
  command += L"\" /silent";
  return command;
}

}  // namespace orvane
