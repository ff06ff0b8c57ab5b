// A GUID with the Windows memory layout that platform-neutral code can use. On Windows it is the
// system's own GUID, so the identifiers declared with it go straight into COM calls.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <guiddef.h>
namespace orvane {
using Guid = ::GUID;
}  // namespace orvane
#else
namespace orvane {
struct Guid {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend constexpr bool operator==(const Guid&, const Guid&) = default;
};
}  // namespace orvane
#endif

static_assert(sizeof(orvane::Guid) == 16);
