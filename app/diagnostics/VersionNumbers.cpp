#include "app/diagnostics/VersionNumbers.h"

namespace orvane {

FourPartVersion SplitVersion(uint32_t mostSignificant, uint32_t leastSignificant) {
  return {static_cast<uint16_t>(mostSignificant >> 16), static_cast<uint16_t>(mostSignificant & 0xFFFF),
          static_cast<uint16_t>(leastSignificant >> 16), static_cast<uint16_t>(leastSignificant & 0xFFFF)};
}

std::string VersionText(uint32_t mostSignificant, uint32_t leastSignificant) {
  const FourPartVersion v = SplitVersion(mostSignificant, leastSignificant);
  return std::to_string(v.major) + '.' + std::to_string(v.minor) + '.' + std::to_string(v.build) + '.' +
         std::to_string(v.revision);
}

}  // namespace orvane
