#include "app/ui/controls/CHyperLink.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <optional>

#include "app/ui/controls/AnchorColour.h"
#include "platform/win/RegistryKey.h"

namespace orvane {
namespace {

// A mouse message's point: signed client coordinates (negative left of or above the window).
POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// A valid colour setting is a dozen characters; longer values are not ours to read.
constexpr uint32_t kMaxColourSettingBytes = 1024;

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// GDI counts characters in an int.
int GdiLength(const std::wstring& text) { return static_cast<int>(std::min<size_t>(text.size(), INT_MAX)); }

bool IsStaticClass(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return ::lstrcmpiW(name, WC_STATICW) == 0;
}

// Statics that show their text; the others show an image, a rectangle or a frame, or are drawn by
// their owner, and keep their own painting.
bool ShowsText(LONG_PTR style) {
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return true;
    default:
      return false;
  }
}

std::optional<COLORREF> SettingsColour(const wchar_t* name) {
  const std::optional<std::wstring> text =
      registry::ReadTextAt(HKEY_CURRENT_USER, CHyperLink::kSettingsKey, name, kMaxColourSettingBytes);
  if (!text) return std::nullopt;
  const std::optional<RgbColour> colour = ParseAnchorColour(*text);
  if (!colour) return std::nullopt;
  return RGB(colour->red, colour->green, colour->blue);
}

}  // namespace

CHyperLink::~CHyperLink() { UnsubclassWindow(); }

bool CHyperLink::Attach(HWND control) {
  if (control == nullptr || !::IsWindow(control)) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (window() != nullptr) {
    ::SetLastError(ERROR_ALREADY_INITIALIZED);
    return false;
  }
  return SubclassWindow(control);
}

bool CHyperLink::Initialise() {
  const HWND control = window();
  if (control == nullptr) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (IsStaticClass(control)) {
    // Without SS_NOTIFY a static is transparent to the mouse and never sees the click.
    const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    ::SetWindowLongPtrW(control, GWL_STYLE, style | SS_NOTIFY);
    paintLabel_ = ShowsText(style);
  }
  cursor_ = ::LoadCursorW(nullptr, IDC_HAND);
  if (label_.empty()) label_ = WindowText(control);
  if (target_.empty()) target_ = label_;
  UpdateLinkRect();
  if (tooltip_.Create(control) && !tooltip_.HasTool()) tooltip_.AddTool(linkRect_, target_.c_str());
  tooltip_.Activate((style_ & kNoTooltip) == 0);
  ReadSettingsColours();
  ::InvalidateRect(control, nullptr, TRUE);
  return true;
}

