#include <gtest/gtest.h>
#include <windows.h>
#include <dshow.h>
#include <setupapi.h>

#include <map>
#include <string>
#include <vector>

#include "device/devcon/DeviceInstaller.h"
#include "device/names/DeviceNameStore.h"
#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"
#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"
#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::devcon {
namespace {

using namespace orvane::device;

using testing::ListedVideoInputs;
using testing::ProgramFolder;

constexpr GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

// Runs devcon.exe in the program folder (as the application does) and returns its exit code.
long Devcon(const std::wstring& arguments) {
  const std::wstring folder = ProgramFolder();
  std::wstring line = L"\"" + folder + L"devcon.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
    return -2;
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  if (WaitForSingleObject(process.get(), testing::kProcessTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 99);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<long>(code);
}

std::wstring ReadValue(HKEY root, const std::wstring& key, const wchar_t* value) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"<none>";
  return buffer;
}

bool KeyExists(HKEY root, const std::wstring& key) {
  UniqueRegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

// The present devices of the imaging class, as the application's discovery reads them.
struct DeviceRecord {
  std::wstring manufacturer, service, friendlyName, description;
  DWORD configFlags = 0;
};
std::map<std::wstring, DeviceRecord> PresentImagingDevices() {
  std::map<std::wstring, DeviceRecord> found;
  HDEVINFO set = SetupDiGetClassDevsW(&kImageClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return found;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  const auto text = [&](DWORD property) {
    wchar_t buffer[512] = {};
    SetupDiGetDeviceRegistryPropertyW(set, &data, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                      sizeof buffer - 2, nullptr);
    return std::wstring(buffer);
  };
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i) {
    wchar_t id[256] = {};
    SetupDiGetDeviceInstanceIdW(set, &data, id, 256, nullptr);
    DeviceRecord record{text(SPDRP_MFG), text(SPDRP_SERVICE), text(SPDRP_FRIENDLYNAME), text(SPDRP_DEVICEDESC), 0};
    SetupDiGetDeviceRegistryPropertyW(set, &data, SPDRP_CONFIGFLAGS, nullptr,
                                      reinterpret_cast<BYTE*>(&record.configFlags), sizeof record.configFlags, nullptr);
    found[id] = record;
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + kNimbCameraClsidText;

// Whether the key's access list lets Everyone change it: set values, add subkeys, delete it, or rewrite
// its list or owner. A missing access list lets everyone do everything.
bool EveryoneMayChange(HKEY root, const std::wstring& path) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot open the key";
    return true;
  }
  DWORD size = 0;
  ::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> descriptor(size);
  if (size == 0 || ::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot read the key's security";
    return true;
  }
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) || !present || dacl == nullptr) {
    return true;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  if (!::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize)) return true;
  constexpr ACCESS_MASK kChanges =
      KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) continue;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        ::EqualSid(const_cast<DWORD*>(&allowed->SidStart), everyone) && (allowed->Mask & kChanges) != 0) {
      return true;
    }
  }
  return false;
}

// Every test starts and ends without devices of the hardware id; COM is up for the enumerations.
class Devices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(Devcon(L"remove Orvane"), 0);
  }
  void TearDown() override {
    EXPECT_EQ(Devcon(L"remove Orvane"), 0);
    CoUninitialize();
  }
};

TEST_F(Devices, InstallCreatesWhatDiscoveryAndCallAppsFind) {
  EXPECT_EQ(Devcon(L"status Orvane"), 3);
  ASSERT_EQ(Devcon(L"install driver\\Orvane.inf Orvane"), 0);

  const auto devices = PresentImagingDevices();
  ASSERT_EQ(devices.count(L"ROOT\\IMAGE\\0000"), 1u);
  const DeviceRecord& record = devices.at(L"ROOT\\IMAGE\\0000");
  EXPECT_EQ(record.manufacturer, L"Halvyn");
  EXPECT_EQ(record.service, L"Nimb_WDM");
  EXPECT_EQ(record.friendlyName, L"Orvane");
  EXPECT_EQ(record.description, L"Orvane");
  EXPECT_EQ(record.configFlags & 1, 0u);

  const auto inputs = ListedVideoInputs();
  ASSERT_EQ(inputs.count(DevicePath(0)), 1u);
  EXPECT_EQ(inputs.at(DevicePath(0)), L"Orvane");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, DeviceParametersKey(0), L"FriendlyName"), L"Orvane");
  const std::wstring module = ReadValue(HKEY_LOCAL_MACHINE, kClassKey + L"\\InprocServer32", nullptr);
  EXPECT_NE(module.find(L":\\"), std::wstring::npos) << std::string(module.begin(), module.end());
  EXPECT_EQ(module.substr(module.size() - 14), L"\\NimbCamera.ax");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");

  // A second install is harmless: still one device, listed once.
  ASSERT_EQ(Devcon(L"install driver\\Orvane.inf Orvane"), 0);
  std::vector<InstalledDevice> found;
  ASSERT_EQ(FindDevices(L"Orvane", found), S_OK);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(ListedVideoInputs().size(), inputs.size());
  EXPECT_EQ(Devcon(L"status Orvane"), 0);
}

