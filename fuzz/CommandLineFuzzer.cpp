// The command-line reader on any UTF-16 text: it must not read outside the line, and what it returns
// must be consistent with the line (a name or command word is a piece of it, the one-shot modes end
// the reading).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/core/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring line;
  for (size_t i = 0; i + 1 < size; i += 2) line.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  const orvane::StartOptions options = orvane::ReadCommandLine(line);
  if (options.renameName && line.find(*options.renameName) == std::wstring::npos) std::abort();
  if (line.find(options.commandWord) == std::wstring::npos) std::abort();
  if (options.mode != orvane::StartOptions::Mode::SendCommand && !options.commandWord.empty()) std::abort();
  orvane::CommandIdForWord(options.commandWord);
  return 0;
}
