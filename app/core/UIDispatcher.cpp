#include "app/core/UIDispatcher.h"

#include <utility>

namespace orvane {
namespace {

constexpr wchar_t kWindowClass[] = L"B57F1A1D-B1BC-42C0-B775-C7A5930FD667";
constexpr wchar_t kMessageName[] = L"BA7D2E6F-2235-45A7-BD89-CAFD2442A02D";

// Registered during static initialisation, before any window or thread could need it.
const UINT dispatchMessage = ::RegisterWindowMessageW(kMessageName);

}  // namespace

UIDispatcher& UIDispatcher::Instance() {
  static UIDispatcher instance;
  return instance;
}

UINT UIDispatcher::Message() { return dispatchMessage; }

bool UIDispatcher::Create() {
  if (window_.load() != nullptr) return true;
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  static const ATOM windowClass = [module] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &UIDispatcher::WindowProc;
    wc.hInstance = module;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc);
  }();
  if (windowClass == 0) return false;
  const HWND window = ::CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        module, nullptr);
  window_.store(window);
  return window != nullptr;
}

void UIDispatcher::Destroy() {
  if (const HWND window = window_.exchange(nullptr)) ::DestroyWindow(window);
}

void UIDispatcher::RunOnUIThread(std::function<void()> task) {
  const HWND window = window_.load();
  if (window == nullptr || ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
    if (task) task();
    return;
  }
  std::exception_ptr failure;
  {
    std::lock_guard<std::mutex> hold(senders_);
    slot_ = std::move(task);
    // Sent, not posted: returns once the window procedure has run the task.
    ::SendMessageW(window, dispatchMessage, 0, 0);
    slot_ = nullptr;  // the window may have gone before it ran the task
    failure = std::exchange(failure_, nullptr);
  }
  if (failure) std::rethrow_exception(failure);
}

void UIDispatcher::RunSlot() {
  std::function<void()> task = std::move(slot_);
  slot_ = nullptr;
  if (!task) return;  // the message came from elsewhere, with no task waiting
  try {
    task();
  } catch (...) {
    failure_ = std::current_exception();
  }
}

LRESULT CALLBACK UIDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == dispatchMessage && message != 0 && wParam == 0) {
    Instance().RunSlot();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orvane
