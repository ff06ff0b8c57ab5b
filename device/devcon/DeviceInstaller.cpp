#include "device/devcon/DeviceInstaller.h"

#include <cfgmgr32.h>
#include <dshow.h>
#include <sddl.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <utility>

#include "device/camera/NimbCameraIds.h"
#include "device/devcon/DeviceNaming.h"
#include "platform/com/ComPtr.h"
#include "platform/com/UniqueResource.h"

namespace orvane::devcon {
namespace {

// The imaging device setup class {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}.
constexpr GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
// CONFIGFLAG_DISABLED of the device's config flags (regstr.h).
constexpr DWORD kConfigFlagDisabled = 0x00000001;
constexpr wchar_t kVideoInputInstances[] = L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\";
constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\";

HRESULT FromWin32(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }
HRESULT LastError() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// COM for the duration of one installer call, on whatever apartment the thread already has.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

 private:
  HRESULT result_;
};

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
    return LastError();
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

std::wstring ReadRegistryText(HKEY root, const std::wstring& key, const wchar_t* value) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return {};
  return buffer;
}

HRESULT WriteRegistryText(HKEY root, const std::wstring& key, const wchar_t* value, const std::wstring& text) {
  UniqueRegKey opened;
  LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr,
                                   opened.put(), nullptr);
  if (status != ERROR_SUCCESS) return FromWin32(status);
  status = RegSetValueExW(opened.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  return FromWin32(status);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  UniqueRegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

HRESULT DeleteTree(HKEY root, const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(root, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(root, key.c_str());  // RegDeleteTreeW leaves the key itself on older systems
    return S_OK;
  }
  return FromWin32(status);
}

std::wstring CategoryKey(int32_t number) { return kVideoInputInstances + CategoryInstanceName(number); }

// The names the application's renaming and the camera's own renaming write must be writable by
// every user: allow reading and setting values to all, full control to the system and administrators.
void AllowRenaming(HKEY root, const std::wstring& key) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KA;;;SY)(A;;KA;;;BA)(A;;0x2001b;;;WD)",
                                                            SDDL_REVISION_1, &descriptor, nullptr)) {
    return;
  }
  UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, WRITE_DAC, opened.put()) == ERROR_SUCCESS) {
    RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION, descriptor);
  }
  LocalFree(descriptor);
}

HRESULT RegisterFilterClass(const std::wstring& modulePath) {
  const std::wstring key = std::wstring(kClassKey) + kNimbCameraClsidText;
  HRESULT result = WriteRegistryText(HKEY_LOCAL_MACHINE, key, nullptr, kNimbCameraClassName);
  if (SUCCEEDED(result)) result = WriteRegistryText(HKEY_LOCAL_MACHINE, key + L"\\InprocServer32", nullptr, modulePath);
  if (SUCCEEDED(result)) {
    result = WriteRegistryText(HKEY_LOCAL_MACHINE, key + L"\\InprocServer32", L"ThreadingModel", L"Both");
  }
  return result;
}

// Lists the device in the video input category: the filter mapper's entry (CLSID, FriendlyName,
// FilterData) plus its DevicePath, which tells the filter which device it is when it is bound.
HRESULT ListAsVideoInput(int32_t number, const std::wstring& name) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(result)) return result;
  REGPINTYPES type{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
  REGFILTERPINS2 pin{};
  pin.dwFlags = REG_PINFLAG_B_OUTPUT;
  pin.cInstances = 1;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &type;
  pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
  REGFILTER2 filter{};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins2 = 1;
  filter.rgPins2 = &pin;
  const std::wstring instance = CategoryInstanceName(number);
  ComPtr<IMoniker> moniker;
  result = mapper->RegisterFilter(CLSID_NimbCamera, name.c_str(), moniker.GetAddressOf(),
                                  &CLSID_VideoInputDeviceCategory, instance.c_str(), &filter);
  if (FAILED(result)) return result;
  result = WriteRegistryText(HKEY_CLASSES_ROOT, CategoryKey(number), L"DevicePath", DevicePath(number));
  if (SUCCEEDED(result)) AllowRenaming(HKEY_CLASSES_ROOT, CategoryKey(number));
  return result;
}

HRESULT UnlistAsVideoInput(int32_t number) {
  ComPtr<IFilterMapper2> mapper;
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)))) {
    mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, CategoryInstanceName(number).c_str(), CLSID_NimbCamera);
  }
  // Whatever the mapper left (the DevicePath value is ours) goes too.
  return DeleteTree(HKEY_CLASSES_ROOT, CategoryKey(number));
}

