#include "app/ui/PlaybackRules.h"

#include <cmath>
#include <cstdio>

namespace orvane {
namespace {

// 999:59:59 is as far as the three-digit hours of the clock go; a longer or broken duration shows that.
constexpr int kMaxClockSeconds = 999 * 3600 + 59 * 60 + 59;

void AppendClock(std::wstring& text, int seconds) {
  wchar_t clock[16];
  std::swprintf(clock, 16, L"%02d:%02d:%02d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
  text += clock;
}

}  // namespace

RetryTick OnRetryTick(bool lastCameraKnown, bool graphActive, bool hasRenderer, bool cameraSelected) {
  if (!lastCameraKnown || graphActive || !hasRenderer) return RetryTick::StopTimer;
  return cameraSelected ? RetryTick::PlayLastCamera : RetryTick::KeepWaiting;
}

ClientPoll OnClientCount(uint32_t previous, uint32_t now, bool lastCameraKnown, bool graphActive,
                         bool hasRenderer) {
  ClientPoll poll;
  if (now == previous) return poll;
  poll.changed = true;
  if (now == 0) return poll;
  poll.showBadge = true;
  poll.playLastCamera = lastCameraKnown && !graphActive && hasRenderer;
  return poll;
}

GraphReaction ReactionTo(long eventCode) {
  switch (eventCode) {
    case 0x01:  // EC_COMPLETE
      return GraphReaction::PlayFromStart;
    case 0x02:  // EC_USERABORT
    case 0x03:  // EC_ERRORABORT
      return GraphReaction::Stop;
    case 0x1F:  // EC_DEVICE_LOST
      return GraphReaction::DeviceLost;
    default:
      return GraphReaction::None;
  }
}

int WholeSeconds(double milliseconds) {
  if (!(milliseconds > 0)) return 0;  // negative, zero or not a number
  const double seconds = std::floor(milliseconds / 1000);
  return seconds >= kMaxClockSeconds ? kMaxClockSeconds : static_cast<int>(seconds);
}

std::wstring PositionText(double positionMs, double durationMs) {
  std::wstring text;
  AppendClock(text, WholeSeconds(positionMs));
  text += L" / ";
  AppendClock(text, WholeSeconds(durationMs));
  return text;
}

std::wstring ThumbText(int seconds) {
  std::wstring text;
  AppendClock(text, seconds < 0 ? 0 : seconds > kMaxClockSeconds ? kMaxClockSeconds : seconds);
  return text;
}

std::wstring_view FileNameOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

}  // namespace orvane
