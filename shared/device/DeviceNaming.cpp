#include "shared/device/DeviceNaming.h"

#include <cwctype>

namespace orvane::device {
namespace {

constexpr std::wstring_view kCaptureInterface = L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}";
constexpr std::wstring_view kCaptureInterfaceUpper = L"{65E8773D-8F56-11D0-A3B9-00A0C9223196}";

std::wstring FourDigits(int32_t number) {
  std::wstring digits = std::to_wstring(number);
  return std::wstring(digits.size() < 4 ? 4 - digits.size() : 0, L'0') + digits;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring InstanceId(int32_t number) { return L"ROOT\\IMAGE\\" + FourDigits(number); }

std::optional<int32_t> DeviceNumberFromInstanceId(std::wstring_view instanceId) {
  constexpr std::wstring_view kPrefix = L"ROOT\\IMAGE\\";
  if (instanceId.size() != kPrefix.size() + 4 || !EqualNoCase(instanceId.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  int32_t number = 0;
  for (wchar_t c : instanceId.substr(kPrefix.size())) {
    if (!IsDigit(c)) return std::nullopt;
    number = number * 10 + (c - L'0');
  }
  return number;
}

std::wstring DevicePath(int32_t number) {
  return L"\\\\?\\root#image#" + FourDigits(number) + L"#" + std::wstring(kCaptureInterface) + L"\\global";
}

std::optional<int32_t> DeviceNumberFromPath(std::wstring_view path) {
  constexpr std::wstring_view kMarker = L"root#image#";
  for (size_t at = 0; at + kMarker.size() <= path.size(); ++at) {
    if (!EqualNoCase(path.substr(at, kMarker.size()), kMarker)) continue;
    const std::wstring_view rest = path.substr(at + kMarker.size());
    if (rest.size() < 5 || !IsDigit(rest[0])) return std::nullopt;
    int32_t number = 0;
    for (size_t i = 0; i < 4 && IsDigit(rest[i]); ++i) number = number * 10 + (rest[i] - L'0');
    return number;
  }
  return std::nullopt;
}

std::wstring InterfaceKey(int32_t number) {
  return L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\" + std::wstring(kCaptureInterfaceUpper) +
         L"\\##?#ROOT#IMAGE#" + FourDigits(number) + L"#" + std::wstring(kCaptureInterface);
}

std::wstring DeviceParametersKey(int32_t number) { return InterfaceKey(number) + L"\\#GLOBAL\\Device Parameters"; }

std::wstring CategoryInstanceName(int32_t number) { return L"NimbCamera" + FourDigits(number); }

std::wstring CategoryEntryKey(int32_t number) {
  return L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\" + CategoryInstanceName(number);
}

std::wstring DeviceName(std::wstring_view baseName, int32_t index, int32_t count) {
  std::wstring name(baseName);
  if (count > 1) name += L" #" + std::to_wstring(index + 1);
  return name;
}

}  // namespace orvane::device
