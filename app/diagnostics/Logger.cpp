#include "app/diagnostics/Logger.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "app/core/AppPaths.h"
#include "app/diagnostics/LogFormat.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

std::atomic<bool> debugLogging{false};

LocalClock Now() {
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

// One WriteFile of the whole text, so that a reader never sees half an entry.
void WriteAll(HANDLE file, const std::string& text) {
  if (text.size() > MAXDWORD) return;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

bool DebugLoggingEnabled() { return debugLogging.load(std::memory_order_relaxed); }
void SetDebugLogging(bool enabled) { debugLogging.store(enabled, std::memory_order_relaxed); }

Logger& Logger::Instance() {
  static Logger* const instance = new Logger(NewLogPath());
  return *instance;
}

std::wstring Logger::NewLogPath() { return DataFilePath(LogFileName(Now())); }

Logger::Logger(std::wstring path) : path_(std::move(path)) {
  if (path_.empty()) return;
  UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) WriteAll(file.get(), LogFileHeader(Now()));
}

void Logger::Write(std::string_view message) {
  std::lock_guard<std::mutex> hold(lock_);
  if (path_.empty()) return;
  // Opened and closed per entry so that each entry is on disk before the program goes on, even if it
  // crashes right after. FILE_APPEND_DATA alone makes every write land at the end of the file.
  UniqueHandle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  WriteAll(file.get(), LogEntry(Now(), message));
}

void Log(std::string_view message) {
  if (!DebugLoggingEnabled()) return;
  try {
    Logger::Instance().Write(message);
  } catch (...) {
    // Logging never raises an error to its caller: an entry that cannot be built is dropped.
  }
}

void Logf(const char* format, ...) {
  if (!DebugLoggingEnabled() || format == nullptr) return;
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length >= 0) {
    try {
      std::vector<char> text(static_cast<size_t>(length) + 1);
      std::vsnprintf(text.data(), text.size(), format, args);
      Log(std::string_view(text.data(), static_cast<size_t>(length)));
    } catch (...) {
      // As in Log: dropped.
    }
  }
  va_end(args);
}

}  // namespace orvane
