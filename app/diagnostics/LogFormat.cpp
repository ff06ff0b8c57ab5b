#include "app/diagnostics/LogFormat.h"

#include <algorithm>
#include <cstdio>

#include "app/diagnostics/VersionNumbers.h"

namespace orvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Out-of-range clock fields only widen the text; 128 characters hold any of these formats with six
// ints, and snprintf never writes past the buffer in any case.
template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char buffer[128];
  const int length = std::snprintf(buffer, sizeof(buffer), format, args...);
  if (length <= 0) return std::string();
  return std::string(buffer, std::min(static_cast<size_t>(length), sizeof(buffer) - 1));
}

}  // namespace

std::wstring LogFileName(const LocalClock& now) {
  const std::string name = Printf("Orvane_%d%02d%02d%02d%02d%02d.log", now.year, now.month, now.day,
                                  now.hour, now.minute, now.second);
  return std::wstring(name.begin(), name.end());  // ASCII only
}

std::string LogFileHeader(const LocalClock& now) {
  std::string header = Printf("LOG *********** %d-%d-%d %d:%d:%d ***********", now.year, now.month,
                              now.day, now.hour, now.minute, now.second);
  header += kLineEnd;
  header += kLineEnd;
  return header;
}

std::string LogStamp(const LocalClock& now) {
  return Printf("[%02d:%02d:%02d:%03d]", now.hour, now.minute, now.second, now.millisecond);
}

std::string LogEntry(const LocalClock& now, std::string_view message) {
  std::string entry = LogStamp(now);
  entry.reserve(entry.size() + 2 + message.size() + 2);
  entry += "  ";
  for (size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (c == '\n' && (i == 0 || message[i - 1] != '\r')) {
      entry += kLineEnd;
    } else {
      entry += c;
    }
  }
  entry += kLineEnd;
  return entry;
}

std::string OperatingSystemLogLine(std::string_view description, std::string_view kernelVersion,
                                   bool is64BitSystem) {
  std::string line(description);
  line += " (";
  line += kernelVersion;
  line += ')';
  if (is64BitSystem) line += " 64bits";
  return line;
}

std::string ProgramLogLine(uint32_t productVersionMs, uint32_t productVersionLs) {
  return "Orvane v" + VersionText(productVersionMs, productVersionLs) + " 64bits";
}

}  // namespace orvane
