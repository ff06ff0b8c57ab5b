#include "app/ui/MainWindowRules.h"

namespace orvane {

std::wstring MainWindowTitle(std::wstring_view appTitle, const std::optional<ProductVersion>& version,
                             int deviceIndex, int deviceCount) {
  std::wstring title(appTitle);
  if (deviceCount >= 2) return title + L" #" + std::to_wstring(static_cast<int64_t>(deviceIndex) + 1);
  if (version) {
    title += L" v" + std::to_wstring(version->major) + L"." + std::to_wstring(version->minor) + L"." +
             std::to_wstring(version->build);
  }
  return title;
}

std::wstring BadgeText(uint32_t count) {
  static constexpr wchar_t kGlyphs[] = {0xE628, 0xE62A, 0xE62C, 0xE773, 0xE774, 0xE632, 0xE634, 0xE636, 0xE638};
  if (count >= 1 && count <= 9) return std::wstring(1, kGlyphs[count - 1]);
  return std::to_wstring(count);
}

int PositionSliderTop(int stopTop, int stopBottom, int sliderHeight) {
  return (stopTop + stopBottom) / 2 - sliderHeight / 2 + 3;
}

int BadgeLeft(bool sliderVisible, int sliderRight, int listRight, int badgeWidth) {
  return (sliderVisible ? sliderRight - 10 : listRight) - badgeWidth;
}

StateView ViewOf(PlaybackState state) {
  switch (state) {
    case PlaybackState::Stopped:
      return {true, false, L"S_SELECT_TO_PLAY", false, false, 207};
    case PlaybackState::PlayingDevice:
      return {false, true, L"S_PLAYING_DEVICE", true, false, 0};
    case PlaybackState::TryingToPlay:
      return {std::nullopt, std::nullopt, L"S_TRYING_TO_PLAY", true, false, 209};
    case PlaybackState::WaitingForDevice:
      return {std::nullopt, std::nullopt, L"S_WAITING_FOR_DEVICE", true, true, 207};
    case PlaybackState::PlayingFile:
      return {false, std::nullopt, L"S_PLAYING_FILE", true, false, 0};
  }
  return {std::nullopt, std::nullopt, L"S_SELECT_TO_PLAY", false, false, 207};
}

}  // namespace orvane