HRESULT WriteDeviceParameters(int32_t number, const std::wstring& name) {
  HRESULT result = WriteRegistryText(HKEY_LOCAL_MACHINE, InterfaceKey(number), L"DeviceInstance", InstanceId(number));
  if (SUCCEEDED(result)) result = WriteRegistryText(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName", name);
  if (SUCCEEDED(result)) AllowRenaming(HKEY_LOCAL_MACHINE, DeviceParametersKey(number));
  return result;
}

// The device's current name: the video input entry's, else its Device Parameters', else its record's.
std::wstring CurrentName(int32_t number, const std::wstring& recordName) {
  std::wstring name = ReadRegistryText(HKEY_CLASSES_ROOT, CategoryKey(number), L"FriendlyName");
  if (name.empty()) name = ReadRegistryText(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName");
  return name.empty() ? recordName : name;
}

// Opens one device by instance id into a set of its own.
HRESULT OpenDevice(const std::wstring& instanceId, DeviceSet& set, SP_DEVINFO_DATA& data) {
  if (!set) return LastError();
  data = SP_DEVINFO_DATA{};
  data.cbSize = sizeof data;
  if (!SetupDiOpenDeviceInfoW(set.get(), instanceId.c_str(), nullptr, 0, &data)) return LastError();
  return S_OK;
}

HRESULT CreateDevice(const DeviceDefinition& definition, const std::wstring& name, int32_t& number) {
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  if (!set) return LastError();
  for (number = 0; number <= kMaxDeviceNumber; ++number) {
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiCreateDeviceInfoW(set.get(), InstanceId(number).c_str(), &kImageClass, name.c_str(), nullptr, 0,
                                  &data)) {
      if (GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) continue;  // taken, by us or another device
      return LastError();
    }
    std::wstring hardwareIds = definition.hardwareId;
    hardwareIds.push_back(L'\0');  // a list: the id, then the empty string that ends it
    HRESULT result = WriteText(set.get(), data, SPDRP_HARDWAREID, hardwareIds);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_MFG, definition.manufacturer);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_SERVICE, definition.service);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_FRIENDLYNAME, name);
    if (SUCCEEDED(result)) result = WriteText(set.get(), data, SPDRP_DEVICEDESC, name);
    if (SUCCEEDED(result) && !SetupDiRegisterDeviceInfo(set.get(), &data, 0, nullptr, nullptr, nullptr)) {
      result = LastError();
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
  if (!set) return LastError();
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
    device.listed = KeyExists(HKEY_CLASSES_ROOT, CategoryKey(*number));
    device.friendlyName = CurrentName(*number, ReadText(set.get(), data, SPDRP_FRIENDLYNAME));
    devices.push_back(device);
  }
  std::sort(devices.begin(), devices.end(),
            [](const InstalledDevice& a, const InstalledDevice& b) { return a.number < b.number; });
  return S_OK;
}

HRESULT InstallDevices(const DeviceDefinition& definition, std::vector<InstalledDevice>& devices) {
  devices.clear();
  if (definition.count < 1 || definition.hardwareId.empty() || definition.modulePath.empty()) return E_INVALIDARG;
  const ComScope com;
  if (FAILED(com.result())) return com.result();
  std::vector<InstalledDevice> existing;
  HRESULT result = FindDevices(definition.hardwareId, existing);
  if (FAILED(result)) return result;
  result = RegisterFilterClass(definition.modulePath);
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
    if (!KeyExists(HKEY_LOCAL_MACHINE, DeviceParametersKey(device.number))) {
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
  const ComScope com;
  if (FAILED(com.result())) return com.result();
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  SP_DEVINFO_DATA data{};
  HRESULT result = OpenDevice(device.instanceId, set, data);
  if (FAILED(result)) return result;
  DWORD flags = ReadConfigFlags(set.get(), data);
  flags = enabled ? flags & ~DWORD{kConfigFlagDisabled} : flags | kConfigFlagDisabled;
  if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &data, SPDRP_CONFIGFLAGS, reinterpret_cast<const BYTE*>(&flags),
                                         sizeof flags)) {
    return LastError();
  }
  return enabled ? ListAsVideoInput(device.number, CurrentName(device.number, device.friendlyName))
                 : UnlistAsVideoInput(device.number);
}

HRESULT RemoveDevice(const InstalledDevice& device, const std::wstring& hardwareId) {
  const ComScope com;
  if (FAILED(com.result())) return com.result();
  HRESULT result = UnlistAsVideoInput(device.number);
  if (SUCCEEDED(result)) result = DeleteTree(HKEY_LOCAL_MACHINE, InterfaceKey(device.number));
  if (FAILED(result)) return result;
  DeviceSet set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  SP_DEVINFO_DATA data{};
  result = OpenDevice(device.instanceId, set, data);
  if (SUCCEEDED(result) && !SetupDiRemoveDevice(set.get(), &data)) result = LastError();
  if (FAILED(result)) return result;
  std::vector<InstalledDevice> left;
  if (SUCCEEDED(FindDevices(hardwareId, left)) && left.empty()) {
    result = DeleteTree(HKEY_LOCAL_MACHINE, std::wstring(kClassKey) + kNimbCameraClsidText);
  }
  return result;
}

HRESULT RenameDevice(int32_t number, const std::wstring& name) {
  if (number < 0 || number > kMaxDeviceNumber || name.empty()) return E_INVALIDARG;
  if (!KeyExists(HKEY_LOCAL_MACHINE, InterfaceKey(number))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  HRESULT result = WriteRegistryText(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName", name);
  // A disabled device has no entry to rename; it takes the name when enabled.
  if (SUCCEEDED(result) && KeyExists(HKEY_CLASSES_ROOT, CategoryKey(number))) {
    result = WriteRegistryText(HKEY_CLASSES_ROOT, CategoryKey(number), L"FriendlyName", name);
  }
  return result;
}

}  // namespace orvane::devcon
