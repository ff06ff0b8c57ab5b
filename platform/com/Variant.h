// Owns a VARIANT and whatever it holds (BSTR, SAFEARRAY, interface), cleared when it goes out of scope.
// Not thread-safe: one owner, one thread at a time.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace orvane {

class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT& get() noexcept { return value_; }
  const VARIANT& get() const noexcept { return value_; }
  // For functions that fill a VARIANT: clears the old content first.
  VARIANT* put() noexcept {
    ::VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

}  // namespace orvane
