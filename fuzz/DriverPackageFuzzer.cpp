// Driver packages of any content: the inf reader refuses or reads them, never crashes.
#include <cstdint>
#include <string_view>

#include "device/devcon/InfPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const orvane::devcon::InfResult result = orvane::devcon::ParseDriverPackage(text);
  if (result.ok) orvane::devcon::FindModel(result.package, "Orvane");
  return 0;
}
