// Creates, lists, enables, disables and removes the virtual camera devices: root-enumerated devices of
// the imaging class (SetupAPI), the COM class of NimbCamera's capture filter, each device's entry in
// the video input category (IFilterMapper2, with "FriendlyName" and "DevicePath"), and the device
// interface's "Device Parameters" key that renaming (device/names) writes. Used by devcon.exe, elevated:
// writing needs administrator rights, and the entries it makes stay writable by administrators only.
// Call from a thread that may initialise COM (each call initialises and uninitialises it itself);
// results are HRESULTs, Windows errors passed through as HRESULT_FROM_WIN32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::devcon {

struct DeviceDefinition {
  std::wstring hardwareId;    // "Orvane"
  std::wstring manufacturer;  // "Halvyn"
  std::wstring service;       // "Nimb_WDM"
  std::wstring baseName;      // "Orvane": the friendly name and description, with " #k" for several
  std::wstring modulePath;    // full path of NimbCamera.ax
  int32_t count = 1;          // how many devices there should be
};

struct InstalledDevice {
  int32_t number = 0;  // n of ROOT\IMAGE\000n
  std::wstring instanceId;
  std::wstring friendlyName;  // as the video input category lists it, else as the device record has it
  bool disabled = false;      // CONFIGFLAG_DISABLED
  bool listed = false;        // present in the video input category
  bool created = false;       // by the call that returned it
};

// Makes sure `definition.count` devices with the hardware id exist, creating the missing ones at the
// lowest free instance numbers, and (re)registers the filter class and, for every enabled device, its
// video input entry. Running it again changes nothing that is already right. `devices` receives every
// device of the hardware id, the new ones marked `created`.
HRESULT InstallDevices(const DeviceDefinition& definition, std::vector<InstalledDevice>& devices);

// The devices of the imaging class whose hardware ids include `hardwareId` (letter case ignored), in
// instance number order.
HRESULT FindDevices(const std::wstring& hardwareId, std::vector<InstalledDevice>& devices);

// Disabling sets CONFIGFLAG_DISABLED and takes the device out of the video input category; enabling
// clears the flag and lists it again under its current name.
HRESULT SetDeviceEnabled(const InstalledDevice& device, bool enabled);

// Removes the device: its video input entry, its interface key and the device itself. The filter class
// is unregistered with the last device of `hardwareId`.
HRESULT RemoveDevice(const InstalledDevice& device, const std::wstring& hardwareId);

}  // namespace orvane::devcon
