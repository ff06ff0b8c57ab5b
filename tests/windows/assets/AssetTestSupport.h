// Shared by the asset tests: where the generated files are, and a 32-bit bitmap to draw into and read.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvane::test {

// A file in a folder given relative to the test program's own folder (forward slashes allowed).
inline std::wstring BuiltFile(const wchar_t* folder, const wchar_t* name) {
  wchar_t module[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path.resize(path.find_last_of(L'\\') + 1);
  path += folder;
  path += L"\\";
  path += name;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// A memory DC with a top-down 32-bit DIB section selected, filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = ::SelectObject(dc_, bitmap_);
    const RECT all = {0, 0, width, height};
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
    ::GdiFlush();
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Valid() const { return bits_ != nullptr; }
  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixel as a COLORREF (0x00BBGGRR), after GDI has finished drawing.
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

}  // namespace orvane::test
