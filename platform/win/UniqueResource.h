// Single owners of Windows resources that are not COM objects: kernel handles, registry keys, loaded
// modules, mapped views of sections, LocalAlloc and CoTaskMem blocks, and BSTRs. Each closes its resource when it goes out of scope; moves pass
// ownership, copies are not allowed. Not thread-safe: an owner belongs to one thread at a time.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace orvane {

// Traits: Value (the raw type), Invalid() (the empty value), IsValid(v) and Close(v).
template <typename Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;

  UniqueResource() noexcept = default;
  explicit UniqueResource(Value value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Value get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Traits::IsValid(value_); }

  // Gives up ownership without closing.
  Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  void reset(Value value = Traits::Invalid()) noexcept {
    const Value old = std::exchange(value_, value);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

  // For functions that return the resource through an out-parameter; closes what was held first.
  Value* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::Invalid();
};

namespace resource_traits {

// Kernel handles: some functions fail with NULL, others (CreateFileW) with INVALID_HANDLE_VALUE.
struct KernelHandle {
  using Value = HANDLE;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr && v != INVALID_HANDLE_VALUE; }
  static void Close(Value v) noexcept { ::CloseHandle(v); }
};

// Only keys this process opened: the predefined roots (HKEY_CURRENT_USER, ...) are never owned.
struct RegistryKey {
  using Value = HKEY;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::RegCloseKey(v); }
};

struct LoadedModule {
  using Value = HMODULE;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::FreeLibrary(v); }
};

// What MapViewOfFile returned.
struct MappedView {
  using Value = void*;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::UnmapViewOfFile(v); }
};

// Blocks that a system function allocated with LocalAlloc for the caller to free (security
// descriptors from SDDL, FormatMessage buffers).
template <typename T>
struct LocalMemoryBlock {
  using Value = T*;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::LocalFree(v); }
};

template <typename T>
struct CoTaskMemBlock {
  using Value = T*;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::CoTaskMemFree(v); }
};

struct SystemString {
  using Value = BSTR;
  static Value Invalid() noexcept { return nullptr; }
  static bool IsValid(Value v) noexcept { return v != nullptr; }
  static void Close(Value v) noexcept { ::SysFreeString(v); }
};

}  // namespace resource_traits

using UniqueHandle = UniqueResource<resource_traits::KernelHandle>;
using UniqueRegKey = UniqueResource<resource_traits::RegistryKey>;
using UniqueModule = UniqueResource<resource_traits::LoadedModule>;
using UniqueMappedView = UniqueResource<resource_traits::MappedView>;
template <typename T>
using UniqueLocalMemory = UniqueResource<resource_traits::LocalMemoryBlock<T>>;
template <typename T>
using UniqueCoTaskMem = UniqueResource<resource_traits::CoTaskMemBlock<T>>;
using UniqueBstr = UniqueResource<resource_traits::SystemString>;

}  // namespace orvane
