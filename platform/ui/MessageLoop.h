// A user-interface thread's message loop with message filters (a window's accelerators and dialog
// keys) and idle handlers (work done when the queue runs dry, such as updating child-window states),
// and the process's registry of loops by thread, through which a window finds the loop of its thread.
//
// A loop belongs to the thread that runs it; filters and handlers are added and removed on that thread
// and must outlive their registration. The registry (CAppModule) may be used from any thread: its map
// is guarded by its lock.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "platform/win/CriticalSection.h"

namespace orvane::ui {

class CMessageFilter {
 public:
  // True when the message was consumed and must be neither translated nor dispatched.
  virtual bool PreTranslateMessage(MSG& message) = 0;

 protected:
  ~CMessageFilter() = default;
};

class CIdleHandler {
 public:
  // True to ask for another idle pass before the loop waits for the next message.
  virtual bool OnIdle() = 0;

 protected:
  ~CIdleHandler() = default;
};

class CMessageLoop {
 public:
  CMessageLoop() = default;
  virtual ~CMessageLoop() = default;
  CMessageLoop(const CMessageLoop&) = delete;
  CMessageLoop& operator=(const CMessageLoop&) = delete;

  void AddMessageFilter(CMessageFilter* filter) { Add(filters_, filter); }
  void RemoveMessageFilter(CMessageFilter* filter) { Remove(filters_, filter); }
  void AddIdleHandler(CIdleHandler* handler) { Add(idleHandlers_, handler); }
  void RemoveIdleHandler(CIdleHandler* handler) { Remove(idleHandlers_, handler); }

  // Runs until WM_QUIT and returns its wParam. While no message waits, the idle handlers run in passes
  // until none asks for more; after input or painting activity (see IsIdleMessage) idling starts over.
  int Run();

  // Whether a message counts as activity after which idle processing starts again: everything except
  // mouse moves (client and non-client), painting and the system timer (0x0118, the caret's blink).
  static bool IsIdleMessage(const MSG& message);

 private:
  template <typename T>
  static void Add(std::vector<T*>& list, T* item) {
    if (item != nullptr) list.push_back(item);
  }
  template <typename T>
  static void Remove(std::vector<T*>& list, T* item) {
    for (auto at = list.begin(); at != list.end(); ++at) {
      if (*at == item) {
        list.erase(at);
        return;
      }
    }
  }
  bool PreTranslate(MSG& message);
  bool Idle(int idleCount);

  std::vector<CMessageFilter*> filters_;
  std::vector<CIdleHandler*> idleHandlers_;
};

// The application module: which loop serves which thread.
class CAppModule {
 public:
  static CAppModule& Instance();

  bool AddMessageLoop(CMessageLoop* loop);  // for the calling thread; false if it has one already
  void RemoveMessageLoop();                 // the calling thread's
  CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

 private:
  CriticalSection lock_;  // guards loops_
  std::map<DWORD, CMessageLoop*> loops_;
};

}  // namespace orvane::ui
