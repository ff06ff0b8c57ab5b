// Which instruction set the frame kernels use. The level is chosen once per process, on the first
// conversion, crop or rotation, from the processor's features: the widest level that the processor and
// the operating system support. Every level produces exactly the bytes of the reference level, so the
// choice changes speed only. Tests and benchmarks restrict the choice with SetSimdLevelMask to run
// each level in turn; that must not happen while another thread is converting frames.
#pragma once

#include <cstdint>

namespace orvane {

enum class SimdLevel : int {
  Reference = 0,  // plain C++
  Ssse3 = 1,
  Avx2 = 2,
  Avx512 = 3,  // AVX-512 F, BW, VL and VBMI (byte permutes make 3-byte pixels cheap)
};
inline constexpr int kSimdLevelCount = 4;
inline constexpr uint32_t kAllSimdLevels = (1u << kSimdLevelCount) - 1;

const char* SimdLevelName(SimdLevel level);

// What this processor and operating system can run.
bool IsSimdLevelSupported(SimdLevel level);
SimdLevel HighestSupportedSimdLevel();

// Allows only the levels whose bit (1 << level) is set; the reference level is always allowed. The
// widest allowed and supported level takes effect at once and is returned.
SimdLevel SetSimdLevelMask(uint32_t mask);
SimdLevel ActiveSimdLevel();

}  // namespace orvane
