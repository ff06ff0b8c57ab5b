#include "device/camera/DeviceProperties.h"

#include <strmif.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "device/camera/IdlePictureDecoder.h"
#include "device/camera/formats/OutputOffer.h"
#include "device/names/DeviceNameStore.h"
#include "platform/com/ComBoundary.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane::camera {
namespace {

constexpr DWORD kGet = KSPROPERTY_SUPPORT_GET;
constexpr DWORD kSet = KSPROPERTY_SUPPORT_SET;

struct PropertyRule {
  DWORD id;
  DWORD support;
  DWORD size;  // payload bytes; 0 for the frame record, whose length its header decides
};

constexpr PropertyRule kRules[] = {
    {kPropertyFrame, kSet, 0},
    {kPropertyOutputFormat, kGet | kSet, sizeof(OutputFormat)},
    {kPropertyFriendlyName, kSet, sizeof(FriendlyNamePayload)},
    {kPropertyIdlePicture, kSet, sizeof(IdlePicturePayload)},
    {kPropertyFillMode, kGet | kSet, sizeof(int32_t)},
    {kPropertyMirror, kGet | kSet, sizeof(int32_t)},
    {kPropertyFlip, kGet | kSet, sizeof(int32_t)},
    {kPropertyClientCount, kGet, sizeof(int32_t)},
    {kPropertyDriverValue64, kSet, sizeof(DriverValue64Payload)},
    {kPropertyDriverParameter, kGet | kSet, sizeof(DriverParameterPayload)},
};
static_assert(kPropertySupportSet == KSPROPERTY_SUPPORT_SET);

// The rule of `id` in `set`, or the error that the set or the id is unknown.
HRESULT FindRule(const GUID& set, DWORD id, const PropertyRule*& rule) {
  rule = nullptr;
  if (set != VirtualCameraPropertySet) return E_PROP_SET_UNSUPPORTED;
  for (const PropertyRule& candidate : kRules) {
    if (candidate.id == id) {
      rule = &candidate;
      return S_OK;
    }
  }
  return E_PROP_ID_UNSUPPORTED;
}

template <typename T>
T Read(const void* data) {
  T value;
  std::memcpy(&value, data, sizeof value);  // payloads need not be aligned
  return value;
}

// Property 3: a name of 1..199 units ending inside its field, for a device number the installer knows.
HRESULT Rename(const FriendlyNamePayload& payload) {
  size_t length = 0;
  while (length <= kMaxFriendlyNameLength && payload.name[length] != 0) ++length;
  if (length == 0 || length > kMaxFriendlyNameLength) return E_INVALIDARG;
  const std::wstring name(reinterpret_cast<const wchar_t*>(payload.name), length);
  return device::RenameDevice(payload.deviceNumber, name);
}

// Property 4: the producer learns at once of a path that no client would open. The clients check again,
// since the section can be written without this call.
HRESULT SetIdlePicture(state::DeviceState& device, const IdlePicturePayload& payload) {
  const auto end = std::find(std::begin(payload.path), std::end(payload.path), u'\0');
  if (end == std::end(payload.path)) return E_INVALIDARG;
  const std::wstring path(payload.path, end);
  const HRESULT checked = CheckIdlePictureFile(path.c_str());
  if (FAILED(checked)) return checked;
  return device.SetIdlePicture(payload);
}

}  // namespace

HRESULT DeviceProperties::QuerySupported(const GUID& set, DWORD id, DWORD* support) {
  const PropertyRule* rule = nullptr;
  const HRESULT found = FindRule(set, id, rule);
  if (FAILED(found)) return found;
  if (support == nullptr) return E_POINTER;
  *support = rule->support;
  return S_OK;
}

