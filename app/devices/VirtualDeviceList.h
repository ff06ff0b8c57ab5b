// The virtual camera devices as the start-up and the "/rename" run see them: how many virtual cameras
// the media framework lists, the driver's devices found through the device installation records
// (imaging class, manufacturer "Halvyn", service "Nimb_WDM") and whether the first is started, and the
// names they should bear. Names are applied two ways: through the driver at every start (property 3 of
// VirtualCameraPropertySet, RefreshNames), and in the installation records and the device interface's
// "Device Parameters" key (RenameAll), which needs administrator rights.
//
// Built, used and destroyed within one start, on the user-interface thread (COM initialised) before any
// window exists, or in the "/rename" process. Owns its records; keeps no COM object between calls.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// One device of the driver, as its installation record has it. Texts that cannot be read stay empty.
struct DiscoveredDevice {
  std::wstring description;   // SPDRP_DEVICEDESC
  std::wstring friendlyName;  // SPDRP_FRIENDLYNAME
  std::wstring driverKey;     // SPDRP_DRIVER
  std::wstring service;       // SPDRP_SERVICE
  std::wstring classGuid;     // SPDRP_CLASSGUID
  std::wstring instanceId;    // "ROOT\IMAGE\0000" for this driver's root-enumerated devices
  SP_DEVINFO_DATA deviceInfo{};
  int32_t memberIndex = 0;  // position in the device information set it was found in
  // False only when the device is known not to run: its node status lacks DN_STARTED, or, where the
  // status cannot be read (Wine answers 0), its config flags say it is disabled.
  bool started = true;
};

class VirtualDeviceList {
 public:
  // Counts the virtual cameras and takes the base name: the `dev_name` setting when it is a name the
  // devices can hold, else `defaultName` (a refused setting is logged).
  explicit VirtualDeviceList(const std::wstring& defaultName);
  virtual ~VirtualDeviceList() = default;
  VirtualDeviceList(const VirtualDeviceList&) = delete;
  VirtualDeviceList& operator=(const VirtualDeviceList&) = delete;

  int32_t VirtualCameraCount() const { return cameraCount_; }
  const std::wstring& BaseName() const { return baseName_; }

  // Lists the virtual cameras' friendly names afresh (in the media framework's order) and, with
  // `rename`, has the driver give each the name it should bear. A camera whose friendly name cannot be
  // read is neither numbered nor listed; a failing driver call is ignored (the camera keeps its name
  // until the next start). True when at least one virtual camera was listed.
  bool RefreshNames(bool rename);
  const std::vector<std::wstring>& CurrentNames() const { return currentNames_; }

  // Finds the driver's present devices in the system's order. True when there is at least one.
  bool DiscoverDevices();
  const std::vector<DiscoveredDevice>& Devices() const { return devices_; }

  // A device was discovered and the first one is not started: the driver counts as disabled.
  bool FirstDeviceStopped() const;
  // The installation records disagree with the names the devices should bear.
  bool NeedsRename() const;

  // Gives every discovered device its name (the base name alone, or "base #k" with several, in
  // discovery order) in its installation record (description and friendly name, where readable) and
  // in its "Device Parameters" key. S_OK, or the first failure (E_ACCESSDENIED without administrator
  // rights); every device is tried.
  HRESULT RenameAll();

 private:
  int32_t cameraCount_ = 0;
  std::vector<std::wstring> currentNames_;
  std::wstring baseName_;
  std::vector<DiscoveredDevice> devices_;
};

}  // namespace orvane
