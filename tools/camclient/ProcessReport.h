// Small pieces of camclient's reports: exit codes, printable text and the process's CPU time.
// Any thread.
#pragma once

#include <string>

namespace orvane::camclient {

inline constexpr int kExitDone = 0, kExitUsage = 1, kExitFailed = 2, kExitUnverified = 3, kExitTooFewFrames = 4;

// UTF-8 for the console and the logs of scripts.
std::string Printable(const std::wstring& text);

// The CPU time the process has used so far, user and kernel together, in seconds.
double ProcessCpuSeconds();

// "cpu: U s user, K s kernel (P% of one core over S s)".
void PrintProcessTimes(double seconds);

}  // namespace orvane::camclient
