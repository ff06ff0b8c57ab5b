// The classes of dshow_test_module.dll, the small COM server on which the class-table rules are
// tested. Shared by the module and its tests.
#pragma once

#include <guiddef.h>

namespace orvane::testing {

// A renderer filter with registration data (merit MERIT_DO_NOT_USE, so that registering it never
// changes which filters other graphs pick).
// {7C3E5A10-2B4D-4E6F-8A1B-3C5D7E9F1A01}
inline constexpr CLSID kTestModuleFilter = {0x7C3E5A10, 0x2B4D, 0x4E6F, {0x8A, 0x1B, 0x3C, 0x5D, 0x7E, 0x9F, 0x1A, 0x01}};
// A filter whose creation fails after construction (FinalConstruct answers E_ACCESSDENIED).
// {7C3E5A10-2B4D-4E6F-8A1B-3C5D7E9F1A02}
inline constexpr CLSID kTestModuleFailing = {0x7C3E5A10, 0x2B4D, 0x4E6F, {0x8A, 0x1B, 0x3C, 0x5D, 0x7E, 0x9F, 0x1A, 0x02}};
// {7C3E5A10-2B4D-4E6F-8A1B-3C5D7E9F1A03}: in no table.
inline constexpr CLSID kTestModuleUnknown = {0x7C3E5A10, 0x2B4D, 0x4E6F, {0x8A, 0x1B, 0x3C, 0x5D, 0x7E, 0x9F, 0x1A, 0x03}};

inline constexpr wchar_t kTestModuleFilterName[] = L"Orvane Test Module Filter";
inline constexpr wchar_t kTestModuleFailingName[] = L"Orvane Test Module Failing Object";
inline constexpr wchar_t kTestModuleFileName[] = L"dshow_test_module.dll";

}  // namespace orvane::testing
