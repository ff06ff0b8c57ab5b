#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <objbase.h>

#include <string>

#include "platform/com/ComPtr.h"
#include "shared/INimbRenderer.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane {
namespace {

std::wstring RegistryForm(const GUID& id) {
  wchar_t text[40] = {};
  EXPECT_EQ(::StringFromGUID2(id, text, 40), 39);
  return text;
}

// The identifiers are the contract with the device and with other modules: one wrong byte and nothing
// finds anything. Checked against their published text form.
TEST(ContractIds, MatchTheirRegistryForm) {
  EXPECT_EQ(RegistryForm(VirtualCameraPropertySet), L"{D8518491-D98A-4456-8FE7-A02FEAE4CB1C}");
  EXPECT_EQ(RegistryForm(IID_INimbRenderer), L"{1393B495-6FBB-4EDE-8147-F0A0C413B741}");
  EXPECT_EQ(RegistryForm(__uuidof(INimbRenderer)), L"{1393B495-6FBB-4EDE-8147-F0A0C413B741}");
  EXPECT_EQ(RegistryForm(CLSID_NimbRenderer), L"{2A1522B3-5D39-4357-99DB-75F6F2280EC1}");
  EXPECT_EQ(RegistryForm(CLSID_NimbRendererPropertyPage), L"{2DE6E7F9-E40A-48B9-A1B3-D2F9E092A54A}");
}

TEST(ComPtr, HoldsAndQueriesSystemObjects) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&graph)),
              S_OK);
    ComPtr<IMediaControl> control;
    EXPECT_EQ(graph.As(&control), S_OK);
    ComPtr<INimbRenderer> renderer;
    EXPECT_EQ(graph.As(&renderer), E_NOINTERFACE);
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace orvane
