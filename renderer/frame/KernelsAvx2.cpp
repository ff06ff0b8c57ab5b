#include "renderer/frame/FrameKernels.h"

namespace orvane {

const FrameKernels kAvx2Kernels = {
    "Avx2",
    [](const uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, int) { return 0; },
    [](const uint8_t*, uint8_t*, int) { return 0; },
    reference::Transpose8,
    reference::Transpose16,
    reference::Transpose24,
    reference::Transpose32,
    reference::TransposeYuy2,
};

}  // namespace orvane
