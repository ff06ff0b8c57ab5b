// Chooses the kernel table once per process from the processor's features (CPUID) and the register
// state the operating system saves (XGETBV), and lets tests narrow the choice.
#include <atomic>

#include "media/frame/FrameKernels.h"
#include "media/frame/SimdLevel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define ORVANE_X86 1
#endif

namespace orvane {

// The reference level has no vector part: its row kernels do nothing and leave every row to the
// reference functions that finish rows.
const FrameKernels kReferenceKernels = {
    "reference",
    [](const uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, uint8_t*, int) { return 0; },
    reference::Transpose8,
    reference::Transpose16,
    reference::Transpose24,
    reference::Transpose32,
    reference::TransposeYuy2,
    [](const uint8_t*, uint8_t*, int) { return 0; },
};

namespace {

#ifdef ORVANE_X86
uint64_t ReadXcr0() {
  uint32_t eax = 0, edx = 0;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (uint64_t{edx} << 32) | eax;
}

SimdLevel DetectLevel() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return SimdLevel::Reference;
  const bool ssse3 = (ecx & bit_SSSE3) != 0;
  const bool osxsave = (ecx & bit_OSXSAVE) != 0;
  const bool avx = (ecx & bit_AVX) != 0;
  if (!ssse3) return SimdLevel::Reference;
  if (!osxsave || !avx) return SimdLevel::Ssse3;
  const uint64_t xcr0 = ReadXcr0();
  const bool ymmSaved = (xcr0 & 0x6) == 0x6;     // SSE and AVX state
  const bool zmmSaved = (xcr0 & 0xE6) == 0xE6;   // plus opmask and both halves of the ZMM registers
  if (!ymmSaved || __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return SimdLevel::Ssse3;
  if ((ebx & bit_AVX2) == 0) return SimdLevel::Ssse3;
  const bool avx512 = zmmSaved && (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512BW) != 0 &&
                      (ebx & bit_AVX512VL) != 0 && (ecx & bit_AVX512VBMI) != 0;
  return avx512 ? SimdLevel::Avx512 : SimdLevel::Avx2;
}
#else
SimdLevel DetectLevel() { return SimdLevel::Reference; }
#endif

const FrameKernels* KernelsOf(SimdLevel level) {
  switch (level) {
    case SimdLevel::Reference: return &kReferenceKernels;
    case SimdLevel::Ssse3: return &kSsse3Kernels;
    case SimdLevel::Avx2: return &kAvx2Kernels;
    case SimdLevel::Avx512: return &kAvx512Kernels;
  }
  return &kReferenceKernels;
}

SimdLevel SupportedLevel() {
  static const SimdLevel supported = DetectLevel();
  return supported;
}

SimdLevel Choose(uint32_t mask) {
  for (int level = static_cast<int>(SupportedLevel()); level > 0; --level) {
    if ((mask & (1u << level)) != 0) return static_cast<SimdLevel>(level);
  }
  return SimdLevel::Reference;
}

// Written once by the first caller (a second racing caller writes the same value) and again only by
// SetSimdLevelMask.
std::atomic<int> g_activeLevel{-1};

}  // namespace

const char* SimdLevelName(SimdLevel level) { return KernelsOf(level)->name; }

bool IsSimdLevelSupported(SimdLevel level) {
  return static_cast<int>(level) >= 0 && level <= SupportedLevel();
}

SimdLevel HighestSupportedSimdLevel() { return SupportedLevel(); }

SimdLevel SetSimdLevelMask(uint32_t mask) {
  const SimdLevel level = Choose(mask);
  g_activeLevel.store(static_cast<int>(level), std::memory_order_release);
  return level;
}

SimdLevel ActiveSimdLevel() {
  int level = g_activeLevel.load(std::memory_order_acquire);
  if (level < 0) {
    level = static_cast<int>(SupportedLevel());
    g_activeLevel.store(level, std::memory_order_release);
  }
  return static_cast<SimdLevel>(level);
}

const FrameKernels& ActiveFrameKernels() { return *KernelsOf(ActiveSimdLevel()); }

}  // namespace orvane
