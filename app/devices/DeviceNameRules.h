// The rules by which the application names the virtual camera devices: which base name counts, which
// name each device should bear, whether the devices' installation records need new names, and the
// device number a device path carries. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr wchar_t kDefaultDeviceName[] = L"Orvane";
// Longest base name the devices take (the `dev_name` setting and "/rename NAME"): with " #" and a
// device number it still fits every place the system keeps a device's name.
inline constexpr size_t kMaxBaseNameLength = 50;

enum class NameProblem { None, Empty, TooLong, ControlCharacter };

// Whether `name` can name the devices: 1 to kMaxBaseNameLength characters, none of them a control
// character (C0, DEL or C1), which would end up in every call app's device list.
NameProblem CheckBaseName(std::wstring_view name);
// English, for the log: "is empty", "is longer than 50 characters", "holds a control character".
const char* DescribeNameProblem(NameProblem problem);

// The base name: the stored `dev_name` when there is one that CheckBaseName accepts, else the default
// name. `refused` tells why a stored name was not taken (None when there was none or it was taken).
struct BaseNameChoice {
  std::wstring name;
  NameProblem refused = NameProblem::None;
};
BaseNameChoice ChooseBaseName(const std::optional<std::wstring>& stored, std::wstring_view defaultName);

// The name that the media framework's `number`-th virtual camera (1-based, in enumeration order)
// should bear when `count` virtual cameras were counted: the base name when the count is exactly 1,
// else the base name, " #" and the number (also when the count was 0 and a camera appeared since).
std::wstring RefreshedName(std::wstring_view baseName, int32_t number, int32_t count);

// The names a discovered device bears in its installation record.
struct RecordedNames {
  std::wstring friendlyName;
  std::wstring description;
};

// Whether the installation records disagree with the names the devices should bear (compared
// exactly; device i of n, in discovery order, should bear device::DeviceName(base, i, n)): true when a
// non-empty friendly name or description of any device differs from its name. So one device needs it
// when it bears anything but the base name, and several when one still bears the bare base name, or
// the names of an earlier base name after the user chose a new one.
bool NeedsRename(const std::vector<RecordedNames>& devices, std::wstring_view baseName);

// The device number in a virtual camera's device path (shared/device's rule), 0 when it has none.
int32_t DeviceNumberOrZero(std::wstring_view devicePath);

}  // namespace orvane
