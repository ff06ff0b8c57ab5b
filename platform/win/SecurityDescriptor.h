// A security descriptor made from SDDL text, and the attributes that hand it to the functions that
// create named objects. Owns the descriptor (LocalFree). One thread at a time; not copied or moved,
// since the attributes point into the object.
#pragma once

#include <windows.h>

#include "platform/win/UniqueResource.h"

namespace orvane {

class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const wchar_t* sddl) noexcept;
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;

  // S_OK, or why the text could not be converted (the descriptor is then empty).
  HRESULT result() const noexcept { return result_; }
  PSECURITY_DESCRIPTOR get() const noexcept { return descriptor_.get(); }

  // For CreateMutexW, CreateEventW, CreateFileMappingW: null when the descriptor is empty, so that a
  // failed conversion gives the object default security rather than no object at all.
  SECURITY_ATTRIBUTES* attributes() noexcept { return descriptor_ ? &attributes_ : nullptr; }

 private:
  UniqueLocalMemory<void> descriptor_;
  SECURITY_ATTRIBUTES attributes_{};
  HRESULT result_ = S_OK;
};

}  // namespace orvane
