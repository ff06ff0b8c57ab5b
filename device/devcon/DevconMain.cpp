// devcon.exe: the device console of the virtual camera devices. The application starts it elevated
// with "install driver\Orvane.inf Orvane" and "enable Orvane"; "disable", "remove" and "status" serve
// the user and the tests. Exit codes: 0 done, 1 bad command line, 2 failed, 3 no matching device.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "device/devcon/DeviceInstaller.h"
#include "device/devcon/InfPackage.h"
#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"
#include "platform/win/WindowsError.h"
#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"

using namespace orvane;
using namespace orvane::devcon;

namespace {

constexpr int kDone = 0, kUsage = 1, kFailed = 2, kNoDevice = 3;

void Print(const std::wstring& text) {
  const std::optional<std::string> utf8 = WideToUtf8(text + L"\n");
  if (utf8) std::fwrite(utf8->data(), 1, utf8->size(), stdout);
  std::fflush(stdout);
}

std::wstring HexResult(HRESULT result) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(result));
  return text;
}

int Fail(const std::wstring& what, HRESULT result) {
  std::wstring text = what + L" failed: " + HexResult(result);
  if (result == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)) text += L" (run devcon as administrator)";
  Print(text);
  return kFailed;
}

int Usage() {
  Print(L"usage: devcon install <inf> <hardware id>   create the devices the driver package names");
  Print(L"       devcon enable <hardware id>          enable the devices");
  Print(L"       devcon disable <hardware id>         disable the devices");
  Print(L"       devcon remove <hardware id>          remove the devices");
  Print(L"       devcon status <hardware id>          show each device and its state");
  return kUsage;
}

std::optional<std::string> ReadPackageText(const std::wstring& path, HRESULT& result) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    result = LastErrorResult();
    return std::nullopt;
  }
  if (size.QuadPart > (1 << 20)) {
    result = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
    result = LastErrorResult();
    return std::nullopt;
  }
  // Inf files are often UTF-16 with a byte order mark.
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    const std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    const std::optional<std::string> utf8 = WideToUtf8(wide);
    if (!utf8) result = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    return utf8;
  }
  return bytes;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

std::wstring Describe(const InstalledDevice& device) {
  std::wstring state = device.disabled ? L"disabled" : device.listed ? L"running" : L"enabled, not listed as a video input";
  return device.instanceId + L": " + device.friendlyName + L" (" + state + L")";
}

int Install(const std::wstring& infPath, const std::wstring& hardwareId) {
  HRESULT result = S_OK;
  const std::wstring package = FullPath(infPath);
  const std::optional<std::string> text = ReadPackageText(package, result);
  if (!text) return Fail(L"Reading " + package, result);
  const InfResult inf = ParseDriverPackage(*text);
  if (!inf.ok) {
    Print(package + L": " + Utf8ToWide(inf.error).value_or(L"invalid driver package"));
    return kFailed;
  }
  const std::optional<std::string> id = WideToUtf8(hardwareId);
  const InfModel* model = id ? FindModel(inf.package, *id) : nullptr;
  if (model == nullptr) {
    Print(package + L" names no device with the hardware id " + hardwareId);
    return kFailed;
  }
  DeviceDefinition definition;
  definition.hardwareId = hardwareId;
  definition.manufacturer = Utf8ToWide(inf.package.manufacturer).value_or(L"");
  definition.service = Utf8ToWide(model->service).value_or(L"");
  definition.baseName = Utf8ToWide(model->name).value_or(L"");
  definition.count = inf.package.deviceCount;
  const std::wstring folder = package.substr(0, package.find_last_of(L"\\/") + 1);
  definition.modulePath = FullPath(folder + Utf8ToWide(inf.package.module).value_or(L""));
  if (GetFileAttributesW(definition.modulePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Print(L"warning: " + definition.modulePath + L" is missing; the devices cannot be opened until it is there");
  }
  std::vector<InstalledDevice> devices;
  result = InstallDevices(definition, devices);
  if (FAILED(result)) return Fail(L"Installing " + hardwareId, result);
  for (const InstalledDevice& device : devices) {
    Print(device.instanceId + L": " + device.friendlyName + (device.created ? L" installed" : L" already installed"));
  }
  Print(std::to_wstring(devices.size()) + L" device(s) ready, capture filter " + definition.modulePath);
  return kDone;
}

int ForEachDevice(const std::wstring& hardwareId, const wchar_t* verb,
                  HRESULT (*action)(const InstalledDevice&, const std::wstring&)) {
  std::vector<InstalledDevice> devices;
  const HRESULT found = FindDevices(hardwareId, devices);
  if (FAILED(found)) return Fail(L"Listing the devices", found);
  if (devices.empty()) {
    Print(L"No matching devices found.");
    return kNoDevice;
  }
  int exitCode = kDone;
  for (const InstalledDevice& device : devices) {
    const HRESULT result = action(device, hardwareId);
    if (FAILED(result)) {
      exitCode = Fail(device.instanceId + L": " + verb, result);
    } else {
      Print(device.instanceId + L": " + verb);
    }
  }
  return exitCode;
}

int Status(const std::wstring& hardwareId) {
  std::vector<InstalledDevice> devices;
  const HRESULT result = FindDevices(hardwareId, devices);
  if (FAILED(result)) return Fail(L"Listing the devices", result);
  for (const InstalledDevice& device : devices) {
    Print(Describe(device));
    Print(L"    " + device::DevicePath(device.number));
  }
  Print(std::to_wstring(devices.size()) + L" matching device(s) found.");
  return devices.empty() ? kNoDevice : kDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 3 && _wcsicmp(args[0].c_str(), L"install") == 0) return Install(args[1], args[2]);
  if (args.size() != 2) return Usage();
  const std::wstring& command = args[0];
  const std::wstring& hardwareId = args[1];
  if (_wcsicmp(command.c_str(), L"status") == 0) return Status(hardwareId);
  if (_wcsicmp(command.c_str(), L"enable") == 0) {
    return ForEachDevice(hardwareId, L"Enabled", [](const InstalledDevice& d, const std::wstring&) {
      return SetDeviceEnabled(d, true);
    });
  }
  if (_wcsicmp(command.c_str(), L"disable") == 0) {
    return ForEachDevice(hardwareId, L"Disabled", [](const InstalledDevice& d, const std::wstring&) {
      return SetDeviceEnabled(d, false);
    });
  }
  if (_wcsicmp(command.c_str(), L"remove") == 0) {
    const int code = ForEachDevice(hardwareId, L"Removed", RemoveDevice);
    return code == kNoDevice ? kDone : code;  // nothing left to remove is what was asked for
  }
  return Usage();
}
