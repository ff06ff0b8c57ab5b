// Reading Orvane.exe's command line: the switches, their values and the commands sent to running
// instances. Pure; any thread.
//
// The line is cut into tokens at spaces only (tabs belong to tokens) and read from the left. A token
// means the first switch whose text it contains anywhere, letter case ignored, tested in the order
// "/debug", "/delay", "/cmd", "/rename", "/silent" or "/background"; other tokens are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The WM_COMMAND identifiers that "/cmd" sends to the running instances' main windows.
inline constexpr int kCommandPlay = 1002;   // the play button
inline constexpr int kCommandStop = 1003;   // the stop button
inline constexpr int kCommandQuit = 32779;  // the tray menu's exit item

struct StartOptions {
  // The one-shot modes end the process once done; the first of their switches decides.
  enum class Mode { Run, SendCommand, Rename };

  Mode mode = Mode::Run;
  bool debug = false;
  int32_t delayMs = 0;  // as written; whether it is used is the start-up's rule
  bool hidden = false;  // "/silent" or "/background" in a token read before any one-shot switch
  std::wstring commandWord;  // SendCommand: the token after "/cmd", empty when there is none
  // Rename: the token after "/rename", when there is one. A value that starts with a double quote
  // runs to the next double quote, spaces included, so that a name may hold spaces; the quotes are
  // not part of it.
  std::optional<std::wstring> renameName;
  // Anywhere in the whole line, letter case ignored: run beside an instance that holds the mutex,
  // and do not bring a running instance to the front.
  bool restart = false;
  bool silent = false;
};

StartOptions ReadCommandLine(std::wstring_view line);

// The pause before the window appears: the "/delay" value when it lies in 1..59999 ms, else none (0).
int32_t EffectiveDelayMs(int32_t delayMs);

// "play", "stop" or "quit" (letter case ignored) to its command identifier; 0 for any other word.
int CommandIdForWord(std::wstring_view word);

}  // namespace orvane
