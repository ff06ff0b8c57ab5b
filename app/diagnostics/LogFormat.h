// The text of the diagnostic log: file name, header, time stamps, entries and the two start-banner
// lines. Pure formatting; the Logger supplies the clock and the file. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// A local wall-clock reading, as the system's local time gives it.
struct LocalClock {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// "Orvane_20260305070409.log": the time the log was opened, zero-padded.
std::wstring LogFileName(const LocalClock& now);

// "LOG *********** 2026-3-5 7:4:9 ***********", CR LF, and the empty line that follows it.
std::string LogFileHeader(const LocalClock& now);

// "[07:04:09:007]".
std::string LogStamp(const LocalClock& now);

// One complete entry: stamp, two spaces, the message and CR LF. Line breaks inside the message
// continue on unstamped lines and are written as CR LF too, whatever the caller used.
std::string LogEntry(const LocalClock& now, std::string_view message);

// "Windows 10 (10.0.19041.1) 64bits": the system description, the kernel's product version in
// parentheses, and the suffix on 64-bit systems.
std::string OperatingSystemLogLine(std::string_view description, std::string_view kernelVersion,
                                   bool is64BitSystem);

// "Orvane v0.1.0.0 64bits" from the program's fixed product version. The program is a 64-bit build,
// so the suffix is always there.
std::string ProgramLogLine(uint32_t productVersionMs, uint32_t productVersionLs);

}  // namespace orvane
