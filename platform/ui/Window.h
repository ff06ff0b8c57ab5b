// Window classes of our window framework: a message map that a class fills by overriding one
// function, controls subclassed by an object (CWindowImpl), dialogs run by an object (CDialogImpl),
// notifications reflected back to the controls that sent them, double-buffered painting, and the
// pending states of child windows that an idle handler applies (CUpdateUI).
//
// Windows belong to the thread that created them and every call here is made on that thread. An
// object must outlive its window, or destroy it first; the objects own no other resource.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

// windowsx.h (which dshow.h includes) defines SubclassWindow as a macro; the framework's method has
// that name.
#ifdef SubclassWindow
#undef SubclassWindow
#endif

namespace orvane::ui {

// Reflected messages arrive at the control as the original message plus this offset (0x2000).
inline constexpr UINT kReflectedBase = WM_USER + 0x1C00;

class CMessageMap {
 public:
  // Handles the message if the class has a handler for it: true, with `result`, when it did.
  virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

 protected:
  ~CMessageMap() = default;
};

// An existing window (typically a dialog's control) subclassed by this object: its messages reach
// ProcessWindowMessage first, and those not handled go on to the control's own procedure.
class CWindowImpl : public CMessageMap {
 public:
  CWindowImpl() = default;
  virtual ~CWindowImpl();
  CWindowImpl(const CWindowImpl&) = delete;
  CWindowImpl& operator=(const CWindowImpl&) = delete;

  bool SubclassWindow(HWND window);
  // Gives the window back its own procedure; returns it (null when none was subclassed).
  HWND UnsubclassWindow();
  HWND window() const { return window_; }

 protected:
  // The control's own handling of the message.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called once the window is gone (after WM_NCDESTROY); the object may then go too.
  virtual void OnFinalMessage(HWND) {}

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  HWND window_ = nullptr;
};

// A dialog from a template of the module's resources, run by this object (which the dialog keeps in
// its DWLP_USER slot; GWLP_USERDATA stays free for the owner).
class CDialogImpl : public CMessageMap {
 public:
  explicit CDialogImpl(UINT templateId) : templateId_(templateId) {}
  virtual ~CDialogImpl();
  CDialogImpl(const CDialogImpl&) = delete;
  CDialogImpl& operator=(const CDialogImpl&) = delete;

  // Modeless; null when the template or a control cannot be created.
  HWND Create(HWND parent);
  // Modal; the value given to EndDialog, or -1.
  INT_PTR DoModal(HWND parent);
  void EndDialog(INT_PTR result) { ::EndDialog(window_, result); }
  void DestroyWindow();

  HWND window() const { return window_; }
  HWND Item(int id) const { return ::GetDlgItem(window_, id); }

 protected:
  virtual void OnFinalMessage(HWND) {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UINT templateId_;
  HWND window_ = nullptr;
};

// Sends a child's notification (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR...,
// scrolling and item messages) back to the child as message + kReflectedBase. True, with the child's
// answer, when the message was one of these and came from a child window.
bool ReflectNotifications(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Painting through a memory bitmap: WM_PAINT and WM_PRINTCLIENT call DoPaint on a bitmap of the area to
// be painted, which is then copied to the window in one step; WM_ERASEBKGND erases nothing.
class CDoubleBufferImpl {
 public:
  // Handles the three messages; false for any other.
  bool HandleDoubleBuffer(HWND window, UINT message, WPARAM wParam, LRESULT& result);

 protected:
  ~CDoubleBufferImpl() = default;
  // Paints the window into `dc`, whose origin is the window's client origin.
  virtual void DoPaint(HDC dc) = 0;
};

// The wanted states of child windows, applied together by UIUpdateChildWindows (from an idle handler),
// so that a burst of state changes repaints each control once. Only changes are applied.
class CUpdateUI {
 public:
  void UIEnable(int id, bool enabled) { Pending(id).enabled = enabled; }
  void UIShow(int id, bool visible) { Pending(id).visible = visible; }
  void UISetText(int id, std::wstring text) { Pending(id).text = std::move(text); }
  // Applies and forgets every pending state to the children of `parent`.
  void UIUpdateChildWindows(HWND parent);

 protected:
  ~CUpdateUI() = default;

 private:
  struct ChildState {
    std::optional<bool> enabled;
    std::optional<bool> visible;
    std::optional<std::wstring> text;
  };
  ChildState& Pending(int id) { return pending_[id]; }
  std::map<int, ChildState> pending_;
};

}  // namespace orvane::ui
