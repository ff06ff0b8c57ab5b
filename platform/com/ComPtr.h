// The one smart pointer for COM interfaces in Orvane: WRL's ComPtr, shipped with MinGW-w64.
// Outside COM object implementations nothing calls AddRef or Release by hand.
#pragma once

#include <wrl/client.h>

namespace orvane {
using Microsoft::WRL::ComPtr;

// Takes over a reference that the caller owns. MinGW's ComPtr::Attach, unlike the Windows SDK's, adds
// a reference of its own, so it must not be used for this.
template <typename T>
ComPtr<T> AdoptComPtr(T* owned) noexcept {
  ComPtr<T> pointer;
  *pointer.GetAddressOf() = owned;
  return pointer;
}

}  // namespace orvane
