#include "tests/windows/controls/ControlHost.h"

#include <algorithm>
#include <cstdio>

#include "tests/windows/controls/ControlsTestResources.h"

namespace orvane::testing {
namespace {

// A background no system colour has, so that a control showing it shows its parent.
constexpr COLORREF kDefaultBackground = RGB(0, 128, 96);

COLORREF FromRgb(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

HostDialog::HostDialog() : CDialogImpl(IDD_CONTROLS_HOST), background_(kDefaultBackground) {
  brush_.reset(::CreateSolidBrush(background_));
}

HostDialog::~HostDialog() { DestroyWindow(); }

bool HostDialog::Open() {
  const HWND dialog = Create(nullptr);
  if (dialog == nullptr) return false;
  ::SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
  ::SetActiveWindow(dialog);
  ::UpdateWindow(dialog);
  return ::GetActiveWindow() == dialog;
}

void HostDialog::SetBackground(COLORREF colour) {
  background_ = colour;
  brush_.reset(::CreateSolidBrush(colour));
  if (window() != nullptr) ::RedrawWindow(window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool HostDialog::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<LRESULT>(brush_.get());
      return true;
    default:
      return ui::ReflectNotifications(window, message, wParam, lParam, result);
  }
}

Pixels Pixels::Printed(HWND control) { return Capture(control, false); }
Pixels Pixels::OnScreen(HWND control) { return Capture(control, true); }

Pixels Pixels::Capture(HWND control, bool fromScreen) {
  Pixels pixels;
  RECT client{};
  ::GetClientRect(control, &client);
  if (client.right <= 0 || client.bottom <= 0) return pixels;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  if (!bitmap || !dc || bits == nullptr) return pixels;
  {
    const SelectedObject selected(dc.get(), bitmap.get());
    // Magenta marks what nobody painted.
    const UniqueBrush unpainted(::CreateSolidBrush(RGB(255, 0, 255)));
    ::FillRect(dc.get(), &client, unpainted.get());
    if (fromScreen) {
      ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      const WindowDC screen(control);
      ::BitBlt(dc.get(), 0, 0, client.right, client.bottom, screen.get(), 0, 0, SRCCOPY);
    } else {
      ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ::GdiFlush();
  }
  pixels.width_ = client.right;
  pixels.height_ = client.bottom;
  const auto* first = static_cast<const uint32_t*>(bits);
  pixels.rgb_.assign(first, first + static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom));
  for (uint32_t& value : pixels.rgb_) value &= 0xFFFFFF;
  return pixels;
}

COLORREF Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return FromRgb(rgb_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]);
}

int Pixels::Count(COLORREF colour, const RECT& area) const {
  int count = 0;
  for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, height_); ++y) {
    for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, width_); ++x) {
      if (At(x, y) == colour) ++count;
    }
  }
  return count;
}

RECT Pixels::Bounds(COLORREF colour) const {
  RECT bounds{width_, height_, 0, 0};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (At(x, y) != colour) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  }
  if (bounds.right == 0) return {};
  return bounds;
}

int Pixels::RowsCovered(COLORREF colour, const RECT& area, double fraction) const {
  const int width = area.right - area.left;
  if (width <= 0) return 0;
  int rows = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    if (Count(colour, {area.left, y, area.right, y + 1}) >= fraction * width) ++rows;
  }
  return rows;
}

UniqueFont SharpFont(int pixelHeight, int weight) {
  return UniqueFont(::CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Arial"));
}

// Without a window manager (Xvfb), Wine waits two seconds for every top-level window it has handed to
// one whenever the window is hidden or destroyed, and every test destroys its dialog. These programs
// need no window manager: Wine keeps a program's windows to itself, drawing their captions and frames,
// when the program's own setting says "Managed" = "N" (in the project's private prefix). Wine reads it
// as the program starts, so it takes effect from the next run on, and it stays, as any per-program
// setting of the prefix does.
std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

std::string Hex(COLORREF colour) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

}  // namespace orvane::testing
