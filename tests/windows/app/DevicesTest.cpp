// The application's view of the devices, in this process against the prefix's real services: the
// camera list (virtual cameras left out), the virtual device list (count, discovery, started states,
// names) and filters created from module files.
#include <gtest/gtest.h>
#include <windows.h>
#include <dshow.h>
#include <setupapi.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/devices/FilterModule.h"
#include "app/devices/VirtualDeviceList.h"
#include "app/diagnostics/Logger.h"
#include "app/graph/CDeviceEnumerator.h"
#include "app/settings/SettingsNames.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/RegistryKey.h"
#include "shared/INimbRenderer.h"
#include "shared/device/DeviceNaming.h"
#include "tests/windows/app/ProgramRuns.h"
#include "tests/windows/app/TestSupport.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::test {
namespace {

using orvane::testing::CameraConfig;
using orvane::testing::CameraRegistration;
using orvane::testing::InstalledCameras;

constexpr GUID kImagingClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
// A class no module serves: its video input entry lists a device whose filter cannot be created.
constexpr CLSID kNoSuchFilter = {0x5D1E0C41, 0x3B77, 0x4C2A, {0x9E, 0x21, 0x7A, 0x10, 0x44, 0x0B, 0x6C, 0x93}};

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

CameraConfig Webcam(const wchar_t* name) {
  CameraConfig camera;
  camera.friendlyName = name;
  return camera;
}

// An entry of the video input category whose filter cannot be created, and which has no DevicePath.
class BrokenCameraEntry {
 public:
  explicit BrokenCameraEntry(const wchar_t* name) : name_(name) {
    EXPECT_EQ(::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper_)), S_OK);
    if (!mapper_) return;
    REGFILTER2 filter{};
    filter.dwVersion = 2;
    filter.dwMerit = MERIT_DO_NOT_USE;
    EXPECT_EQ(mapper_->RegisterFilter(kNoSuchFilter, name, nullptr, &CLSID_VideoInputDeviceCategory, name, &filter),
              S_OK);
  }
  ~BrokenCameraEntry() {
    if (mapper_) mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, name_, kNoSuchFilter);
  }

 private:
  ComPtr<IFilterMapper2> mapper_;
  const wchar_t* name_;
};

