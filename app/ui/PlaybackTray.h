// What the notification area shows of playback: the main window tells it the tip and the icon of every
// state, and the cameras that were pulled out. The tray icon implements it; the window runs without one until it is given one.
// User-interface thread only.
#pragma once

#include <string_view>

namespace orvane {

class PlaybackTray {
 public:
  // The tooltip of the icon (the status line's text without its trailing dots).
  virtual void SetTip(std::wstring_view tip) = 0;
  // An icon resource id (206 to 209), or 0 for the active icon that suits the taskbar's theme.
  virtual void SetIcon(int iconId) = 0;
  // A balloon of `kind` (103: a camera was removed) with `text`.
  virtual void ShowBalloon(int kind, std::wstring_view text) = 0;

 protected:
  ~PlaybackTray() = default;
};

}  // namespace orvane
