// The playback controller's decisions that need no window: what a tick of the retry timer does, what a
// change of the client count does, how the window reacts to a graph event, and the position texts of a
// playing file. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// A tick of the retry timer: nothing left to wait for ends the timer; a camera remembered but not
// selected in the list (absent) keeps it waiting; otherwise the remembered camera is tried again.
enum class RetryTick { StopTimer, KeepWaiting, PlayLastCamera };
RetryTick OnRetryTick(bool lastCameraKnown, bool graphActive, bool hasRenderer, bool cameraSelected);

// A tick of the client poll that read `now` applications reading the virtual camera.
struct ClientPoll {
  bool changed = false;         // the count differs from the last one seen
  bool showBadge = false;       // the badge shows the new count (else it hides)
  bool playLastCamera = false;  // an application began reading while nothing plays: start the camera
};
ClientPoll OnClientCount(uint32_t previous, uint32_t now, bool lastCameraKnown, bool graphActive,
                         bool hasRenderer);

// What a graph event does to playback.
enum class GraphReaction {
  None,
  PlayFromStart,  // a file reached its end: it loops
  Stop,           // the graph aborted: stop without forgetting the camera
  DeviceLost,     // the camera went away: wait for it
};
GraphReaction ReactionTo(long eventCode);

// Whole seconds of a time in milliseconds, truncated; 0 for negative or unknown times (the duration is
// -1 until it has been read) and capped so that the clock texts stay within their fields' range.
int WholeSeconds(double milliseconds);
// "hh:mm:ss / hh:mm:ss" of a position and a duration, both in milliseconds.
std::wstring PositionText(double positionMs, double durationMs);
// "hh:mm:ss" of the slider's thumb, in seconds.
std::wstring ThumbText(int seconds);
// The last component of a path, after its last backslash or slash.
std::wstring_view FileNameOf(std::wstring_view path);

}  // namespace orvane
