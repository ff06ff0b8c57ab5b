// The diagnostic log: one file per run in the data folder, named after the local time it was opened,
// written only when the program runs with "/debug". Every entry is stamped with the time of day and
// is complete on disk when Write returns.
//
// Threads: any. The debug flag is atomic; Write serialises writers with the logger's lock, so
// messages from the user-interface thread and the update thread never interleave.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#if defined(__MINGW_PRINTF_FORMAT)
#define ORVANE_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArgument)))
#else
#define ORVANE_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace orvane {

// The debug flag, off until the command line turns it on. Logging sites test it (Log and Logf do) so
// that without it no logger, folder or file is ever created.
bool DebugLoggingEnabled();
void SetDebugLogging(bool enabled);

class Logger {
 public:
  // The process's logger, created on first use with a new file in the data folder. Call only with
  // the debug flag on. It is never destroyed: a late message from another thread during process exit
  // must not meet a destroyed lock.
  static Logger& Instance();

  // A logger writing to `path`: the file is created (or truncated) with the header line and an empty
  // line. When it cannot be created, nothing is written but the path is kept, and every later Write
  // tries again to append.
  explicit Logger(std::wstring path);
  virtual ~Logger() = default;
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  // Appends one entry: "[hh:mm:ss:mmm]  message" and CR LF. Never fails towards the caller; an entry
  // that cannot be written is dropped.
  void Write(std::string_view message);

  const std::wstring& LogPath() const { return path_; }

  // The data folder and "Orvane_<local time>.log"; empty when there is no data folder.
  static std::wstring NewLogPath();

 private:
  std::mutex lock_;  // serialises writers: each entry is opened, written and closed under it
  const std::wstring path_;
};

// Writes a message to the process's log when the debug flag is on; does nothing otherwise.
void Log(std::string_view message);
// printf-style; the text is built only when the debug flag is on.
void Logf(const char* format, ...) ORVANE_PRINTF_FORMAT(1, 2);

}  // namespace orvane
