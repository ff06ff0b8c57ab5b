#include "app/devices/VirtualDeviceList.h"

#include <cfgmgr32.h>
#include <dshow.h>
#include <regstr.h>

#include <cwctype>
#include <optional>

#include "app/devices/DeviceNameRules.h"
#include "app/diagnostics/Logger.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/VideoInputDevices.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/StringConversion.h"
#include "platform/win/WindowsError.h"
#include "shared/VirtualCameraProperties.h"
#include "shared/device/DeviceNaming.h"

namespace orvane {
namespace {

constexpr GUID kImagingClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
constexpr wchar_t kManufacturer[] = L"Halvyn";
constexpr wchar_t kService[] = L"Nimb_WDM";
constexpr DWORD kMaxPropertyBytes = 2048;

bool EqualNoCase(const std::wstring& a, const wchar_t* b) { return ::_wcsicmp(a.c_str(), b) == 0; }

// Owns a device information set.
class DeviceInfoSet {
 public:
  DeviceInfoSet() : set_(::SetupDiGetClassDevsW(&kImagingClass, nullptr, nullptr, DIGCF_PRESENT)) {}
  ~DeviceInfoSet() {
    if (set_ != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// A text property of the device's installation record (at most kMaxPropertyBytes); nullopt when it
// cannot be read.
std::optional<std::wstring> ReadDeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[kMaxPropertyBytes / sizeof(wchar_t) + 1] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                           kMaxPropertyBytes, nullptr) ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}

// Whether the device runs. The node status answers where it can; Wine's is a stub that answers success
// and leaves the status 0, which no present device has, so then the config flags say whether the
// device was disabled. A device about which nothing can be read counts as started.
bool IsStarted(HDEVINFO set, SP_DEVINFO_DATA& device) {
  ULONG status = 0;
  ULONG problem = 0;
  if (::CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS && status != 0) {
    return (status & DN_STARTED) != 0;
  }
  DWORD flags = 0;
  if (::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_CONFIGFLAGS, nullptr, reinterpret_cast<BYTE*>(&flags),
                                          sizeof flags, nullptr)) {
    return (flags & CONFIGFLAG_DISABLED) == 0;
  }
  return true;
}

// Calls visit(moniker, filter) for every virtual camera of the video input category, in the
// enumerator's order. Each capture filter is bound (without a bind context) only for the visit.
template <typename Visit>
void ForEachVirtualCamera(Visit visit) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&devices)))) {
    return;
  }
  ComPtr<IEnumMoniker> monikers;
  // S_FALSE: the category is empty and there is no enumerator.
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK || !monikers) return;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    if (!moniker) continue;
    ComPtr<IBaseFilter> filter;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter)))) continue;
    if (IsVirtualCameraFilter(filter.Get())) visit(*moniker.Get(), *filter.Get());
  }
}

}  // namespace

VirtualDeviceList::VirtualDeviceList(const std::wstring& defaultName) {
  ForEachVirtualCamera([this](IMoniker&, IBaseFilter&) { ++cameraCount_; });

  const std::optional<std::wstring> stored =
      RegistryKeyPath(HKEY_CURRENT_USER, settings::kBaseKey).ReadText(settings::kDevName);
  const BaseNameChoice choice = ChooseBaseName(stored, defaultName);
  baseName_ = choice.name;
  if (choice.refused != NameProblem::None && DebugLoggingEnabled()) {
    Log("Device name in dev_name " + std::string(DescribeNameProblem(choice.refused)) + "; using " +
        WideToAnsi(baseName_));
  }
}

bool VirtualDeviceList::RefreshNames(bool rename) {
  currentNames_.clear();
  int32_t number = 0;
  ForEachVirtualCamera([&](IMoniker& moniker, IBaseFilter& filter) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker.BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return;
    const std::wstring friendlyName = ReadPropertyBagText(*bag.Get(), L"FriendlyName");
    if (friendlyName.empty()) return;
    ++number;
    if (rename) {
      const std::wstring wanted = RefreshedName(baseName_, number, cameraCount_);
      ComPtr<IKsPropertySet> properties;
      FriendlyNamePayload payload;
      if (friendlyName != wanted && SUCCEEDED(filter.QueryInterface(IID_PPV_ARGS(&properties))) &&
          MakeFriendlyNamePayload(payload, wanted.c_str(),
                                  DeviceNumberOrZero(ReadPropertyBagText(*bag.Get(), L"DevicePath")))) {
        // Not looked at: a camera that refuses keeps its name until the next start.
        const HRESULT hr = properties->Set(VirtualCameraPropertySet, kPropertyFriendlyName, &payload, sizeof payload,
                                           &payload, sizeof payload);
        if (DebugLoggingEnabled()) {
          Logf("Rename %s to %s - 0x%lx", WideToAnsi(friendlyName).c_str(), WideToAnsi(wanted).c_str(),
               static_cast<unsigned long>(hr));
        }
      }
    }
    currentNames_.push_back(friendlyName);
  });
  return !currentNames_.empty();
}

