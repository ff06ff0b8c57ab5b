#include <gtest/gtest.h>

#include <cstdio>

#include "media/frame/SimdLevel.h"

namespace orvane {
namespace {

// The mask narrows the choice to the widest allowed level the processor has; the reference level is
// always there, and clearing the mask's restriction restores the automatic choice.
TEST(SimdLevel, MaskChoosesTheWidestAllowedSupportedLevel) {
  const SimdLevel highest = HighestSupportedSimdLevel();
  std::printf("frame kernels: this processor runs up to %s\n", SimdLevelName(highest));
  EXPECT_EQ(ActiveSimdLevel(), highest);
  EXPECT_EQ(SetSimdLevelMask(0), SimdLevel::Reference);
  for (int level = 0; level < kSimdLevelCount; ++level) {
    const SimdLevel wanted = static_cast<SimdLevel>(level);
    const SimdLevel chosen = SetSimdLevelMask(1u << level);
    EXPECT_EQ(chosen, IsSimdLevelSupported(wanted) ? wanted : SimdLevel::Reference) << SimdLevelName(wanted);
    EXPECT_EQ(ActiveSimdLevel(), chosen);
  }
  // Everything up to AVX2 allowed: AVX2 where the processor has it.
  const uint32_t upToAvx2 = (1u << int(SimdLevel::Avx2)) | (1u << int(SimdLevel::Ssse3));
  EXPECT_EQ(SetSimdLevelMask(upToAvx2), highest >= SimdLevel::Avx2 ? SimdLevel::Avx2 : highest);
  EXPECT_EQ(SetSimdLevelMask(kAllSimdLevels), highest);
  for (int level = 0; level <= int(highest); ++level) EXPECT_TRUE(IsSimdLevelSupported(SimdLevel(level)));
}

}  // namespace
}  // namespace orvane
