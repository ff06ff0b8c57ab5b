#include "app/ui/controls/ToolTip.h"

#include <cstddef>

#include "app/ui/controls/ResourceModule.h"

namespace orvane {
namespace {

constexpr UINT_PTR kToolId = 1;
constexpr LPARAM kMaxTipWidth = 400;
// TTTOOLINFOW_V2_SIZE, computed here because MinGW's macro is not a constant expression.
constexpr UINT kVersion5InfoSize = offsetof(TOOLINFOW, lParam) + sizeof(LPARAM);

}  // namespace

bool ToolTip::Create(HWND control) {
  if (window_ != nullptr) return true;
  if (control == nullptr || !::IsWindow(control)) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_TAB_CLASSES};
  ::InitCommonControlsEx(&classes);
  // A popup whose owner is the control: Windows makes the control's top-level window the owner, so the
  // tip stays above it and goes with it.
  window_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                              ResourceModule(), nullptr);
  if (window_ == nullptr) return false;
  control_ = control;
  ::SendMessageW(window_, TTM_ACTIVATE, FALSE, 0);
  ::SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  return true;
}

void ToolTip::Destroy() {
  if (window_ != nullptr) ::DestroyWindow(window_);
  window_ = nullptr;
  control_ = nullptr;
}

bool ToolTip::HasTool() const {
  return window_ != nullptr && ::SendMessageW(window_, TTM_GETTOOLCOUNT, 0, 0) > 0;
}

TOOLINFOW ToolTip::ToolInfo() const {
  TOOLINFOW info{};
  info.cbSize = infoSize_;
  info.hwnd = control_;
  info.uId = kToolId;
  info.hinst = ResourceModule();
  return info;
}

bool ToolTip::AddTool(const RECT& area, const wchar_t* text) {
  if (window_ == nullptr || text == nullptr) return false;
  TOOLINFOW info = ToolInfo();
  info.rect = area;
  info.lpszText = const_cast<wchar_t*>(text);  // copied by the tooltip
  if (::SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE) return true;
  if (infoSize_ == kVersion5InfoSize) return false;
  infoSize_ = kVersion5InfoSize;
  info.cbSize = infoSize_;
  return ::SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

bool ToolTip::SetText(const wchar_t* text) {
  if (!HasTool() || text == nullptr) return false;
  TOOLINFOW info = ToolInfo();
  info.lpszText = const_cast<wchar_t*>(text);
  ::SendMessageW(window_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

void ToolTip::SetArea(const RECT& area) {
  if (!HasTool()) return;
  TOOLINFOW info = ToolInfo();
  info.rect = area;
  ::SendMessageW(window_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::Activate(bool active) {
  if (window_ != nullptr) ::SendMessageW(window_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

void ToolTip::Relay(UINT message, WPARAM wParam, LPARAM lParam) {
  if (window_ == nullptr) return;
  MSG relayed{};
  relayed.hwnd = control_;
  relayed.message = message;
  relayed.wParam = wParam;
  relayed.lParam = lParam;
  relayed.time = static_cast<DWORD>(::GetMessageTime());
  const DWORD position = ::GetMessagePos();
  relayed.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ::SendMessageW(window_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

}  // namespace orvane
