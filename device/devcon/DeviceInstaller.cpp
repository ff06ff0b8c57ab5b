#include "device/devcon/DeviceInstaller.h"

#include <cfgmgr32.h>
#include <dshow.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <utility>

#include "device/names/DeviceNameStore.h"
#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComServerKeys.h"
#include "platform/dshow/ModuleRegistration.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/WindowsError.h"
#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"

namespace orvane::devcon {
namespace {

using device::CategoryEntryKey;
using device::CategoryInstanceName;
using device::DeviceName;
using device::DeviceNumberFromInstanceId;
using device::DeviceParametersKey;
using device::DevicePath;
using device::InstanceId;
using device::InterfaceKey;
using device::kMaxDeviceNumber;
using device::ReadDeviceName;

// The imaging device setup class {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}.
constexpr GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
// CONFIGFLAG_DISABLED of the device's config flags (regstr.h).
constexpr DWORD kConfigFlagDisabled = 0x00000001;

// How each device is listed in the video input category: one capture output pin of video, never
// picked by intelligent connect (call apps choose it by name).
const REGPINTYPES kListedPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL}};
const FilterPinRegistration kListedPins[] = {
    {L"Capture", REG_PINFLAG_B_OUTPUT, 1, kListedPinTypes, &PIN_CATEGORY_CAPTURE},
};
const FilterRegistration kListing{MERIT_DO_NOT_USE, kListedPins};
const ClassEntry kListedClass{kNimbCameraClassName, &CLSID_NimbCamera, nullptr, &kListing};

class DeviceSet {
 public:
  explicit DeviceSet(HDEVINFO set) : set_(set) {}
  ~DeviceSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;
  HDEVINFO get() const { return set_; }
  explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE; }

 private:
  HDEVINFO set_;
};

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::wstring ReadText(HDEVINFO set, SP_DEVINFO_DATA& data, DWORD property) {
  wchar_t buffer[1024] = {};
  if (!SetupDiGetDeviceRegistryPropertyW(set, &data, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - sizeof(wchar_t), nullptr)) {
    return {};
  }
  return buffer;
}

std::vector<std::wstring> ReadList(HDEVINFO set, SP_DEVINFO_DATA& data, DWORD property) {
  wchar_t buffer[1024] = {};
  std::vector<std::wstring> list;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &data, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - 2 * sizeof(wchar_t), nullptr)) {
    return list;
  }
  for (const wchar_t* item = buffer; *item != 0; item += wcslen(item) + 1) list.emplace_back(item);
  return list;
}

HRESULT WriteText(HDEVINFO set, SP_DEVINFO_DATA& data, DWORD property, const std::wstring& text) {
  if (!SetupDiSetDeviceRegistryPropertyW(set, &data, property, reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)))) {
    return LastErrorResult();
  }
  return S_OK;
}

DWORD ReadConfigFlags(HDEVINFO set, SP_DEVINFO_DATA& data) {
  DWORD flags = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &data, SPDRP_CONFIGFLAGS, nullptr, reinterpret_cast<BYTE*>(&flags),
                                         sizeof flags, nullptr)) {
    return 0;
  }
  return flags;
}

HRESULT WriteRegistryText(HKEY root, const std::wstring& key, const wchar_t* value, const std::wstring& text) {
  return ResultFromStatus(registry::WriteTextAt(root, key, value, text));
}

HRESULT CreateMapper(ComPtr<IFilterMapper2>& mapper) {
  return CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
}

// Lists the device in the video input category: the filter mapper's entry (CLSID, FriendlyName,
// FilterData) plus its DevicePath, which tells the filter which device it is when it is bound.
HRESULT ListAsVideoInput(int32_t number, const std::wstring& name) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT result = CreateMapper(mapper);
  if (FAILED(result)) return result;
  result = RegisterFilterInCategory(*mapper.Get(), kListedClass, CLSID_VideoInputDeviceCategory,
                                    CategoryInstanceName(number).c_str(), name.c_str());
  if (FAILED(result)) return result;
  // The entry keeps the access of the classes it lives in: every user's enumeration reads it, so only
  // administrators may change it (renaming without administrator rights goes through an elevated copy
  // of the program).
  return WriteRegistryText(HKEY_CLASSES_ROOT, CategoryEntryKey(number), L"DevicePath", DevicePath(number));
}

