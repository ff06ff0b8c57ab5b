// What the controls tests share: the host dialog (as the program's windows host the controls: it
// reflects its children's notifications and paints a background of its own), pixels read back from a
// control, and the user's mouse as messages. Test thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ui/controls/GdiOwners.h"
#include "platform/ui/Window.h"
#include "tests/windows/support/MessagePump.h"

namespace orvane::testing {

class HostDialog : public ui::CDialogImpl {
 public:
  HostDialog();
  ~HostDialog() override;

  // Creates the dialog, shows it and makes it the active window. False when it cannot.
  bool Open();
  // The colour the dialog paints behind its controls and gives its statics.
  void SetBackground(COLORREF colour);
  COLORREF Background() const { return background_; }

 protected:
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  COLORREF background_;
  UniqueBrush brush_;
};

// A control's client area as 0x00RRGGBB values, top row first.
class Pixels {
 public:
  // What the control paints into a memory bitmap for WM_PRINTCLIENT: its own drawing code, whatever
  // covers it on the screen.
  static Pixels Printed(HWND control);
  // What the screen shows of the control after it has painted.
  static Pixels OnScreen(HWND control);

  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF At(int x, int y) const;
  int Count(COLORREF colour) const { return Count(colour, {0, 0, width_, height_}); }
  int Count(COLORREF colour, const RECT& area) const;
  // The smallest rectangle holding every pixel of the colour; empty when there is none.
  RECT Bounds(COLORREF colour) const;
  // Rows of the area in which the colour covers at least `fraction` of the area's width.
  int RowsCovered(COLORREF colour, const RECT& area, double fraction) const;

 private:
  static Pixels Capture(HWND control, bool fromScreen);
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> rgb_;
};

// A font for glyph and label tests: drawn without smoothing, so that every pixel of a glyph has exactly
// the text colour.
UniqueFont SharpFont(int pixelHeight, int weight);

inline LPARAM ClientPoint(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
inline POINT Centre(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return {client.right / 2, client.bottom / 2};
}
// The mouse moved to a client point of the window, as the window hears it.
inline void MouseMove(HWND window, POINT point, WPARAM keys = 0) {
  ::SendMessageW(window, WM_MOUSEMOVE, keys, ClientPoint(point.x, point.y));
}
// Puts the real pointer over a client point of the window, for code that asks where it is.
inline bool PointerAt(HWND window, POINT point) {
  ::ClientToScreen(window, &point);
  return ::SetCursorPos(point.x, point.y) != FALSE;
}


std::wstring TextOf(HWND window);
std::string Hex(COLORREF colour);

}  // namespace orvane::testing
