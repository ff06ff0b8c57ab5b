#include "app/core/SingleInstance.h"

#include "app/core/InstanceNames.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/SecurityDescriptor.h"

namespace orvane {

InstanceClaim ClaimInstance(int virtualCameraCount) {
  SecurityDescriptor security(L"S:(ML;;NW;;;LW)");
  InstanceClaim claim;
  if (virtualCameraCount < 2) {
    UniqueHandle mutex(::CreateMutexW(security.attributes(), FALSE, InstanceMutexName(0).c_str()));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) return claim;
    claim.won = true;
    claim.mutex = std::move(mutex);
    return claim;
  }
  for (int index = 0; index < virtualCameraCount; ++index) {
    UniqueHandle mutex(::CreateMutexW(security.attributes(), FALSE, InstanceMutexName(index).c_str()));
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) continue;
    claim.won = true;
    claim.deviceIndex = index;
    claim.deviceCount = virtualCameraCount;
    claim.mutex = std::move(mutex);
    UniqueRegKey key;
    registry::CreateKey(HKEY_CURRENT_USER, PerDeviceKeyPath(index, virtualCameraCount), KEY_READ | KEY_WRITE, key);
    return claim;
  }
  return claim;
}

}  // namespace orvane
