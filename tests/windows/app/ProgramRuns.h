// Orvane.exe as a user runs it, seen from a test: started with a command line from the real program
// folder or from a copy of it, the message boxes it shows (read and answered through their windows, as
// a user would), the processes it starts, and the log it writes with "/debug". Test threads only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/settings/XMLStrings.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/UniqueResource.h"
#include "tests/windows/app/TestSupport.h"

namespace orvane::test {

// Generous: other builds share this machine.
inline constexpr DWORD kRunTimeoutMs = 60000;

// A temporary program folder holding copies of the named files of the real one; removed with
// everything in it when the object goes.
class ProgramFolderCopy {
 public:
  explicit ProgramFolderCopy(const std::vector<std::wstring>& files);
  ~ProgramFolderCopy();
  ProgramFolderCopy(const ProgramFolderCopy&) = delete;
  ProgramFolderCopy& operator=(const ProgramFolderCopy&) = delete;

  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// One Orvane.exe process, started from `folder` (the program folder of the camera tests' ProgramFolder,
// or a copy) with `arguments`; killed if still running when the
// object goes.
class ProgramRun {
 public:
  ProgramRun(const std::wstring& folder, const std::wstring& arguments);
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  // The exit code, or -1 when the process did not end in time.
  long Finish(DWORD milliseconds = kRunTimeoutMs);

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

// A message box that an Orvane.exe process shows.
struct MessageBoxSeen {
  HWND window = nullptr;
  DWORD processId = 0;
  std::wstring caption;
  std::wstring text;
};

// Waits for a message box of any Orvane.exe process other than those in `seen` (windows already
// answered); nothing when none appears within `milliseconds`.
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD milliseconds = kRunTimeoutMs,
                                                const std::vector<HWND>& seen = {});
// Presses the button (IDOK, IDCANCEL) through the box's window.
void Answer(const MessageBoxSeen& box, int button);

// The main window of process `processId` (a top-level window carrying the marker 1024 in its user
// data); null when none appears within `milliseconds`.
HWND WaitForMainWindow(DWORD processId, DWORD milliseconds = kRunTimeoutMs);
// Waits until `condition` holds, testing it every few milliseconds; false after `milliseconds`.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = kRunTimeoutMs);
std::wstring WindowTextOf(HWND window);

// The command line of a running process, read from its process parameters; empty when unreadable.
std::wstring CommandLineOf(DWORD processId);
// The ids of the running processes whose executable file is `name` (letter case ignored).
std::vector<DWORD> ProcessesNamed(const wchar_t* name);
// Waits until no process of that name runs; false when one still runs after `milliseconds`.
bool WaitUntilNoneRuns(const wchar_t* name, DWORD milliseconds = kRunTimeoutMs);

// A run with "/debug" shows its log in an Explorer window when it ends: waits for that window's process
// and closes it (left open, it takes the next run's window). False when none appears in time.
bool CloseRevealedLog(DWORD milliseconds = kRunTimeoutMs);

// The language file the program uses, loaded as the application object loads it.
const XMLStrings& LoadedStrings();

// The program's log files in the data folder: removed before a run, read after it.
void RemoveLogFiles();
// The lines of the one log file written since the last RemoveLogFiles (all of them, if there are
// several), in the order written.
std::vector<std::string> LogLines();

// Tests that run the program: each starts and ends with no virtual devices, no settings, no log and
// no program running (a program still running at the end is asked to quit, as a user would).
class ProgramTest : public UserSettingsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Orvane.exe of the program folder with `arguments`, waited for; its exit code.
  static long Command(const std::wstring& arguments);
  // "/cmd quit" to every running instance.
  static long Quit() { return Command(L"/cmd quit"); }

  ComInitialization com_{COINIT_APARTMENTTHREADED};
};

}  // namespace orvane::test
