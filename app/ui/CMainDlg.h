// The main window: a small modeless dialog (template 129) with the device list, the glyph buttons
// Options, Play and Stop (or the position slider while a file plays), a heading with a badge counting
// the applications that read the virtual camera, and a status line. It is the playback controller: it
// decides what feeds the virtual camera (a camera, a video file or nothing), holds the one graph, keeps
// the camera the user last played (started again at start-up, retried while another program holds it,
// awaited while it is absent, started when an application begins reading the virtual camera), and holds
// the output options that the keyboard changes while something plays.
//
// Created and used on the user-interface thread only; the object outlives its window until the message
// loop ends. It owns the graph, the background brush, the accelerator table, the fonts, the icons and
// the four owner-drawn buttons, all freed by its destructor.
#pragma once

#include <windows.h>
#include <dbt.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/graph/CDSRender.h"
#include "app/graph/CDeviceEnumerator.h"
#include "app/ui/MainWindowRules.h"
#include "app/ui/OutputKeys.h"
#include "app/ui/PlaybackTray.h"
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
  // The notification area's view of playback; null: none.
  void SetTray(PlaybackTray* tray) { tray_ = tray; }
  // Started by the first start of a day unless the program started hidden; empty: no update check.
  void SetUpdateCheck(std::function<void()> check) { updateCheck_ = std::move(check); }

  // The registered messages of the tray icon's callback and of the graph's events.
  UINT trayCallbackMessage() const { return trayCallbackMessage_; }
  UINT graphEventMessage() const { return graphEventMessage_; }

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
  void OnCommand(int id, int code, HWND source);
  void OnTimer(UINT_PTR id);
  void OnClientPoll();
  void OnRetryTick();
  void OnPositionTick();
  void OnPositionScroll(int code);
  void OnGraphEvent(long code);
  // WM_DEVICECHANGE: cameras plugged in or pulled out; TRUE when handled.
  LRESULT OnDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* header);

  // Playback. `userInitiated`: the command came from a control, a menu or another instance rather
  // than from a timer or an event.
  void Play(bool userInitiated);
  void Stop(bool userInitiated);
  void PlayVideoFile();
  void ChooseIdlePicture();
  void EnterFilePlayback();
  void ResumeVideoFile();
  void OnSelectionChange();
  void OnOptions();
  void ChangeCaptureFormat();
  void SetState(PlaybackState state);
  void StartTimer(UINT_PTR id);
  void StopTimer(UINT_PTR id);
  bool TimerRuns(UINT_PTR id) const;
  // The selected camera, or null when none is selected.
  const DeviceRecord* SelectedCamera() const;
  std::wstring RunFileDialog(const wchar_t* filter);

  // Output options: applied at start, changed by keys, stored at the end.
  void ApplyStoredOutputOptions();
  bool OnOutputKey(UINT virtualKey);
  void StoreOutputOptions();
  void RunDailyCheck();

  void SetUpWindow();
  void SetUpControls();
  void MoveBadge();

  bool startedHidden_ = false;
  PlaybackTray* tray_ = nullptr;
  std::function<void()> updateCheck_;
  const UINT trayCallbackMessage_;
  const UINT graphEventMessage_;
  PlaybackState state_ = PlaybackState::Stopped;
  std::wstring lastPlayedDevice_;
  std::wstring currentName_;
  std::wstring videoFile_;
  uint32_t clientCount_ = 0;
  uint32_t runningTimers_ = 0;  // bit n: timer n runs
  // Set while a Play, Stop or the options' dialogs are under way: timers that tick meanwhile (the
  // dialogs run their own message loops) leave the graph alone and try again at their next tick.
  bool inGraphCommand_ = false;
  OutputOptions output_;
  HDEVNOTIFY deviceNotification_ = nullptr;
  CDeviceEnumerator devices_;
  CDSRender graph_;

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
