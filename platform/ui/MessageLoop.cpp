#include "platform/ui/MessageLoop.h"

#include <mutex>

namespace orvane::ui {

bool CMessageLoop::IsIdleMessage(const MSG& message) {
  switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER: the caret's blink
      return false;
    default:
      return true;
  }
}

bool CMessageLoop::PreTranslate(MSG& message) {
  // Backwards, so that a filter added later (a dialog opened over the main window) goes first; a copy,
  // because a filter may remove itself.
  const std::vector<CMessageFilter*> filters = filters_;
  for (auto at = filters.rbegin(); at != filters.rend(); ++at) {
    if ((*at)->PreTranslateMessage(message)) return true;
  }
  return false;
}

bool CMessageLoop::Idle(int) {
  const std::vector<CIdleHandler*> handlers = idleHandlers_;
  bool more = false;
  for (CIdleHandler* handler : handlers) more = handler->OnIdle() || more;
  return more;
}

int CMessageLoop::Run() {
  bool idle = true;
  int idleCount = 0;
  MSG message{};
  for (;;) {
    while (idle && !::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!Idle(idleCount++)) idle = false;
    }
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) break;
    if (!PreTranslate(message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (IsIdleMessage(message)) {
      idle = true;
      idleCount = 0;
    }
  }
  return static_cast<int>(message.wParam);
}

CAppModule& CAppModule::Instance() {
  static CAppModule module;
  return module;
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
  std::lock_guard guard(lock_);
  return loops_.emplace(::GetCurrentThreadId(), loop).second;
}

void CAppModule::RemoveMessageLoop() {
  std::lock_guard guard(lock_);
  loops_.erase(::GetCurrentThreadId());
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
  std::lock_guard guard(lock_);
  const auto found = loops_.find(threadId);
  return found != loops_.end() ? found->second : nullptr;
}

}  // namespace orvane::ui
