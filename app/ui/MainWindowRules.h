// The main window's rules that need no window: the title, the client badge's text, where the position
// slider and the badge go, and what each playback state shows. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

enum class PlaybackState { Stopped, PlayingDevice, TryingToPlay, WaitingForDevice, PlayingFile };

// "<title> v<major>.<minor>.<build>" for one virtual camera (just the title without a version), or
// "<title> #<index + 1>" when the program serves one of several.
struct ProductVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
};
std::wstring MainWindowTitle(std::wstring_view appTitle, const std::optional<ProductVersion>& version,
                             int deviceIndex, int deviceCount);

// The badge before any count: the icon font's "0" disc.
inline constexpr wchar_t kBadgeInitialGlyph[] = L"\xE627";
// The icon font's disc for counts 1 to 9; decimal digits above 9 (and for 0, which is never shown).
std::wstring BadgeText(uint32_t count);

// The slider's new top (client pixels): on the middle line of the Play/Stop button, three pixels lower.
int PositionSliderTop(int stopTop, int stopBottom, int sliderHeight);
// The badge's new left edge: its right edge 10 pixels left of the slider's right edge while the slider
// shows, else on the device list's right edge.
int BadgeLeft(bool sliderVisible, int sliderRight, int listRight, int badgeWidth);

// What a state shows. Optional fields are left as they are.
struct StateView {
  std::optional<bool> playShown;       // Play shown and Stop hidden, or the reverse
  std::optional<bool> optionsEnabled;
  const wchar_t* statusId;             // string identifier of the status line and tray tip
  bool statusFormatted;                // used as a format with the state's name, "..." appended
  bool nameIsLastPlayed;               // the name is the last played camera rather than the current one
  int trayIcon;                        // 0: the active icon of the taskbar's theme (206 or 208)
};
StateView ViewOf(PlaybackState state);

}  // namespace orvane
