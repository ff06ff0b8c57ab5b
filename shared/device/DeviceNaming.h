// How the virtual camera devices are named in the system: the root-enumerated instance id, the device
// interface path that the video input category carries, the registry key of the device interface's
// "Device Parameters", the filter mapper's instance name, and the friendly names "Orvane" and
// "Orvane #k". Pure string rules that devcon.exe, the camera filter, the renderer and the tools follow
// alike; platform-neutral (std::wstring), any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::device {

inline constexpr int32_t kMaxDeviceNumber = 9999;  // four decimal digits in the instance id

// "ROOT\IMAGE\000n" (four digits).
std::wstring InstanceId(int32_t number);
// The number of an instance id "ROOT\IMAGE\dddd" (letter case ignored); nullopt for any other id.
std::optional<int32_t> DeviceNumberFromInstanceId(std::wstring_view instanceId);

// "\\?\root#image#000n#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global": the capture interface's path.
std::wstring DevicePath(int32_t number);
// The number that a device path carries after "root#image#" (letter case ignored): the leading digits
// of the next four characters. nullopt when the marker is missing, fewer than five characters follow
// it, or the four characters do not begin with a digit.
std::optional<int32_t> DeviceNumberFromPath(std::wstring_view path);

// Under HKEY_LOCAL_MACHINE: the device interface's key below "SYSTEM/CurrentControlSet/Control/
// DeviceClasses/{65E8773D-...}" (named "##?#ROOT#IMAGE#000n#{65e8773d-...}"), and its
// "#GLOBAL/Device Parameters" subkey (separators written as / here, \ in the registry).
std::wstring InterfaceKey(int32_t number);
std::wstring DeviceParametersKey(int32_t number);

// The name of the device's entry in the video input category: "NimbCamera000n".
std::wstring CategoryInstanceName(int32_t number);
// That entry's key under HKEY_CLASSES_ROOT: "CLSID/{860BB310-5D01-11D0-BD3B-00A0C911CE86}/Instance/
// NimbCamera000n" (separators written as / here).
std::wstring CategoryEntryKey(int32_t number);

// The name of device `index` (0-based) of `count`: the base name alone for one device, else the base
// name, " #" and index + 1.
std::wstring DeviceName(std::wstring_view baseName, int32_t index, int32_t count);

}  // namespace orvane::device
