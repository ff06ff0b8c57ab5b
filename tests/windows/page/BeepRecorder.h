// Counts the beeps a module asks for: while a recorder lives, the module's import of
// user32!MessageBeep leads to a counter instead of the speaker. Test thread only; one recorder per
// module at a time.
#pragma once

#include <windows.h>

namespace orvane::testing {

class BeepRecorder {
 public:
  explicit BeepRecorder(HMODULE module);
  ~BeepRecorder();
  BeepRecorder(const BeepRecorder&) = delete;
  BeepRecorder& operator=(const BeepRecorder&) = delete;

  // The module imports MessageBeep and its import now leads here.
  bool installed() const { return slot_ != nullptr; }
  // Calls with the default beep (0xFFFFFFFF) since the recorder was made or last reset.
  int defaultBeeps() const;
  void Reset();

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace orvane::testing
