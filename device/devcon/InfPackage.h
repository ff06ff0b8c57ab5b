// Reads the driver package (driver\Orvane.inf) that devcon.exe installs: the device class, the
// manufacturer, the models with their hardware ids and names, the service, and the package's
// [VirtualCamera] section (how many devices, which filter module). The inf syntax is the usual one:
// [sections], "key = value" lines, ';' comments, quoted strings and %string% tokens from [Strings].
// Platform-neutral, pure; text in UTF-8 (devcon converts a UTF-16 file first). Any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::devcon {

inline constexpr int kMaxPackageDevices = 16;

struct InfModel {
  std::string name;         // the device description, e.g. "Orvane"
  std::string installSection;
  std::string hardwareId;   // e.g. "Orvane"
  std::string service;      // what "<installSection>.Services" adds, e.g. "Nimb_WDM"; may be empty
};

struct DriverPackage {
  std::string className;    // "Image"
  std::string classGuid;    // "{6bdd1fc6-...}"
  std::string manufacturer; // "Halvyn"
  std::vector<InfModel> models;
  int deviceCount = 1;
  std::string module;       // relative to the inf's folder
};

struct InfResult {
  bool ok = false;
  std::string error;  // what is wrong, with the line where that is known
  DriverPackage package;
};

InfResult ParseDriverPackage(std::string_view text);

// The model whose hardware id equals `hardwareId` (letter case ignored), or null.
const InfModel* FindModel(const DriverPackage& package, std::string_view hardwareId);

}  // namespace orvane::devcon