bool VirtualDeviceList::DiscoverDevices() {
  devices_.clear();
  const DeviceInfoSet set;
  if (!set.valid()) return false;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD member = 0; ::SetupDiEnumDeviceInfo(set.get(), member, &data); ++member) {
    const std::optional<std::wstring> manufacturer = ReadDeviceText(set.get(), data, SPDRP_MFG);
    if (!manufacturer || !EqualNoCase(*manufacturer, kManufacturer)) continue;
    DiscoveredDevice device;
    device.memberIndex = static_cast<int32_t>(member);
    device.service = ReadDeviceText(set.get(), data, SPDRP_SERVICE).value_or(L"");
    if (!EqualNoCase(device.service, kService)) continue;
    wchar_t instanceId[MAX_PATH] = {};
    if (::SetupDiGetDeviceInstanceIdW(set.get(), &data, instanceId, MAX_PATH, nullptr)) device.instanceId = instanceId;
    device.started = IsStarted(set.get(), data);
    device.classGuid = ReadDeviceText(set.get(), data, SPDRP_CLASSGUID).value_or(L"");
    device.description = ReadDeviceText(set.get(), data, SPDRP_DEVICEDESC).value_or(L"");
    device.friendlyName = ReadDeviceText(set.get(), data, SPDRP_FRIENDLYNAME).value_or(L"");
    device.driverKey = ReadDeviceText(set.get(), data, SPDRP_DRIVER).value_or(L"");
    device.deviceInfo = data;
    devices_.push_back(std::move(device));
  }
  return !devices_.empty();
}

bool VirtualDeviceList::FirstDeviceStopped() const { return !devices_.empty() && !devices_.front().started; }

bool VirtualDeviceList::NeedsRename() const {
  std::vector<RecordedNames> names;
  names.reserve(devices_.size());
  for (const DiscoveredDevice& device : devices_) names.push_back({device.friendlyName, device.description});
  return orvane::NeedsRename(names, baseName_);
}

HRESULT VirtualDeviceList::RenameAll() {
  if (devices_.empty()) return S_OK;
  HRESULT result = S_OK;
  const auto note = [&result](HRESULT hr) {
    if (SUCCEEDED(result) && FAILED(hr)) result = hr;
  };
  const DeviceInfoSet set;
  const auto count = static_cast<int32_t>(devices_.size());
  for (int32_t i = 0; i < count; ++i) {
    const DiscoveredDevice& device = devices_[static_cast<size_t>(i)];
    const std::wstring wanted = device::DeviceName(baseName_, i, count);
    const auto bytes = static_cast<DWORD>((wanted.size() + 1) * sizeof(wchar_t));

    // The set is opened afresh; the member index must still name the same device.
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    wchar_t instanceId[MAX_PATH] = {};
    if (set.valid() && ::SetupDiEnumDeviceInfo(set.get(), static_cast<DWORD>(device.memberIndex), &data) &&
        ::SetupDiGetDeviceInstanceIdW(set.get(), &data, instanceId, MAX_PATH, nullptr) &&
        device.instanceId == instanceId) {
      for (const DWORD property : {DWORD{SPDRP_DEVICEDESC}, DWORD{SPDRP_FRIENDLYNAME}}) {
        if (!ReadDeviceText(set.get(), data, property)) continue;
        if (!::SetupDiSetDeviceRegistryPropertyW(set.get(), &data, property, reinterpret_cast<const BYTE*>(wanted.c_str()),
                                                 bytes)) {
          note(LastErrorResult());
        }
      }
    } else {
      note(HRESULT_FROM_WIN32(ERROR_NO_SUCH_DEVINST));
    }

    // The name the device keeps in its interface key, where the system's listing of it reads it.
    const std::optional<int32_t> number = device::DeviceNumberFromInstanceId(device.instanceId);
    if (number) {
      note(ResultFromStatus(
          registry::WriteTextAt(HKEY_LOCAL_MACHINE, device::DeviceParametersKey(*number), L"FriendlyName", wanted)));
    }
    if (DebugLoggingEnabled()) {
      Logf("Rename device %s to %s - 0x%lx", WideToAnsi(device.instanceId).c_str(), WideToAnsi(wanted).c_str(),
           static_cast<unsigned long>(result));
    }
  }
  return result;
}

}  // namespace orvane
