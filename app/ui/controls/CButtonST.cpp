#include "app/ui/controls/CButtonST.h"

#include <iterator>
#include <string>
#include <utility>

#include "app/ui/controls/ResourceModule.h"

namespace orvane {
namespace {

// A mouse message's point: signed client coordinates (negative left of or above the window).
POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  const UniqueBrush brush(::CreateSolidBrush(colour));
  if (brush) ::FillRect(dc, &rect, brush.get());
}

void FillStrip(HDC dc, int left, int top, int right, int bottom, int systemColour) {
  const RECT strip{left, top, right, bottom};
  ::FillRect(dc, &strip, ::GetSysColorBrush(systemColour));
}

// The classic raised button edge, two pixels deep: light on the top and left, dark on the bottom and
// right, the outer line of each pair the stronger one.
void PaintRaisedEdges(HDC dc, const RECT& r) {
  FillStrip(dc, r.left, r.top, r.right - 1, r.top + 1, COLOR_3DHILIGHT);
  FillStrip(dc, r.left, r.top, r.left + 1, r.bottom - 1, COLOR_3DHILIGHT);
  FillStrip(dc, r.left, r.bottom - 1, r.right, r.bottom, COLOR_3DDKSHADOW);
  FillStrip(dc, r.right - 1, r.top, r.right, r.bottom, COLOR_3DDKSHADOW);
  FillStrip(dc, r.left + 1, r.top + 1, r.right - 2, r.top + 2, COLOR_3DLIGHT);
  FillStrip(dc, r.left + 1, r.top + 1, r.left + 2, r.bottom - 2, COLOR_3DLIGHT);
  FillStrip(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, COLOR_3DSHADOW);
  FillStrip(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, COLOR_3DSHADOW);
}

bool IsButtonClass(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return ::lstrcmpiW(name, WC_BUTTONW) == 0;
}

}  // namespace

void CButtonST::BackgroundCache::Reset() {
  if (dc && initialBitmap != nullptr) ::SelectObject(dc.get(), initialBitmap);
  initialBitmap = nullptr;
  bitmap.reset();
  dc.reset();
  size = {};
}

CButtonST::CButtonST() {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
  colours_ = {face, text, text, face, text};
}

CButtonST::~CButtonST() {
  WatchTopLevel(false);
  UnsubclassWindow();
}

