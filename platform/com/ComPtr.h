// The one smart pointer for COM interfaces in Orvane: WRL's ComPtr, shipped with MinGW-w64.
// Outside COM object implementations nothing calls AddRef or Release by hand.
#pragma once

#include <wrl/client.h>

namespace orvane {
using Microsoft::WRL::ComPtr;
}  // namespace orvane
