// Making sure the virtual camera devices exist, run and bear the chosen name, before the program takes
// its instance mutex: the user is asked to install the driver (or enable its disabled device) through
// devcon.exe of the program directory, elevated, after which the program starts itself again; on
// Windows older than 10 an elevated copy of the program renames the devices; "/rename [NAME]" is that
// renaming run.
//
// User-interface thread, before any window exists; the application object must exist (the questions
// are translated).
#pragma once

#include <optional>
#include <string>

#include "app/devices/VirtualDeviceList.h"

namespace orvane {

// Asks, installs or enables, and restarts when the driver's devices are missing or the first is
// disabled; false then (the run ends with exit code 0). True when the driver is ready. The program
// restarts only after the user chose OK, so a driver that cannot be installed costs one question per
// start, never a loop of restarts.
bool CheckDriver(const VirtualDeviceList& devices);

// On Windows older than 10, when devices were discovered and their records need new names, starts the
// program elevated with "/rename" and does not wait for it. Later Windows never need it.
void StartElevatedRename(const VirtualDeviceList& devices);

// The "/rename" run: stores a given name as `dev_name` (a name the devices cannot hold is refused and
// logged, and the stored one applies), renames the devices' records when they need it and brings the
// driver's names into line. Returns the exit code, 0.
int RunRenameCommand(const std::optional<std::wstring>& name);

}  // namespace orvane
