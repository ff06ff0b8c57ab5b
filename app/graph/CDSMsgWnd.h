// The hidden message-only window through which a media graph's events reach the user-interface
// thread. The graph posts the graph notify message from its own threads; the window hands it to its
// dispatcher (CDSRender), which drains the event queue there and forwards a few events to the main
// window through the graph forward message, posted to this window so that the owner's handling runs
// after the drain.
//
// User-interface thread only: the window, its procedure and the dispatcher's calls all run on the
// thread that called Create. Owns the window; does not own the dispatcher.
#pragma once

#include <windows.h>

namespace orvane {

class CDSMsgWnd {
 public:
  // What the window calls back. The message hook sees every message but the graph notify message;
  // setting `handled` makes the window answer 0 without DefWindowProc.
  class Dispatcher {
   public:
    virtual LRESULT MessageHook(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnGraphNotify() = 0;

   protected:
    ~Dispatcher() = default;
  };

  // Registers both message numbers; they stay the same for the life of the process.
  CDSMsgWnd();
  virtual ~CDSMsgWnd();
  CDSMsgWnd(const CDSMsgWnd&) = delete;
  CDSMsgWnd& operator=(const CDSMsgWnd&) = delete;

  // Registers the window class (a repeated registration fails and is ignored) and creates the window;
  // false, with no window, when that fails.
  bool Create(HINSTANCE instance);
  // Destroys the window when there is one and forgets window and dispatcher.
  void Destroy();

  void SetDispatcher(Dispatcher* dispatcher) { dispatcher_ = dispatcher; }
  Dispatcher* dispatcher() const { return dispatcher_; }
  HWND window() const { return window_; }
  UINT graphNotifyMessage() const { return graphNotifyMessage_; }
  UINT graphForwardMessage() const { return graphForwardMessage_; }

  static constexpr wchar_t kClassName[] = L"79CF929F-AF92-429B-83DE-BA6F7668C855";
  static constexpr wchar_t kGraphNotifyText[] = L"AADF1ACF-9550-46FA-A831-98DF73C4A86A";
  static constexpr wchar_t kGraphForwardText[] = L"63890A38-7BF6-4F4A-A00D-33F38DE7DDCC";

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Dispatcher* dispatcher_ = nullptr;
  HWND window_ = nullptr;
  UINT graphNotifyMessage_ = 0;
  UINT graphForwardMessage_ = 0;
};

}  // namespace orvane
