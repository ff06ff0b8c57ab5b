// The main window: a small modeless dialog (template 129) with the device list, the glyph buttons
// Options, Play and Stop (or the position slider while a file plays), a heading with a badge counting
// the applications that read the virtual camera, and a status line. It is the playback controller's
// home: the controller's state and the camera list live here.
//
// Created and used on the user-interface thread only; the object outlives its window until the message
// loop ends. It owns the background brush, the accelerator table, the fonts, the icons and the four
// owner-drawn buttons, all freed by its destructor.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/graph/CDeviceEnumerator.h"
#include "app/ui/MainWindowRules.h"
#include "app/ui/controls/CButtonST.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Window.h"

namespace orvane {

class CMainDlg final : public ui::CDialogImpl,
                       public ui::CUpdateUI,
                       public ui::CMessageFilter,
                       public ui::CIdleHandler,
                       public ui::CDoubleBufferImpl {
 public:
  CMainDlg();
  ~CMainDlg() override;

  // Set before the window is created: the program started hidden (in the tray).
  void SetStartedHidden(bool hidden) { startedHidden_ = hidden; }

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  bool OnIdle() override;

  // Device mode (list, Options) or file mode (position slider); moves the badge accordingly.
  void ShowDeviceList(bool on);
  // Shows the client count in the badge and its tooltip (nothing while the count is 0).
  void UpdateClientBadge();
  // Puts the window's texts into the current language (also after the user chose another).
  void RefreshTexts();
  // Shows the current playback state in the window.
  void UpdateUi();
  // Re-lists the cameras into the device list, selecting the last played one.
  void RefreshDeviceList();

 protected:
  void DoPaint(HDC dc) override;

 private:
  LRESULT OnInitDialog();
  void OnDestroy();
  void OnCommand(int id, int code);
  void OnClientPoll();
  void OnStop();
  void SetUpWindow();
  void SetUpControls();
  void MoveBadge();

  bool startedHidden_ = false;
  PlaybackState state_ = PlaybackState::Stopped;
  std::wstring lastPlayedDevice_;
  std::wstring currentName_;
  uint32_t clientCount_ = 0;
  CDeviceEnumerator devices_;

  HBRUSH background_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HFONT buttonFont_ = nullptr;
  HFONT badgeFont_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  CButtonST play_;
  CButtonST stop_;
  CButtonST options_;
  CButtonST badge_;
  HWND deviceList_ = nullptr;
  HWND positionSlider_ = nullptr;
  ui::CMessageLoop* loop_ = nullptr;  // the thread's loop this window registered with
};

}  // namespace orvane