HRESULT UnlistAsVideoInput(int32_t number) {
  ComPtr<IFilterMapper2> mapper;
  if (SUCCEEDED(CreateMapper(mapper))) {
    UnregisterFilterFromCategory(*mapper.Get(), CLSID_NimbCamera, CLSID_VideoInputDeviceCategory,
                                 CategoryInstanceName(number).c_str());
  }
  // Whatever the mapper left (the DevicePath value is ours) goes too.
  return ResultFromStatus(registry::DeleteKeyTree(HKEY_CLASSES_ROOT, CategoryEntryKey(number)));
}

HRESULT WriteDeviceParameters(int32_t number, const std::wstring& name) {
  HRESULT result = WriteRegistryText(HKEY_LOCAL_MACHINE, InterfaceKey(number), L"DeviceInstance", InstanceId(number));
  if (SUCCEEDED(result)) result = WriteRegistryText(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName", name);
  return result;
}

// Opens one device by instance id into a set of its own.
HRESULT OpenDevice(const std::wstring& instanceId, DeviceSet& set, SP_DEVINFO_DATA& data) {
  if (!set) return LastErrorResult();
  data = SP_DEVINFO_DATA{};
  data.cbSize = sizeof data;
  if (!SetupDiOpenDeviceInfoW(set.get(), instanceId.c_str(), nullptr, 0, &data)) return LastErrorResult();
  return S_OK;
}

HRESULT CreateDevice(const DeviceDefinition& definition, const std::wstring& name, int32_t& number) {
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  if (!set) return LastErrorResult();
  for (number = 0; number <= kMaxDeviceNumber; ++number) {
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiCreateDeviceInfoW(set.get(), InstanceId(number).c_str(), &kImageClass, name.c_str(), nullptr, 0,
                                  &data)) {
      if (GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) continue;  // taken, by us or another device
      return LastErrorResult();
    }
    std::wstring hardwareIds = definition.hardwareId;
    hardwareIds.push_back(L'\0');  // a list: the id, then the empty string that ends it
    HRESULT result = WriteText(set.get(), data, SPDRP_HARDWAREID, hardwareIds);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_MFG, definition.manufacturer);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_SERVICE, definition.service);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_FRIENDLYNAME, name);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_DEVICEDESC, name);
    if (SUCCEEDED(result) && !SetupDiRegisterDeviceInfo(set.get(), &data, 0, nullptr, nullptr, nullptr)) {
      result = LastErrorResult();
    }
    if (FAILED(result)) SetupDiDeleteDeviceInfo(set.get(), &data);
    return result;
  }
  return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
}

}  // namespace

HRESULT FindDevices(const std::wstring& hardwareId, std::vector<InstalledDevice>& devices) {
  devices.clear();
  DeviceSet set(SetupDiGetClassDevsW(&kImageClass, nullptr, nullptr, 0));
  if (!set) return LastErrorResult();
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &data); ++index) {
    const std::vector<std::wstring> ids = ReadList(set.get(), data, SPDRP_HARDWAREID);
    if (std::none_of(ids.begin(), ids.end(), [&](const std::wstring& id) { return EqualNoCase(id, hardwareId); })) {
      continue;
    }
    wchar_t instanceId[MAX_DEVICE_ID_LEN] = {};
    if (!SetupDiGetDeviceInstanceIdW(set.get(), &data, instanceId, MAX_DEVICE_ID_LEN, nullptr)) continue;
    const std::optional<int32_t> number = DeviceNumberFromInstanceId(instanceId);
    if (!number) continue;  // not one of ours: our devices are ROOT\IMAGE\dddd
    InstalledDevice device;
    device.number = *number;
    device.instanceId = instanceId;
    device.disabled = (ReadConfigFlags(set.get(), data) & kConfigFlagDisabled) != 0;
    device.listed = registry::KeyExists(HKEY_CLASSES_ROOT, CategoryEntryKey(*number));
    device.friendlyName = ReadDeviceName(*number, ReadText(set.get(), data, SPDRP_FRIENDLYNAME));
    devices.push_back(device);
  }
  std::sort(devices.begin(), devices.end(),
            [](const InstalledDevice& a, const InstalledDevice& b) { return a.number < b.number; });
  return S_OK;
}