HRESULT DeviceProperties::Set(const GUID& set, DWORD id, const void*, DWORD, const void* data, DWORD dataLength) {
  const PropertyRule* rule = nullptr;
  HRESULT result = FindRule(set, id, rule);
  if (FAILED(result)) return result;
  if ((rule->support & kSet) == 0) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr) return E_POINTER;
  if (rule->size != 0 && dataLength != rule->size) return E_INVALIDARG;
  return GuardComCall([&] {
    // Renaming goes to the device records, not to this device's state.
    if (id == kPropertyFriendlyName) return Rename(Read<FriendlyNamePayload>(data));
    std::shared_ptr<state::DeviceState> device;
    HRESULT opened = open_(device);
    if (FAILED(opened)) return opened;
    if (id == kPropertyFrame) return device->SetFrame(static_cast<const uint8_t*>(data), dataLength);
    return SetFixed(*device, id, data);
  });
}

HRESULT DeviceProperties::SetFixed(state::DeviceState& device, DWORD id, const void* data) {
  switch (id) {
    case kPropertyOutputFormat: {
      const OutputFormat format = Read<OutputFormat>(data);
      if (CheckOutputFormat(format) != OutputFormatError::None) return E_INVALIDARG;
      return device.SetOutputFormat(format);
    }
    case kPropertyIdlePicture: return SetIdlePicture(device, Read<IdlePicturePayload>(data));
    case kPropertyFillMode: return device.SetFillMode(Read<int32_t>(data));
    case kPropertyMirror: return device.SetMirror(Read<int32_t>(data));
    case kPropertyFlip: return device.SetFlip(Read<int32_t>(data));
    case kPropertyDriverValue64: return device.SetDriverValue64(Read<DriverValue64Payload>(data).value);
    case kPropertyDriverParameter: {
      const DriverParameterPayload parameter = Read<DriverParameterPayload>(data);
      return device.SetDriverParameter(parameter.key, parameter.value);
    }
    default: return E_PROP_ID_UNSUPPORTED;
  }
}

HRESULT DeviceProperties::Get(const GUID& set, DWORD id, const void* instance, DWORD instanceLength, void* data,
                              DWORD dataLength, DWORD* returned) {
  const PropertyRule* rule = nullptr;
  HRESULT result = FindRule(set, id, rule);
  if (FAILED(result)) return result;
  if ((rule->support & kGet) == 0) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr) {
    // Without a buffer the caller asks for the size.
    if (returned == nullptr) return E_POINTER;
    *returned = rule->size;
    return S_OK;
  }
  if (dataLength < rule->size) {
    if (returned != nullptr) *returned = rule->size;
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  if (dataLength > rule->size) return E_INVALIDARG;
  const void* key = data;
  if (instance != nullptr && instanceLength != 0) {
    if (instanceLength < sizeof(int32_t)) return E_INVALIDARG;
    key = instance;
  }
  return GuardComCall([&] {
    std::shared_ptr<state::DeviceState> device;
    HRESULT opened = open_(device);
    if (FAILED(opened)) return opened;
    const HRESULT got = GetFixed(*device, id, key, data);
    if (SUCCEEDED(got) && returned != nullptr) *returned = rule->size;
    return got;
  });
}

HRESULT DeviceProperties::GetFixed(state::DeviceState& device, DWORD id, const void* key, void* data) {
  const auto write = [&](const auto& value) {
    std::memcpy(data, &value, sizeof value);
    return S_OK;
  };
  switch (id) {
    case kPropertyOutputFormat: return write(device.Settings().outputFormat);
    case kPropertyFillMode: return write(device.Settings().fillMode);
    case kPropertyMirror: return write(device.Settings().mirror);
    case kPropertyFlip: return write(device.Settings().flip);
    case kPropertyClientCount: {
      int32_t count = 0;
      const HRESULT counted = device.CountClients(count);
      if (FAILED(counted)) return counted;
      return write(count);
    }
    case kPropertyDriverParameter: {
      const int32_t asked = Read<int32_t>(key);
      return write(DriverParameterPayload{asked, device.GetDriverParameter(asked)});
    }
    default: return E_PROP_ID_UNSUPPORTED;
  }
}

}  // namespace orvane::camera