bool CHyperLink::SetTarget(const wchar_t* target) {
  if (target == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  target_ = target;
  tooltip_.SetText(target_.c_str());
  return true;
}

bool CHyperLink::SetLabel(const wchar_t* label) {
  if (label == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  label_ = label;
  if (window() != nullptr) {
    UpdateLinkRect();
    ::InvalidateRect(window(), nullptr, TRUE);
  }
  return true;
}

void CHyperLink::SetStyle(DWORD flags) {
  style_ = flags;
  if ((style_ & kUnderlineHover) == 0) hover_ = false;
  tooltip_.Activate((style_ & kNoTooltip) == 0);
  if (window() != nullptr) ::InvalidateRect(window(), nullptr, TRUE);
}

bool CHyperLink::Open() {
  if (target_.empty()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const HINSTANCE opened = ::ShellExecuteW(nullptr, L"open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are the shell's error codes.
  if (reinterpret_cast<INT_PTR>(opened) <= 32) return false;
  visited_ = true;
  RepaintLink();
  return true;
}

bool CHyperLink::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && (style_ & kNoTooltip) == 0) {
    tooltip_.Relay(message, wParam, lParam);
  }
  switch (message) {
    case WM_PAINT: {
      if (!paintLabel_) return false;
      PAINTSTRUCT paint{};
      const HDC dc = ::BeginPaint(window, &paint);
      if (dc != nullptr) Paint(dc);
      ::EndPaint(window, &paint);
      result = 0;
      return true;
    }
    case WM_PRINTCLIENT:
      if (!paintLabel_ || wParam == 0) return false;
      Paint(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_ERASEBKGND:
      if (!paintLabel_) return false;
      result = TRUE;  // the painting fills the background
      return true;
    case WM_ENABLE:
      if (!paintLabel_) return false;
      // The static would draw its own grey text here, directly; the next paint shows ours instead.
      ::InvalidateRect(window, nullptr, TRUE);
      result = 0;
      return true;
    case WM_SETFONT:
      result = DefWindowProc(message, wParam, lParam);
      ReleaseFonts();
      UpdateLinkRect();
      return true;
    case WM_SIZE:
      UpdateLinkRect();
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ::InvalidateRect(window, nullptr, TRUE);
      return false;
    case WM_MOUSEMOVE:
      OnMouseMove(lParam);
      return false;
    case WM_MOUSELEAVE:
      if (hover_) {
        hover_ = false;
        RepaintLink();
      }
      result = 0;
      return true;
    case WM_SETCURSOR: {
      POINT point{};
      if (cursor_ == nullptr || !::GetCursorPos(&point) || !::ScreenToClient(window, &point)) return false;
      if (!::PtInRect(&linkRect_, point)) return false;
      ::SetCursor(cursor_);
      result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN:
      if (IsOverLink(lParam)) {
        ::SetFocus(window);
        ::SetCapture(window);
      }
      return false;
    case WM_LBUTTONUP:
      if (::GetCapture() == window) {
        ::ReleaseCapture();
        if (IsOverLink(lParam)) Open();
      }
      return false;
    case WM_GETDLGCODE: {
      // Enter and Space belong to the link, not to the dialog's default button.
      result = DefWindowProc(message, wParam, lParam);
      const auto* pending = reinterpret_cast<const MSG*>(lParam);
      if (pending != nullptr && pending->message == WM_KEYDOWN &&
          (pending->wParam == VK_RETURN || pending->wParam == VK_SPACE)) {
        result |= DLGC_WANTMESSAGE;
      }
      return true;
    }
    case WM_KEYDOWN:
      if (wParam != VK_RETURN && wParam != VK_SPACE) return false;
      Open();
      result = 0;
      return true;
    case WM_CHAR:
      // The key itself has opened the link.
      if (wParam != L'\r' && wParam != L' ') return false;
      result = 0;
      return true;
    case WM_DESTROY:
      tooltip_.Destroy();
      ReleaseFonts();
      return false;
    default:
      return false;
  }
}

void CHyperLink::Paint(HDC dc) {
  const HWND control = window();
  RECT client{};
  ::GetClientRect(control, &client);
  // The background a static has: its parent's brush for statics.
  const HWND parent = ::GetParent(control);
  auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageW(parent != nullptr ? parent : control, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control)));
  if (brush == nullptr) brush = ::GetSysColorBrush(COLOR_BTNFACE);
  ::FillRect(dc, &client, brush);

  EnsureFonts();
  const int saved = ::SaveDC(dc);
  COLORREF colour = linkColour_;
  if (!::IsWindowEnabled(control)) {
    colour = ::GetSysColor(COLOR_GRAYTEXT);
  } else if (visited_) {
    colour = visitedColour_;
  }
  ::SetTextColor(dc, colour);
  ::SetBkMode(dc, TRANSPARENT);
  const bool underline = (style_ & kUnderlineHover) == 0 || hover_;
  const HFONT font = underline && linkFont_ ? linkFont_.get() : normalFont_;
  if (font != nullptr) ::SelectObject(dc, font);
  RECT link = linkRect_;
  ::DrawTextW(dc, label_.c_str(), GdiLength(label_), &link, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  if (::GetFocus() == control) ::DrawFocusRect(dc, &linkRect_);
  ::RestoreDC(dc, saved);
}

void CHyperLink::EnsureFonts() {
  if (normalFont_ != nullptr) return;
  const HWND control = window();
  LOGFONTW description{};
  auto ownerFont = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (ownerFont != nullptr && ::GetObjectW(ownerFont, sizeof(description), &description) == sizeof(description)) {
    normalFont_ = ownerFont;
  } else if (::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(description), &description, 0)) {
    ownNormalFont_.reset(::CreateFontIndirectW(&description));
    normalFont_ = ownNormalFont_.get();
  }
  if (normalFont_ == nullptr) return;  // the device context's font, without underline
  description.lfUnderline = TRUE;
  linkFont_.reset(::CreateFontIndirectW(&description));
}

void CHyperLink::ReleaseFonts() {
  normalFont_ = nullptr;
  linkFont_.reset();
  ownNormalFont_.reset();
}

void CHyperLink::UpdateLinkRect() {
  const HWND control = window();
  if (control == nullptr) return;
  RECT client{};
  ::GetClientRect(control, &client);
  if (!paintLabel_) {
    linkRect_ = client;
  } else {
    EnsureFonts();
    SIZE extent{};
    {
      const WindowDC dc(control);
      if (dc.get() != nullptr) {
        const SelectedObject font(dc.get(), normalFont_);
        ::GetTextExtentPoint32W(dc.get(), label_.c_str(), GdiLength(label_), &extent);
      }
    }
    const int width = std::min<int>(extent.cx, client.right);
    const int height = std::min<int>(extent.cy, client.bottom);
    const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    int left = 0;
    if ((style & SS_TYPEMASK) == SS_CENTER) left = (client.right - width) / 2;
    if ((style & SS_TYPEMASK) == SS_RIGHT) left = client.right - width;
    const int top = (style & SS_CENTERIMAGE) != 0 ? (client.bottom - height) / 2 : 0;
    linkRect_ = {left, top, left + width, top + height};
  }
  tooltip_.SetArea(linkRect_);
}

void CHyperLink::ReadSettingsColours() {
  if (const std::optional<COLORREF> colour = SettingsColour(L"Anchor Color")) linkColour_ = *colour;
  if (const std::optional<COLORREF> colour = SettingsColour(L"Anchor Color Visited")) visitedColour_ = *colour;
}

bool CHyperLink::IsOverLink(LPARAM clientPoint) const {
  const POINT point = PointOf(clientPoint);
  return ::PtInRect(&linkRect_, point) != FALSE;
}

void CHyperLink::OnMouseMove(LPARAM lParam) {
  if ((style_ & kUnderlineHover) == 0) return;
  const bool over = IsOverLink(lParam);
  if (over == hover_) return;
  hover_ = over;
  RepaintLink();
  if (!over) return;
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window(), 0};
  ::TrackMouseEvent(&track);
}

void CHyperLink::RepaintLink() {
  if (window() != nullptr) ::InvalidateRect(window(), &linkRect_, TRUE);
}

}  // namespace orvane