HRESULT InstallDevices(const DeviceDefinition& definition, std::vector<InstalledDevice>& devices) {
  devices.clear();
  if (definition.count < 1 || definition.hardwareId.empty() || definition.modulePath.empty()) return E_INVALIDARG;
  const ComInitialization com(COINIT_MULTITHREADED);
  if (!com.ok()) return com.result();
  std::vector<InstalledDevice> existing;
  HRESULT result = FindDevices(definition.hardwareId, existing);
  if (FAILED(result)) return result;
  result = RegisterInprocServer(ClassesRoot::Machine, CLSID_NimbCamera, kNimbCameraClassName, definition.modulePath);
  if (FAILED(result)) return result;

  const int32_t total = std::max<int32_t>(definition.count, static_cast<int32_t>(existing.size()));
  std::vector<int32_t> created;
  for (int32_t index = static_cast<int32_t>(existing.size()); index < definition.count; ++index) {
    const std::wstring name = DeviceName(definition.baseName, index, total);
    int32_t number = 0;
    result = CreateDevice(definition, name, number);
    if (SUCCEEDED(result)) result = WriteDeviceParameters(number, name);
    if (FAILED(result)) return result;
    created.push_back(number);
  }

  result = FindDevices(definition.hardwareId, devices);
  if (FAILED(result)) return result;
  for (InstalledDevice& device : devices) {
    device.created = std::find(created.begin(), created.end(), device.number) != created.end();
    if (!registry::KeyExists(HKEY_LOCAL_MACHINE, DeviceParametersKey(device.number))) {
      result = WriteDeviceParameters(device.number, device.friendlyName);
      if (FAILED(result)) return result;
    }
    if (device.disabled) continue;
    // Listing again repairs an entry that is missing or stale (another module path, no DevicePath).
    result = ListAsVideoInput(device.number, device.friendlyName);
    if (FAILED(result)) return result;
    device.listed = true;
  }
  return S_OK;
}

HRESULT SetDeviceEnabled(const InstalledDevice& device, bool enabled) {
  const ComInitialization com(COINIT_MULTITHREADED);
  if (!com.ok()) return com.result();
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  SP_DEVINFO_DATA data{};
  HRESULT result = OpenDevice(device.instanceId, set, data);
  if (FAILED(result)) return result;
  DWORD flags = ReadConfigFlags(set.get(), data);
  flags = enabled ? flags & ~DWORD{kConfigFlagDisabled} : flags | kConfigFlagDisabled;
  if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &data, SPDRP_CONFIGFLAGS, reinterpret_cast<const BYTE*>(&flags),
                                         sizeof flags)) {
    return LastErrorResult();
  }
  return enabled ? ListAsVideoInput(device.number, ReadDeviceName(device.number, device.friendlyName))
                 : UnlistAsVideoInput(device.number);
}

HRESULT RemoveDevice(const InstalledDevice& device, const std::wstring& hardwareId) {
  const ComInitialization com(COINIT_MULTITHREADED);
  if (!com.ok()) return com.result();
  HRESULT result = UnlistAsVideoInput(device.number);
  if (SUCCEEDED(result)) result = ResultFromStatus(registry::DeleteKeyTree(HKEY_LOCAL_MACHINE, InterfaceKey(device.number)));
  if (FAILED(result)) return result;
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  SP_DEVINFO_DATA data{};
  result = OpenDevice(device.instanceId, set, data);
  if (SUCCEEDED(result) && !SetupDiRemoveDevice(set.get(), &data)) result = LastErrorResult();
  if (FAILED(result)) return result;
  std::vector<InstalledDevice> left;
  if (SUCCEEDED(FindDevices(hardwareId, left)) && left.empty()) {
    result = UnregisterInprocServer(ClassesRoot::Machine, CLSID_NimbCamera);
  }
  return result;
}

}  // namespace orvane::devcon
