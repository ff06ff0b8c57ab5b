#include "renderer/filter/ScreenCapture.h"

#include <cstring>

#include "platform/win/WindowsError.h"
#include "shared/FrameFormat.h"

namespace orvane {
namespace {

struct ScreenDcTraits {
  using Value = HDC;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::ReleaseDC(nullptr, v); }
};

struct MemoryDcTraits {
  using Value = HDC;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::DeleteDC(v); }
};

// Selects an object into a device context and puts the previous one back when it goes.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (ok()) ::SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace

HRESULT ScreenCopy::Capture(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0) return E_INVALIDARG;
  const CheckedFrame frame = CheckFrameGeometry({FramePixelType::RGB24, width, height, 0});
  if (!frame.ok()) return E_INVALIDARG;

  const UniqueResource<ScreenDcTraits> screen(::GetDC(nullptr));
  if (!screen) return LastErrorResult();
  const UniqueResource<MemoryDcTraits> memory(::CreateCompatibleDC(screen.get()));
  if (!memory) return LastErrorResult();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom-up rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueResource<resource_traits::GdiBitmap> bitmap(
      ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return LastErrorResult();
  // A rectangle beyond the screen's edge leaves those pixels as they are: black, not leftovers.
  std::memset(bits, 0, frame.imageSize);
  {
    const Selection selected(memory.get(), bitmap.get());
    if (!selected.ok()) return LastErrorResult();
    if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), x, y, SRCCOPY | CAPTUREBLT)) {
      return LastErrorResult();
    }
  }
  ::GdiFlush();
  bitmap_ = std::move(bitmap);
  pixels_ = static_cast<const uint8_t*>(bits);
  stride_ = frame.header.stride;
  return S_OK;
}

}  // namespace orvane
