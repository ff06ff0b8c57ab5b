// An owner-drawn push button for glyphs of an icon font: it draws its window text (the glyph) in the
// font its owner gives it with WM_SETFONT, in colours that follow the button's state. It takes over an
// existing button (Attach), which becomes BS_OWNERDRAW, and paints on the WM_DRAWITEM that its parent
// reflects back to it: the parent must pass its messages through ui::ReflectNotifications.
//
// A flat button (the default) has no edges and lights up while the mouse is over it; to learn when
// the mouse leaves, it holds the mouse capture for as long as it is lit, and it watches its top-level
// window's activation, since a deactivated window may keep a capture that no longer sees the mouse.
//
// The window's thread only. The object must outlive the button's window or be destroyed first. It
// owns its tooltip window, a cursor it loaded from the program's resources, and the copy of the
// parent's background that the transparent mode paints from.
#pragma once

#include <windows.h>

#include <array>

#include "app/ui/controls/GdiOwners.h"
#include "app/ui/controls/ToolTip.h"
#include "platform/ui/Window.h"

namespace orvane {

class CButtonST : public ui::CWindowImpl {
 public:
  // The state colours, by index: the face while hovered or pressed, the text while hovered, the text
  // while pressed, the face otherwise and the text otherwise.
  enum StateColour : int { kFaceActive = 0, kTextHover = 1, kTextPressed = 2, kFaceNormal = 3, kTextNormal = 4 };
  static constexpr int kStateColourCount = 5;
  // The fills that light a flat button up (flat highlight).
  static constexpr COLORREF kPressedFill = RGB(76, 144, 205);
  static constexpr COLORREF kHoverFill = RGB(169, 169, 169);

  CButtonST();
  ~CButtonST() override;

  // Subclasses `button` (a "Button" window not attached to another object) and makes it owner-drawn,
  // remembering whether it was the default push button. False, with the last error set, otherwise.
  bool Attach(HWND button);

  void SetFlat(bool flat);
  // Whether a flat button fills its face while hovered or pressed.
  void SetFlatHighlight(bool highlight);
  // Whether a flat button draws a focus rectangle.
  void SetFlatFocus(bool drawFocus);
  // False, changing nothing, for an index outside 0..4.
  bool SetStateColour(int index, COLORREF colour, bool repaint);
  // Paints the parent's background as the face from now on; the copy is taken again at the next paint.
  void SetTransparent(bool repaint);
  // The cursor shown while the mouse is over the button: first from the program's resources, then from
  // the system's cursors (IDC_HAND...). Null removes it. False, keeping the cursor, when neither has it.
  bool SetHoverCursor(const wchar_t* cursorId);
  // Creates the tooltip on first use; every call sets its text and activates or deactivates it. False
  // when there is no button yet, the text is null, or the tooltip cannot be made.
  bool SetTooltip(const wchar_t* text, bool activate);

  // CLR_INVALID for an index outside 0..4.
  COLORREF StateColourAt(int index) const;
  bool IsFlat() const { return flat_; }
  bool IsHovered() const { return hover_; }
  bool IsDefault() const { return isDefault_; }
  bool IsTransparent() const { return transparent_; }
  HCURSOR HoverCursor() const { return cursor_; }
  HWND TooltipWindow() const { return tooltip_.window(); }

 protected:
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The face: colour 0 while hovered or pressed, colour 3 otherwise.
  virtual void PaintBackground(HDC dc, const RECT& rect);
  // A raised edge, or a sunken one while pressed. Not part of the standard painting; for derived
  // buttons that want a classic border.
  virtual void PaintBorder(HDC dc, const RECT& rect);

  bool IsPressed() const { return pressed_; }
  bool IsFocused() const { return focused_; }
  bool IsDisabled() const { return disabled_; }

 private:
  static constexpr UINT kReflectedDrawItem = WM_DRAWITEM + ui::kReflectedBase;
  static constexpr UINT kReflectedColourRequest = WM_CTLCOLORBTN + ui::kReflectedBase;

  // The parent's pixels under the button, for the transparent mode.
  struct BackgroundCache {
    UniqueMemoryDC dc;
    UniqueBitmap bitmap;
    HGDIOBJ initialBitmap = nullptr;
    SIZE size{};
    ~BackgroundCache() { Reset(); }
    void Reset();
    bool Holds(const SIZE& wanted) const { return dc && size.cx == wanted.cx && size.cy == wanted.cy; }
  };

  void DrawItem(const DRAWITEMSTRUCT& item);
  void PaintTransparentFace(HDC dc, const RECT& rect);
  bool CaptureParentBackground(const SIZE& size);
  void PaintStateFill(HDC dc, const RECT& rect);
  void PaintText(HDC dc, const RECT& rect);

  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void SetHover(bool hover);
  // Ends the lit state when the button can no longer follow the mouse (focus, activation or the
  // capture lost, the button disabled).
  void CancelHover();
  void Repaint();
  void WatchTopLevel(bool watch);
  static LRESULT CALLBACK TopLevelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void ReleaseWindowResources();

  bool hover_ = false;
  bool pressed_ = false;
  bool focused_ = false;
  bool disabled_ = false;
  bool flat_ = true;
  bool flatHighlight_ = true;
  bool flatFocus_ = false;
  bool transparent_ = false;
  bool isDefault_ = false;
  std::array<COLORREF, kStateColourCount> colours_{};
  HCURSOR cursor_ = nullptr;
  UniqueCursor ownedCursor_;  // set when cursor_ came from the program's resources
  ToolTip tooltip_;
  BackgroundCache background_;
  HWND watchedTopLevel_ = nullptr;
};

}  // namespace orvane
