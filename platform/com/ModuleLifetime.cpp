#include "platform/com/ModuleLifetime.h"

#include <atomic>

namespace orvane {
namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

}  // namespace

void ModuleLifetime::ObjectCreated() noexcept { objects.fetch_add(1); }
void ModuleLifetime::ObjectDestroyed() noexcept { objects.fetch_sub(1); }

// LockServer(FALSE) without a matching TRUE is the caller's bug; the count never goes below zero, so
// one stray unlock cannot let the module unload under a later real lock.
void ModuleLifetime::Lock() noexcept { locks.fetch_add(1); }
void ModuleLifetime::Unlock() noexcept {
  long current = locks.load();
  while (current > 0 && !locks.compare_exchange_weak(current, current - 1)) {
  }
}

long ModuleLifetime::Objects() noexcept { return objects.load(); }
long ModuleLifetime::Locks() noexcept { return locks.load(); }
bool ModuleLifetime::CanUnload() noexcept { return objects.load() == 0 && locks.load() == 0; }

}  // namespace orvane
