#include "device/names/DeviceNameStore.h"

#include <optional>

#include "platform/win/RegistryKey.h"
#include "platform/win/WindowsError.h"
#include "shared/device/DeviceNaming.h"

namespace orvane::device {

std::wstring ReadDeviceName(int32_t number, const std::wstring& fallback) {
  std::optional<std::wstring> name = registry::ReadTextAt(HKEY_CLASSES_ROOT, CategoryEntryKey(number), L"FriendlyName");
  if (!name || name->empty()) {
    name = registry::ReadTextAt(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName");
  }
  return name && !name->empty() ? *name : fallback;
}

HRESULT RenameDevice(int32_t number, const std::wstring& name) {
  if (number < 0 || number > kMaxDeviceNumber || name.empty()) return E_INVALIDARG;
  if (!registry::KeyExists(HKEY_LOCAL_MACHINE, InterfaceKey(number))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  HRESULT result =
      ResultFromStatus(registry::WriteTextAt(HKEY_LOCAL_MACHINE, DeviceParametersKey(number), L"FriendlyName", name));
  // A disabled device has no entry to rename; it takes the name when enabled.
  if (SUCCEEDED(result) && registry::KeyExists(HKEY_CLASSES_ROOT, CategoryEntryKey(number))) {
    result = ResultFromStatus(registry::WriteTextAt(HKEY_CLASSES_ROOT, CategoryEntryKey(number), L"FriendlyName", name));
  }
  return result;
}

}  // namespace orvane::device
