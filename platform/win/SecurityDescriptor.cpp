#include "platform/win/SecurityDescriptor.h"

#include <sddl.h>

#include "platform/win/WindowsError.h"

namespace orvane {

SecurityDescriptor::SecurityDescriptor(const wchar_t* sddl) noexcept {
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor_.put(), nullptr)) {
    result_ = LastErrorResult();
    descriptor_.reset();
    return;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor_.get();
  attributes_.bInheritHandle = FALSE;
}

}  // namespace orvane
