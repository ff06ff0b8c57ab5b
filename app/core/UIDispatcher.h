// Runs a task on the user-interface thread and waits for it: the only way for another thread (the
// update check's worker) to touch windows. The dispatcher's message-only window belongs to the thread
// that creates it, which must be the user-interface thread and must keep pumping messages.
//
// Threads: Create and Destroy on the user-interface thread; RunOnUIThread from any thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>

namespace orvane {

class UIDispatcher {
 public:
  static UIDispatcher& Instance();

  // The message the window runs its task on, registered by name when the program starts.
  static UINT Message();

  // Registers the window class (once per process) and creates the message-only window on the calling
  // thread. True when the window exists afterwards; GetLastError tells why not.
  bool Create();
  // Destroys the window; tasks run on their caller's thread again.
  void Destroy();
  HWND Window() const { return window_.load(); }

  // Runs the task on the window's thread and returns when it has finished. Before the window exists,
  // and on the window's own thread, the task runs directly. An exception the task throws is passed
  // back to the caller and rethrown here, never through the window procedure.
  void RunOnUIThread(std::function<void()> task);

 private:
  UIDispatcher() = default;
  ~UIDispatcher() = default;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RunSlot();

  std::atomic<HWND> window_{nullptr};
  // Serialises callers from other threads: each one fills the slot, sends, and waits until its own
  // task has run, so the one slot is never shared.
  std::mutex senders_;
  std::function<void()> slot_;
  std::exception_ptr failure_;
};

}  // namespace orvane
