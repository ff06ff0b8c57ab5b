// What a user sees of the program's windows, read back from the screen: pixels for colour checks and
// PNG screenshots kept in the build tree's screenshots folder. Test threads with COM initialised.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace orvane::test {

// The screen's pixels under a window, top row first, 3 bytes per pixel (B, G, R).
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  int stride() const { return (width * 3 + 3) & ~3; }
  COLORREF At(int x, int y) const {
    const uint8_t* p = &pixels[static_cast<size_t>(y) * stride() + static_cast<size_t>(x) * 3];
    return RGB(p[2], p[1], p[0]);
  }
  // How many pixels of the rectangle (in the captured area's coordinates) have this colour.
  int Count(const RECT& rect, COLORREF colour) const {
    int count = 0;
    for (int y = std::max<int>(0, rect.top); y < std::min<int>(height, rect.bottom); ++y) {
      for (int x = std::max<int>(0, rect.left); x < std::min<int>(width, rect.right); ++x) count += At(x, y) == colour;
    }
    return count;
  }
};

Capture CaptureScreen(const RECT& area);
// The screen under a window's frame.
Capture CaptureWindow(HWND window);
// Keeps a capture as `name` (a PNG file name) in the screenshots folder.
void SaveScreenshot(const Capture& capture, const wchar_t* name);

}  // namespace orvane::test
