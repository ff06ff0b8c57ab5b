// Four-part version numbers as version resources store them: a.b.c.d packed into a most significant
// double word (a high, b low) and a least significant one (c high, d low). Pure; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

struct FourPartVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
  uint16_t revision = 0;
};

FourPartVersion SplitVersion(uint32_t mostSignificant, uint32_t leastSignificant);

// "a.b.c.d" in plain decimal: 2, 0, 1, 0 gives "2.0.1.0".
std::string VersionText(uint32_t mostSignificant, uint32_t leastSignificant);

}  // namespace orvane