// A device of the imaging class from the driver's manufacturer but with another service.
class ForeignImagingDevice {
 public:
  ForeignImagingDevice() : set_(::SetupDiCreateDeviceInfoList(&kImagingClass, nullptr)) {
    data_.cbSize = sizeof data_;
    const auto text = [&](DWORD property, const std::wstring& value) {
      return ::SetupDiSetDeviceRegistryPropertyW(set_, &data_, property, reinterpret_cast<const BYTE*>(value.c_str()),
                                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    created_ = ::SetupDiCreateDeviceInfoW(set_, L"ROOT\\IMAGE\\0900", &kImagingClass, nullptr, nullptr, 0, &data_) &&
               text(SPDRP_MFG, L"Halvyn") && text(SPDRP_SERVICE, L"Other_Service") &&
               text(SPDRP_FRIENDLYNAME, L"Foreign") && ::SetupDiRegisterDeviceInfo(set_, &data_, 0, nullptr, nullptr, nullptr);
    EXPECT_TRUE(created_) << "cannot create the foreign device: " << ::GetLastError();
  }
  ~ForeignImagingDevice() {
    if (created_) ::SetupDiRemoveDevice(set_, &data_);
    ::SetupDiDestroyDeviceInfoList(set_);
  }

 private:
  HDEVINFO set_;
  SP_DEVINFO_DATA data_{};
  bool created_ = false;
};

// Every test starts and ends with no virtual devices, no webcams and no settings; COM as the program
// has it (a single-threaded apartment).
class DevicesTest : public UserSettingsTest {
 protected:
  void SetUp() override {
    UserSettingsTest::SetUp();
    ASSERT_TRUE(com_.ok());
    ASSERT_EQ(InstalledCameras::RemoveAll(), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(InstalledCameras::RemoveAll(), S_OK);
    SetDebugLogging(false);
    UserSettingsTest::TearDown();
  }

  static void StoreDevName(const std::wstring& name) {
    ASSERT_EQ(registry::WriteTextAt(HKEY_CURRENT_USER, settings::kBaseKey, settings::kDevName, name), ERROR_SUCCESS);
  }

  ComInitialization com_{COINIT_APARTMENTTHREADED};
};

std::vector<std::wstring> Names(const CDeviceEnumerator& cameras) {
  std::vector<std::wstring> names;
  for (size_t i = 0; i < cameras.Count(); ++i) names.push_back(cameras.At(i)->friendlyName);
  return names;
}

TEST_F(DevicesTest, CameraListKeepsWebcamsAndLeavesVirtualCamerasOut) {
  InstalledCameras virtualCameras(2);
  ASSERT_EQ(virtualCameras.result(), S_OK);
  CameraRegistration webcams({Webcam(L"Desk Camera"), Webcam(L"Desk Camera"), Webcam(L"Side Camera")});
  ASSERT_EQ(webcams.registered(), S_OK);
  BrokenCameraEntry broken(L"Broken Camera");
  RemoveLogFiles();
  SetDebugLogging(true);

  CDeviceEnumerator cameras;
  cameras.EnumerateCameras();

  // The system's order, minus the virtual cameras.
  std::vector<camclient::VideoDevice> listed;
  ASSERT_EQ(camclient::ListVideoDevices(listed), S_OK);
  std::vector<std::wstring> expected;
  for (const camclient::VideoDevice& device : listed) {
    if (device.friendlyName.rfind(L"Orvane", 0) != 0) expected.push_back(device.friendlyName);
  }
  ASSERT_EQ(expected.size(), 4u);
  EXPECT_EQ(Names(cameras), expected);
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < cameras.Count(); ++i) {
    const DeviceRecord& record = *cameras.At(i);
    EXPECT_TRUE(record.moniker);
    if (record.friendlyName == L"Broken Camera") {
      EXPECT_EQ(record.devicePath, L"") << "it has none";
    } else {
      EXPECT_NE(record.devicePath.find(L"testcam"), std::wstring::npos) << Shown(record.devicePath);
      paths.push_back(record.devicePath);
    }
  }
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(std::unique(paths.begin(), paths.end()), paths.end()) << "two cameras of one name differ by path";

  // Again: the same list, with the records of the first one gone.
  cameras.EnumerateCameras();
  EXPECT_EQ(Names(cameras), expected);
  EXPECT_EQ(cameras.At(cameras.Count()), nullptr);

  std::vector<std::string> logged = LogLines();
  const auto count = [&](const std::string& line) { return std::count(logged.begin(), logged.end(), line); };
  EXPECT_EQ(count(">> Enumerate cameras"), 2);
  EXPECT_EQ(count("+  Desk Camera"), 4);
  EXPECT_EQ(count("+  Side Camera"), 2);
  EXPECT_EQ(count("+  Broken Camera"), 2);
  for (const std::string& line : logged) EXPECT_EQ(line.find("Orvane #"), std::string::npos) << line;
}

TEST_F(DevicesTest, CameraListOfAnEmptyCategoryIsEmptyAndLogged) {
  RemoveLogFiles();
  SetDebugLogging(true);
  CDeviceEnumerator cameras;
  cameras.EnumerateCameras();
  EXPECT_EQ(cameras.Count(), 0u);
  const std::vector<std::string> logged = LogLines();
  EXPECT_NE(std::find(logged.begin(), logged.end(), "Create VideoInputDeviceCategory Enumerator failed - 0x1"),
            logged.end());

  // Only virtual cameras: still empty, and nothing about them is logged.
  InstalledCameras virtualCameras(1);
  ASSERT_EQ(virtualCameras.result(), S_OK);
  RemoveLogFiles();
  cameras.EnumerateCameras();
  EXPECT_EQ(cameras.Count(), 0u);
  EXPECT_EQ(LogLines(), std::vector<std::string>{">> Enumerate cameras"});
}

TEST_F(DevicesTest, DiscoveryFindsEveryInstalledDevice) {
  for (int32_t count = 0; count <= 3; ++count) {
    SCOPED_TRACE(count);
    std::optional<InstalledCameras> installed;
    if (count > 0) {
      installed.emplace(count);
      ASSERT_EQ(installed->result(), S_OK);
    }
    VirtualDeviceList list(L"Orvane");
    EXPECT_EQ(list.VirtualCameraCount(), count);
    EXPECT_EQ(list.BaseName(), L"Orvane");
    EXPECT_EQ(list.DiscoverDevices(), count > 0);
    ASSERT_EQ(list.Devices().size(), static_cast<size_t>(count));
    std::vector<std::wstring> wanted;
    for (int32_t i = 0; i < count; ++i) {
      const DiscoveredDevice& device = list.Devices()[static_cast<size_t>(i)];
      EXPECT_EQ(device.instanceId, device::InstanceId(i));
      EXPECT_EQ(device.service, L"Nimb_WDM");
      EXPECT_TRUE(device.started);
      EXPECT_EQ(device.friendlyName, device::DeviceName(L"Orvane", i, count));
      wanted.push_back(device::DeviceName(L"Orvane", i, count));
    }
    EXPECT_FALSE(list.FirstDeviceStopped());
    EXPECT_FALSE(list.NeedsRename()) << "devcon names them as the program would";
    EXPECT_EQ(list.RefreshNames(/*rename=*/false), count > 0);
    std::vector<std::wstring> current = list.CurrentNames();
    std::sort(current.begin(), current.end());
    EXPECT_EQ(current, wanted);
  }
}

TEST_F(DevicesTest, OnlyTheFirstDisabledDeviceCountsAsStopped) {
  InstalledCameras installed(2);
  ASSERT_EQ(installed.result(), S_OK);
  ForeignImagingDevice foreign;
  const auto firstStopped = [] {
    VirtualDeviceList list(L"Orvane");
    EXPECT_TRUE(list.DiscoverDevices());
    EXPECT_EQ(list.Devices().size(), 2u) << "the other service's device is not the driver's";
    return list.FirstDeviceStopped();
  };
  ASSERT_EQ(devcon::SetDeviceEnabled(installed.devices()[0], false), S_OK);
  EXPECT_TRUE(firstStopped());
  ASSERT_EQ(devcon::SetDeviceEnabled(installed.devices()[0], true), S_OK);
  ASSERT_EQ(devcon::SetDeviceEnabled(installed.devices()[1], false), S_OK);
  EXPECT_FALSE(firstStopped());
}

TEST_F(DevicesTest, NamesFollowTheChosenName) {
  for (int32_t count : {1, 2}) {
    SCOPED_TRACE(count);
    InstalledCameras installed(count);
    ASSERT_EQ(installed.result(), S_OK);
    StoreDevName(L"Studio");
    VirtualDeviceList list(L"Orvane");
    ASSERT_EQ(list.BaseName(), L"Studio");
    ASSERT_TRUE(list.DiscoverDevices());
    EXPECT_TRUE(list.NeedsRename());

    // Through the driver: what call apps list follows at once; the names read are the earlier ones.
    ASSERT_TRUE(list.RefreshNames(/*rename=*/true));
    for (const std::wstring& name : list.CurrentNames()) EXPECT_EQ(name.rfind(L"Orvane", 0), 0u) << Shown(name);
    const auto listed = orvane::testing::ListedVideoInputs();
    for (int32_t i = 0; i < count; ++i) {
      EXPECT_EQ(listed.at(device::DevicePath(i)), device::DeviceName(L"Studio", i, count));
    }

    // Through the installation records and the interface key.
    EXPECT_EQ(list.RenameAll(), S_OK);
    VirtualDeviceList after(L"Orvane");
    ASSERT_TRUE(after.DiscoverDevices());
    for (int32_t i = 0; i < count; ++i) {
      const DiscoveredDevice& device = after.Devices()[static_cast<size_t>(i)];
      const std::wstring wanted = device::DeviceName(L"Studio", i, count);
      EXPECT_EQ(device.friendlyName, wanted);
      EXPECT_EQ(device.description, wanted);
      EXPECT_EQ(registry::ReadTextAt(HKEY_LOCAL_MACHINE, device::DeviceParametersKey(i), L"FriendlyName"), wanted);
    }
    EXPECT_FALSE(after.NeedsRename());
    EXPECT_TRUE(after.RefreshNames(/*rename=*/false));
  }
}

TEST_F(DevicesTest, NamesTheDevicesCannotHoldAreNotTaken) {
  for (const std::wstring& name : {std::wstring(51, L'x'), std::wstring(L"Two\nlines"), std::wstring()}) {
    StoreDevName(name);
    EXPECT_EQ(VirtualDeviceList(L"Orvane").BaseName(), L"Orvane") << Shown(name);
  }
  StoreDevName(std::wstring(50, L'x'));
  EXPECT_EQ(VirtualDeviceList(L"Orvane").BaseName(), std::wstring(50, L'x'));
}

TEST_F(DevicesTest, FiltersFromModuleFiles) {
  const std::wstring renderer = orvane::testing::ProgramFolder() + L"NimbRenderer.ax";
  ComPtr<IBaseFilter> filter;
  EXPECT_TRUE(CreateFilterFromModule(renderer, CLSID_NimbRenderer, filter));
  EXPECT_TRUE(filter);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_NimbRenderer);

  // The module's factory for a class it does not serve, a module without the export, no module at all.
  EXPECT_FALSE(CreateFilterFromModule(renderer, kNoSuchFilter, filter));
  EXPECT_FALSE(filter);
  const std::wstring noExport = JoinPath(ParentFolder(ProgramPath()), L"version_without_translation.dll");
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(GetModuleClassFactory(noExport, CLSID_NimbRenderer, factory), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
  EXPECT_FALSE(CreateFilterFromModule(noExport, CLSID_NimbRenderer, filter));
  EXPECT_EQ(GetModuleClassFactory(renderer + L".missing", CLSID_NimbRenderer, factory),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(CreateFilterFromModule(renderer + L".missing", CLSID_NimbRenderer, filter));
}

}  // namespace
}  // namespace orvane::test
