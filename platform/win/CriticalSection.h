// A recursive lock over CRITICAL_SECTION that std::lock_guard and std::unique_lock accept. Recursive
// because DirectShow calls re-enter a filter under its own lock (a pin's Connect calls back into the
// filter that already holds it). Any thread; owns the critical section.
#pragma once

#include <windows.h>

namespace orvane {

class CriticalSection {
 public:
  CriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
  ~CriticalSection() { ::DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void lock() noexcept { ::EnterCriticalSection(&section_); }
  void unlock() noexcept { ::LeaveCriticalSection(&section_); }
  bool try_lock() noexcept { return ::TryEnterCriticalSection(&section_) != FALSE; }

 private:
  CRITICAL_SECTION section_;
};

}  // namespace orvane