// Every user's camera enumeration reads these entries (CLSID, FilterData, DevicePath, FriendlyName):
// no unprivileged user may rewrite them. Renaming from a process without administrator rights goes
// through the program's elevated rename instead.
TEST_F(Devices, NoMachineWideEntryIsWritableByEveryone) {
  ASSERT_EQ(Devcon(L"install driver\\Orvane.inf Orvane"), 0);
  EXPECT_FALSE(EveryoneMayChange(HKEY_CLASSES_ROOT, CategoryEntryKey(0))) << "video input entry";
  EXPECT_FALSE(EveryoneMayChange(HKEY_LOCAL_MACHINE, DeviceParametersKey(0))) << "Device Parameters";
  EXPECT_FALSE(EveryoneMayChange(HKEY_LOCAL_MACHINE, kClassKey)) << "filter class";
}

TEST_F(Devices, DisableAndEnableSwitchTheListing) {
  ASSERT_EQ(Devcon(L"install driver\\Orvane.inf Orvane"), 0);
  for (int round = 0; round < 2; ++round) {  // repeated: each command is idempotent
    ASSERT_EQ(Devcon(L"disable Orvane"), 0);
    EXPECT_EQ(PresentImagingDevices().at(L"ROOT\\IMAGE\\0000").configFlags & 1, 1u);
    EXPECT_EQ(ListedVideoInputs().count(DevicePath(0)), 0u);
    std::vector<InstalledDevice> found;
    ASSERT_EQ(FindDevices(L"Orvane", found), S_OK);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].disabled);
    EXPECT_FALSE(found[0].listed);
  }
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Devcon(L"enable Orvane"), 0);
    EXPECT_EQ(PresentImagingDevices().at(L"ROOT\\IMAGE\\0000").configFlags & 1, 0u);
    EXPECT_EQ(ListedVideoInputs().at(DevicePath(0)), L"Orvane");
  }
}

TEST_F(Devices, RemoveUndoesEverything) {
  ASSERT_EQ(Devcon(L"install driver\\Orvane.inf Orvane"), 0);
  ASSERT_EQ(Devcon(L"remove Orvane"), 0);
  EXPECT_EQ(PresentImagingDevices().count(L"ROOT\\IMAGE\\0000"), 0u);
  EXPECT_EQ(ListedVideoInputs().count(DevicePath(0)), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, InterfaceKey(0)));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT,
                         L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\" + CategoryInstanceName(0)));
  EXPECT_EQ(Devcon(L"status Orvane"), 3);
  EXPECT_EQ(Devcon(L"remove Orvane"), 0);
  EXPECT_EQ(Devcon(L"enable Orvane"), 3);
}

TEST_F(Devices, BadCommandLinesAndPackages) {
  EXPECT_EQ(Devcon(L""), 1);
  EXPECT_EQ(Devcon(L"install driver\\Orvane.inf"), 1);
  EXPECT_EQ(Devcon(L"frobnicate Orvane"), 1);
  EXPECT_EQ(Devcon(L"install driver\\Missing.inf Orvane"), 2);
  EXPECT_EQ(Devcon(L"install driver\\Orvane.inf Another"), 2);
  EXPECT_EQ(Devcon(L"install devcon.exe Orvane"), 2);  // not a driver package
  EXPECT_TRUE(PresentImagingDevices().empty() || PresentImagingDevices().count(L"ROOT\\IMAGE\\0000") == 0);
}

// Several devices, named and renamed one by one, each enabled on its own.
TEST_F(Devices, SeveralDevicesAreNamedAndSwitchedApart) {
  DeviceDefinition definition{L"Orvane", L"Halvyn", L"Nimb_WDM", L"Orvane", ProgramFolder() + L"NimbCamera.ax", 2};
  std::vector<InstalledDevice> devices;
  ASSERT_EQ(InstallDevices(definition, devices), S_OK);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_TRUE(devices[0].created && devices[1].created);
  EXPECT_EQ(ListedVideoInputs().at(DevicePath(devices[0].number)), L"Orvane #1");
  EXPECT_EQ(ListedVideoInputs().at(DevicePath(devices[1].number)), L"Orvane #2");

  ASSERT_EQ(RenameDevice(devices[1].number, L"Studio"), S_OK);
  EXPECT_EQ(ListedVideoInputs().at(DevicePath(devices[0].number)), L"Orvane #1");
  EXPECT_EQ(ListedVideoInputs().at(DevicePath(devices[1].number)), L"Studio");
  EXPECT_EQ(RenameDevice(9998, L"Nobody"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RenameDevice(devices[1].number, L""), E_INVALIDARG);

  // Disabled, the renamed device leaves the list; enabled, it comes back with its new name.
  ASSERT_EQ(SetDeviceEnabled(devices[1], false), S_OK);
  EXPECT_EQ(ListedVideoInputs().count(DevicePath(devices[1].number)), 0u);
  EXPECT_EQ(ListedVideoInputs().count(DevicePath(devices[0].number)), 1u);
  ASSERT_EQ(SetDeviceEnabled(devices[1], true), S_OK);
  EXPECT_EQ(ListedVideoInputs().at(DevicePath(devices[1].number)), L"Studio");

  // Installing again with the same count keeps both, names included.
  std::vector<InstalledDevice> again;
  ASSERT_EQ(InstallDevices(definition, again), S_OK);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_FALSE(again[0].created || again[1].created);
  EXPECT_EQ(again[1].friendlyName, L"Studio");
}

}  // namespace
}  // namespace orvane::devcon
