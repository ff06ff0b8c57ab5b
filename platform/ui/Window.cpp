#include "platform/ui/Window.h"

#include <commctrl.h>

#include <vector>

namespace orvane::ui {
namespace {

// One subclass id for all our objects: each window is subclassed by at most one of them.
constexpr UINT_PTR kSubclassId = 0x4F52;

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  // The module that holds this code, which also holds the program's resources.
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

// The dialog procedure returns these messages' results directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

}  // namespace

CWindowImpl::~CWindowImpl() { UnsubclassWindow(); }

bool CWindowImpl::SubclassWindow(HWND window) {
  if (window_ != nullptr || window == nullptr) return false;
  if (!::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
  window_ = window;
  return true;
}

HWND CWindowImpl::UnsubclassWindow() {
  HWND window = window_;
  if (window != nullptr) ::RemoveWindowSubclass(window, SubclassProc, kSubclassId);
  window_ = nullptr;
  return window;
}

LRESULT CWindowImpl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImpl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  auto* object = reinterpret_cast<CWindowImpl*>(self);
  LRESULT result = 0;
  if (message != WM_NCDESTROY && object->ProcessWindowMessage(window, message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) {
    result = ::DefSubclassProc(window, message, wParam, lParam);
    object->UnsubclassWindow();
    object->OnFinalMessage(window);
    return result;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

CDialogImpl::~CDialogImpl() { DestroyWindow(); }

HWND CDialogImpl::Create(HWND parent) {
  if (window_ != nullptr) return window_;
  return ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogImpl::DoModal(HWND parent) {
  return ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialogImpl::DestroyWindow() {
  if (window_ != nullptr) ::DestroyWindow(window_);
}

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<CDialogImpl*>(lParam)->window_ = window;
  }
  auto* object = reinterpret_cast<CDialogImpl*>(::GetWindowLongPtrW(window, DWLP_USER));
  // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
  if (object == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    object->window_ = nullptr;
    object->OnFinalMessage(window);
    return FALSE;
  }
  LRESULT result = 0;
  if (!object->ProcessWindowMessage(window, message, wParam, lParam, result)) return FALSE;
  if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

bool ReflectNotifications(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND child = nullptr;
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM:
      if (wParam != 0) child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (wParam != 0) child = ::GetDlgItem(parent, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
      break;
    case WM_COMPAREITEM:
      if (wParam != 0) child = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_DELETEITEM:
      if (wParam != 0) child = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
      break;
    default:
      return false;
  }
  if (child == nullptr || !::IsWindow(child)) return false;
  result = ::SendMessageW(child, message + kReflectedBase, wParam, lParam);
  return true;
}

bool CDoubleBufferImpl::HandleDoubleBuffer(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PRINTCLIENT:
      DoPaint(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC screen = ::BeginPaint(window, &paint);
      const RECT& area = paint.rcPaint;
      const int width = area.right - area.left;
      const int height = area.bottom - area.top;
      if (width > 0 && height > 0) {
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
        if (memory != nullptr && bitmap != nullptr) {
          HGDIOBJ previous = ::SelectObject(memory, bitmap);
          // The memory bitmap covers the painted area only: shift so DoPaint keeps client coordinates.
          ::SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
          DoPaint(memory);
          ::SetViewportOrgEx(memory, 0, 0, nullptr);
          ::BitBlt(screen, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
          ::SelectObject(memory, previous);
        } else {
          DoPaint(screen);
        }
        if (bitmap != nullptr) ::DeleteObject(bitmap);
        if (memory != nullptr) ::DeleteDC(memory);
      }
      ::EndPaint(window, &paint);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

void CUpdateUI::UIUpdateChildWindows(HWND parent) {
  for (auto& [id, state] : pending_) {
    HWND child = ::GetDlgItem(parent, id);
    if (child == nullptr) continue;
    if (state.enabled && (::IsWindowEnabled(child) != FALSE) != *state.enabled) ::EnableWindow(child, *state.enabled);
    if (state.visible && (::IsWindowVisible(child) != FALSE) != *state.visible) {
      ::ShowWindow(child, *state.visible ? SW_SHOWNA : SW_HIDE);
    }
    if (state.text) {
      const int length = ::GetWindowTextLengthW(child);
      std::vector<wchar_t> current(static_cast<size_t>(length) + 1);
      ::GetWindowTextW(child, current.data(), length + 1);
      if (*state.text != current.data()) ::SetWindowTextW(child, state.text->c_str());
    }
  }
  pending_.clear();
}

}  // namespace orvane::ui