bool CButtonST::Attach(HWND button) {
  if (button == nullptr || !::IsWindow(button)) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (!IsButtonClass(button)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (window() != nullptr) {
    ::SetLastError(ERROR_ALREADY_INITIALIZED);
    return false;
  }
  if (!SubclassWindow(button)) return false;
  const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
  isDefault_ = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  ::SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  Repaint();
  return true;
}

void CButtonST::SetFlat(bool flat) {
  if (!flat) CancelHover();
  flat_ = flat;
  Repaint();
}

void CButtonST::SetFlatHighlight(bool highlight) {
  flatHighlight_ = highlight;
  Repaint();
}

void CButtonST::SetFlatFocus(bool drawFocus) {
  flatFocus_ = drawFocus;
  Repaint();
}

bool CButtonST::SetStateColour(int index, COLORREF colour, bool repaint) {
  if (index < 0 || index >= kStateColourCount) return false;
  colours_[static_cast<size_t>(index)] = colour;
  if (repaint) Repaint();
  return true;
}

COLORREF CButtonST::StateColourAt(int index) const {
  if (index < 0 || index >= kStateColourCount) return CLR_INVALID;
  return colours_[static_cast<size_t>(index)];
}

void CButtonST::SetTransparent(bool repaint) {
  transparent_ = true;
  background_.Reset();
  if (repaint) Repaint();
}

bool CButtonST::SetHoverCursor(const wchar_t* cursorId) {
  if (cursorId == nullptr) {
    cursor_ = nullptr;
    ownedCursor_.reset();
    return true;
  }
  // Loaded without LR_SHARED, so the cursor is ours to destroy; the system's are shared and never are.
  UniqueCursor loaded(static_cast<HCURSOR>(::LoadImageW(ResourceModule(), cursorId, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE)));
  if (loaded) {
    cursor_ = loaded.get();
    ownedCursor_ = std::move(loaded);
    return true;
  }
  const HCURSOR system = ::LoadCursorW(nullptr, cursorId);
  if (system == nullptr) return false;
  cursor_ = system;
  ownedCursor_.reset();
  return true;
}

bool CButtonST::SetTooltip(const wchar_t* text, bool activate) {
  if (window() == nullptr) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (text == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!tooltip_.Create(window())) return false;
  if (!tooltip_.HasTool()) {
    RECT client{};
    ::GetClientRect(window(), &client);
    if (!tooltip_.AddTool(client, text)) return false;
  }
  tooltip_.SetText(text);
  tooltip_.Activate(activate);
  return true;
}

bool CButtonST::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) tooltip_.Relay(message, wParam, lParam);
  switch (message) {
    case kReflectedDrawItem:
      if (lParam == 0) return false;
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case kReflectedColourRequest:
      // The button erases with this brush before it asks for the drawing: erase nothing, the face
      // covers it all, and nothing flickers.
      result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, lParam);
      return false;
    case WM_CAPTURECHANGED:
      if (hover_) SetHover(false);
      return false;
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
      CancelHover();
      return false;
    case WM_ENABLE:
      if (wParam == FALSE) CancelHover();
      return false;
    case WM_SETCURSOR:
      if (cursor_ == nullptr) return false;
      ::SetCursor(cursor_);
      result = TRUE;
      return true;
    case WM_SYSCOLORCHANGE:
      background_.Reset();
      return false;
    case WM_SIZE: {
      background_.Reset();
      const RECT client{0, 0, LOWORD(lParam), HIWORD(lParam)};
      tooltip_.SetArea(client);
      return false;
    }
    case BM_SETSTYLE:
      // The dialog manager moves the default push button by setting button types; follow it, but
      // stay owner-drawn.
      isDefault_ = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      result = DefWindowProc(message, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
      return true;
    case WM_DESTROY:
      ReleaseWindowResources();
      return false;
    default:
      return false;
  }
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON || item.hDC == nullptr) return;
  pressed_ = (item.itemState & ODS_SELECTED) != 0;
  focused_ = (item.itemState & ODS_FOCUS) != 0;
  disabled_ = (item.itemState & ODS_DISABLED) != 0;

  const HDC dc = item.hDC;
  const int saved = ::SaveDC(dc);
  RECT rect = item.rcItem;
  if (!flat_ && (focused_ || isDefault_)) {
    ::FrameRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&rect, -1, -1);
  }
  if (transparent_) {
    PaintTransparentFace(dc, rect);
  } else {
    PaintBackground(dc, rect);
  }
  PaintStateFill(dc, rect);
  PaintText(dc, rect);
  if (focused_ && (!flat_ || flatFocus_)) {
    RECT focus = rect;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(dc, &focus);
  }
  ::RestoreDC(dc, saved);
}

void CButtonST::PaintBackground(HDC dc, const RECT& rect) {
  FillSolid(dc, rect, colours_[hover_ || pressed_ ? kFaceActive : kFaceNormal]);
}

void CButtonST::PaintBorder(HDC dc, const RECT& rect) {
  RECT edge = rect;
  ::DrawEdge(dc, &edge, pressed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
}

void CButtonST::PaintTransparentFace(HDC dc, const RECT& rect) {
  RECT client{};
  ::GetClientRect(window(), &client);
  const SIZE size{client.right, client.bottom};
  if (!background_.Holds(size) && !CaptureParentBackground(size)) {
    PaintBackground(dc, rect);
    return;
  }
  ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, background_.dc.get(), rect.left,
           rect.top, SRCCOPY);
}

// The parent paints the area under the button into the cache, as it would paint itself (erase, then
// WM_PRINTCLIENT), instead of the cache reading the screen: that works whether or not the parent is
// visible, covered or double-buffered, and whatever the button drew there before.
bool CButtonST::CaptureParentBackground(const SIZE& size) {
  background_.Reset();
  const HWND button = window();
  const HWND parent = ::GetParent(button);
  if (parent == nullptr || size.cx <= 0 || size.cy <= 0) return false;
  const WindowDC screen(nullptr);
  UniqueMemoryDC dc(::CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
  if (!dc || !bitmap) return false;
  background_.initialBitmap = ::SelectObject(dc.get(), bitmap.get());
  const RECT all{0, 0, size.cx, size.cy};
  ::FillRect(dc.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));  // for a parent that paints nothing

  POINT origin{0, 0};
  ::MapWindowPoints(button, parent, &origin, 1);
  const int saved = ::SaveDC(dc.get());
  ::SetViewportOrgEx(dc.get(), -origin.x, -origin.y, nullptr);
  ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
  ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  ::RestoreDC(dc.get(), saved);

  background_.dc = std::move(dc);
  background_.bitmap = std::move(bitmap);
  background_.size = size;
  return true;
}

