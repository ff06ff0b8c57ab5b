#include "app/devices/DeviceNameRules.h"

#include "shared/device/DeviceNaming.h"

namespace orvane {

NameProblem CheckBaseName(std::wstring_view name) {
  if (name.empty()) return NameProblem::Empty;
  if (name.size() > kMaxBaseNameLength) return NameProblem::TooLong;
  for (wchar_t c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return NameProblem::ControlCharacter;
  }
  return NameProblem::None;
}

const char* DescribeNameProblem(NameProblem problem) {
  switch (problem) {
    case NameProblem::None:
      return "is fine";
    case NameProblem::Empty:
      return "is empty";
    case NameProblem::TooLong:
      return "is longer than 50 characters";
    case NameProblem::ControlCharacter:
      return "holds a control character";
  }
  return "is not a name";
}

BaseNameChoice ChooseBaseName(const std::optional<std::wstring>& stored, std::wstring_view defaultName) {
  if (stored) {
    const NameProblem problem = CheckBaseName(*stored);
    if (problem == NameProblem::None) return {*stored, NameProblem::None};
    return {std::wstring(defaultName), problem};
  }
  return {std::wstring(defaultName), NameProblem::None};
}

std::wstring RefreshedName(std::wstring_view baseName, int32_t number, int32_t count) {
  if (count == 1) return std::wstring(baseName);
  return std::wstring(baseName) + L" #" + std::to_wstring(number);
}

bool NeedsRename(const std::vector<RecordedNames>& devices, std::wstring_view baseName) {
  const auto count = static_cast<int32_t>(devices.size());
  for (int32_t i = 0; i < count; ++i) {
    const std::wstring wanted = device::DeviceName(baseName, i, count);
    const RecordedNames& names = devices[static_cast<size_t>(i)];
    if ((!names.friendlyName.empty() && names.friendlyName != wanted) ||
        (!names.description.empty() && names.description != wanted)) {
      return true;
    }
  }
  return false;
}

int32_t DeviceNumberOrZero(std::wstring_view devicePath) {
  return device::DeviceNumberFromPath(devicePath).value_or(0);
}

}  // namespace orvane
