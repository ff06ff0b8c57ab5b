// The private property set through which Orvane talks to a virtual camera device (IKsPropertySet on
// the device's capture filter): its identifier, the property ids, and the payload records with their
// exact byte layout. Both deliverables and the device compile against this one definition.
// Plain data; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "shared/FrameFormat.h"
#include "shared/Guid.h"

namespace orvane {

inline constexpr Guid VirtualCameraPropertySet = {
    0xD8518491, 0xD98A, 0x4456, {0x8F, 0xE7, 0xA0, 0x2F, 0xEA, 0xE4, 0xCB, 0x1C}};

// Property ids of VirtualCameraPropertySet and what their property data holds.
enum VirtualCameraProperty : uint32_t {
  kPropertyFrame = 0,            // Set: frame record (FrameHeader + pixels); QuerySupported: the support test
  kPropertyOutputFormat = 1,     // Set, Get: OutputFormat
  kPropertyFriendlyName = 3,     // Set: FriendlyNamePayload, also passed as instance data
  kPropertyIdlePicture = 4,      // Set: IdlePicturePayload, also passed as instance data
  kPropertyFillMode = 5,         // Set, Get: int32_t FillMode
  kPropertyMirror = 6,           // Set, Get: int32_t 0 or 1
  kPropertyFlip = 7,             // Set, Get: int32_t 0 or 1
  kPropertyClientCount = 9,      // Get: int32_t applications reading the device
  kPropertyDriverValue64 = 10,   // Set: DriverValue64Payload
  kPropertyDriverParameter = 12, // Set: DriverParameterPayload, also as instance data; Get: value in bytes 4..7
};

// KSPROPERTY_SUPPORT_SET: the bit QuerySupported reports for property 0 on a virtual camera.
inline constexpr uint32_t kPropertySupportSet = 2;

enum class FillMode : int32_t { AspectFit = 0, AspectFill = 1, Stretch = 2 };
constexpr bool IsFillMode(int32_t value) { return value >= 0 && value <= 2; }

// Property 3: a new friendly name for the device whose number is given.
struct FriendlyNamePayload {
  char16_t name[240];      // bytes 0..479: UTF-16, NUL-terminated, at most kMaxFriendlyNameLength units
  int32_t deviceNumber;    // bytes 480..483
  uint8_t reserved[28];    // bytes 484..511, zero
};
inline constexpr size_t kMaxFriendlyNameLength = 199;
static_assert(sizeof(FriendlyNamePayload) == 512);
static_assert(offsetof(FriendlyNamePayload, deviceNumber) == 480);

// Property 4: the picture shown while no frames arrive; all zero for none.
struct IdlePicturePayload {
  char16_t path[256];  // UTF-16, NUL-terminated, at most kMaxIdlePicturePathLength units
};
inline constexpr size_t kMaxIdlePicturePathLength = 255;
static_assert(sizeof(IdlePicturePayload) == 512);

// Property 10.
struct DriverValue64Payload {
  int64_t value;
};
static_assert(sizeof(DriverValue64Payload) == 8);

// Property 12. A Get sends a zeroed record and receives the value in bytes 4..7.
struct DriverParameterPayload {
  int32_t key;
  int32_t value;
};
static_assert(sizeof(DriverParameterPayload) == 8 && offsetof(DriverParameterPayload, value) == 4);

namespace detail {
// Copies a NUL-terminated UTF-16 string (char16_t, or wchar_t on Windows) into `out`, which holds
// maxLength units and a NUL. A null or too long text copies nothing and gives false: a name cut short
// would silently rename a device or point at another file.
template <typename Char>
bool CopyBoundedUtf16(char16_t* out, size_t maxLength, const Char* text) {
  static_assert(sizeof(Char) == 2, "payload strings are UTF-16");
  if (text == nullptr) return false;
  size_t length = 0;
  while (text[length] != 0) {
    if (length == maxLength) return false;
    ++length;
  }
  for (size_t i = 0; i < length; ++i) out[i] = static_cast<char16_t>(text[i]);
  out[length] = 0;
  return true;
}
}  // namespace detail

// Builds property 3's payload. False, leaving it all zero, for a null, empty or too long name.
template <typename Char>
bool MakeFriendlyNamePayload(FriendlyNamePayload& payload, const Char* name, int32_t deviceNumber) {
  std::memset(&payload, 0, sizeof payload);
  if (name == nullptr || name[0] == 0) return false;
  if (!detail::CopyBoundedUtf16(payload.name, kMaxFriendlyNameLength, name)) {
    std::memset(&payload, 0, sizeof payload);
    return false;
  }
  payload.deviceNumber = deviceNumber;
  return true;
}

// Builds property 4's payload: all zero for a null or empty path. False, leaving it all zero, for a
// path too long to fit.
template <typename Char>
bool MakeIdlePicturePayload(IdlePicturePayload& payload, const Char* path) {
  std::memset(&payload, 0, sizeof payload);
  if (path == nullptr || path[0] == 0) return true;
  if (!detail::CopyBoundedUtf16(payload.path, kMaxIdlePicturePathLength, path)) {
    std::memset(&payload, 0, sizeof payload);
    return false;
  }
  return true;
}

}  // namespace orvane
