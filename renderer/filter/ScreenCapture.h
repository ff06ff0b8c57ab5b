// A copy of part of the screen as a 24-bit bottom-up bitmap (BGR rows padded to 4 bytes, the last
// screen row first), for pushing the screen into the virtual camera. The copy owns its bitmap (a DIB
// section, whose bits it exposes); the device contexts it needs live only during Capture. One thread
// uses a copy at a time.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/win/UniqueResource.h"

namespace orvane {

namespace resource_traits {
struct GdiBitmap {
  using Value = HBITMAP;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DeleteObject(v); }
};
}  // namespace resource_traits

class ScreenCopy {
 public:
  // Copies the rectangle at (x, y) of `width` x `height` pixels from the screen. E_INVALIDARG for a
  // rectangle with a negative origin, no area, or more pixels than a frame may carry; the GDI error
  // otherwise. Parts outside the screen come out black.
  HRESULT Capture(int32_t x, int32_t y, int32_t width, int32_t height);

  // Valid after a successful Capture, as long as the copy lives.
  const uint8_t* pixels() const { return pixels_; }
  int32_t stride() const { return stride_; }

 private:
  UniqueResource<resource_traits::GdiBitmap> bitmap_;
  const uint8_t* pixels_ = nullptr;
  int32_t stride_ = 0;
};

}  // namespace orvane
