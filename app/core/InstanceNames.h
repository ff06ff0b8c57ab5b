// Names derived from which virtual camera an instance serves: its per-device settings key and its
// autostart entry. Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// "Software\Halvyn\Orvane" with one virtual camera (count 1 or less), else that key and
// "\<index + 1>": with two cameras, index 0 uses subkey 1 and index 1 uses subkey 2.
std::wstring PerDeviceKeyPath(int deviceIndex, int deviceCount);

// The value name in the Run key: "Orvane", or "Orvane #<index + 1>" for an instance with index above
// 0 when there are several cameras (the first instance keeps the plain name).
std::wstring AutostartEntryName(int deviceIndex, int deviceCount);

// The named mutex that an instance serving virtual camera `index` holds: "Global\OrvaneMutex" for the
// first, "Global\OrvaneMutex_<index>" for the others (the second device's ends in _1).
std::wstring InstanceMutexName(int index);

// The command line the Run key starts: the program path in double quotes and " /silent", so that the
// program starts hidden at logon.
std::wstring AutostartCommand(std::wstring_view programPath);

}  // namespace orvane
