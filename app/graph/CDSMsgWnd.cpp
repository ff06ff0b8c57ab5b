#include "app/graph/CDSMsgWnd.h"

namespace orvane {

LRESULT CDSMsgWnd::Dispatcher::MessageHook(UINT, WPARAM, LPARAM, bool&) { return 0; }

CDSMsgWnd::CDSMsgWnd()
    : graphNotifyMessage_(::RegisterWindowMessageW(kGraphNotifyText)),
      graphForwardMessage_(::RegisterWindowMessageW(kGraphForwardText)) {}

CDSMsgWnd::~CDSMsgWnd() {
  // The owner destroys the window through Cleanup; an object that still has one must not leave a
  // window pointing at freed memory behind.
  if (window_ != nullptr) Destroy();
}

bool CDSMsgWnd::Create(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &CDSMsgWnd::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExW(&windowClass);  // already registered by an earlier window: fine
  // WM_CREATE stores the handle in window_ while the window is being created.
  const HWND created = ::CreateWindowExW(WS_EX_NOACTIVATE, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         instance, this);
  if (created == nullptr) window_ = nullptr;
  return created != nullptr;
}

void CDSMsgWnd::Destroy() {
  if (window_ != nullptr) {
    const HWND window = window_;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // no late message finds this object any more
    ::DestroyWindow(window);
  }
  window_ = nullptr;
  dispatcher_ = nullptr;
}

LRESULT CALLBACK CDSMsgWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDSMsgWnd* self = nullptr;
  if (message == WM_CREATE) {
    self = static_cast<CDSMsgWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self != nullptr) {
      self->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CDSMsgWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == self->graphNotifyMessage_ && self->dispatcher_ != nullptr) return self->dispatcher_->OnGraphNotify();
  if (self->dispatcher_ != nullptr) {
    bool handled = false;
    self->dispatcher_->MessageHook(message, wParam, lParam, handled);
    if (handled) return 0;
  }
  if (message == WM_DESTROY) self->window_ = nullptr;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orvane
