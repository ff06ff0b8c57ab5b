#include <gtest/gtest.h>

#include "tests/windows/controls/ControlHost.h"

namespace orvane::testing {
namespace {

// Windows that Wine hands to a window manager cost two seconds each to destroy without one.
class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override { KeepWindowsUnmanagedUnderWine(); }
};

[[maybe_unused]] ::testing::Environment* const unmanagedWindows =
    ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

}  // namespace
}  // namespace orvane::testing
