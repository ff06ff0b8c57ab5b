#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "platform/com/Variant.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueResource, ClosesOnceAndPassesOwnershipOnMove) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueHandle first(raw);
    UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    EXPECT_TRUE(IsOpenHandle(raw));
  }
  EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueResource, InvalidHandleValueIsNotOwned) {
  UniqueHandle file(::CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  EXPECT_FALSE(file);
}

TEST(UniqueResource, OutParameterAndRelease) {
  UniqueRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_TRUE(key);

  UniqueBstr text(::SysAllocString(L"orvane"));
  BSTR raw = text.release();
  EXPECT_FALSE(text);
  ::SysFreeString(raw);
}

TEST(Variant, ClearsWhatItHolds) {
  Variant value;
  value.get().vt = VT_BSTR;
  value.get().bstrVal = ::SysAllocString(L"first");
  VARIANT* out = value.put();  // must free "first"; nothing to observe but the leak checker's silence
  EXPECT_EQ(out->vt, VT_EMPTY);
}

}  // namespace
}  // namespace orvane