void CButtonST::PaintStateFill(HDC dc, const RECT& rect) {
  if (pressed_) {
    if (!flat_) {
      ::FrameRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNSHADOW));
    } else if (flatHighlight_) {
      FillSolid(dc, rect, kPressedFill);
    }
    return;
  }
  if (!flat_) {
    PaintRaisedEdges(dc, rect);
  } else if (hover_ && flatHighlight_) {
    FillSolid(dc, rect, kHoverFill);
  }
}

void CButtonST::PaintText(HDC dc, const RECT& rect) {
  const std::wstring text = WindowText(window());
  if (text.empty()) return;
  const int length = static_cast<int>(text.size());
  const SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window(), WM_GETFONT, 0, 0)));

  RECT measured = rect;
  ::DrawTextW(dc, text.c_str(), length, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  const int width = measured.right - measured.left;
  const int height = measured.bottom - measured.top;
  RECT place{};
  place.left = rect.left + (rect.right - rect.left - width) / 2;
  place.top = rect.top + (rect.bottom - rect.top - height) / 2;
  place.right = place.left + width;
  place.bottom = place.top + height;
  if (pressed_ && !flat_) ::OffsetRect(&place, 1, 1);

  ::SetBkMode(dc, TRANSPARENT);
  constexpr UINT kFormat = DT_WORDBREAK | DT_CENTER;
  if (disabled_) {
    RECT raised = place;
    ::OffsetRect(&raised, 1, 1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_3DHILIGHT));
    ::DrawTextW(dc, text.c_str(), length, &raised, kFormat);
    ::SetTextColor(dc, ::GetSysColor(COLOR_3DSHADOW));
    ::DrawTextW(dc, text.c_str(), length, &place, kFormat);
    return;
  }
  ::SetTextColor(dc, colours_[pressed_ ? kTextPressed : hover_ ? kTextHover : kTextNormal]);
  ::DrawTextW(dc, text.c_str(), length, &place, kFormat);
}

void CButtonST::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!flat_) return;
  const bool leftDown = (wParam & MK_LBUTTON) != 0;
  if (leftDown && !hover_) return;  // a press that began elsewhere is not a visit
  const HWND button = window();
  if (::GetCapture() != button) {
    // Light up only while the program has the user's attention.
    if (::GetActiveWindow() == nullptr) return;
    ::SetCapture(button);
    SetHover(true);
    return;
  }
  POINT point = PointOf(lParam);
  ::ClientToScreen(button, &point);
  if (::WindowFromPoint(point) == button) return;
  if (hover_) SetHover(false);
  // With the left button down the capture is the button's own press tracking, not ours to end.
  if (!leftDown) ::ReleaseCapture();
}

void CButtonST::SetHover(bool hover) {
  hover_ = hover;
  WatchTopLevel(hover);
  Repaint();
}

void CButtonST::CancelHover() {
  if (!hover_) return;
  SetHover(false);
  if (::GetCapture() == window() && ::GetKeyState(VK_LBUTTON) >= 0) ::ReleaseCapture();
}

void CButtonST::Repaint() {
  if (window() != nullptr) ::InvalidateRect(window(), nullptr, FALSE);
}

void CButtonST::WatchTopLevel(bool watch) {
  if (watchedTopLevel_ != nullptr) {
    ::RemoveWindowSubclass(watchedTopLevel_, TopLevelProc, reinterpret_cast<UINT_PTR>(this));
    watchedTopLevel_ = nullptr;
  }
  if (!watch || window() == nullptr) return;
  const HWND topLevel = ::GetAncestor(window(), GA_ROOT);
  if (topLevel == nullptr || topLevel == window()) return;
  if (::SetWindowSubclass(topLevel, TopLevelProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this))) {
    watchedTopLevel_ = topLevel;
  }
}

// Watches the button's top-level window while the button is lit: a deactivated window ends the lit state.
LRESULT CALLBACK CButtonST::TopLevelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
  auto* button = reinterpret_cast<CButtonST*>(self);
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) button->CancelHover();
      break;
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) button->CancelHover();
      break;
    case WM_NCDESTROY:
      button->WatchTopLevel(false);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void CButtonST::ReleaseWindowResources() {
  WatchTopLevel(false);
  hover_ = false;
  tooltip_.Destroy();
  background_.Reset();
}

}  // namespace orvane
