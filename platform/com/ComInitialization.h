// COM initialisation of the calling thread for the lifetime of this object (CoInitializeEx and the
// matching CoUninitialize). Lives on the thread that created it.
#pragma once

#include <objbase.h>

namespace orvane {

class ComInitialization {
 public:
  explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : result_(::CoInitializeEx(nullptr, model)) {}
  ~ComInitialization() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;

  // COM is usable on this thread: initialised here, or already in the other apartment model
  // (RPC_E_CHANGED_MODE), which is just as usable and is left alone.
  bool ok() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace orvane
