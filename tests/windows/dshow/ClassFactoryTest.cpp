// The class-table rules on a small COM server (dshow_test_module.dll): class objects, the factory,
// aggregation, creation failures, unloading, and registration with its clean-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <string>

#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/ModuleRegistration.h"
#include "platform/win/UniqueResource.h"
#include "tests/windows/dshow/module/TestModuleIds.h"

namespace orvane::testing {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainFunction = HRESULT(STDAPICALLTYPE*)();

std::wstring ModulePathNextToTests() {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  return path.substr(0, path.find_last_of(L'\\') + 1) + kTestModuleFileName;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return value;
}

class ClassFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    module_.reset(::LoadLibraryW(ModulePathNextToTests().c_str()));
    ASSERT_TRUE(module_) << "cannot load " << ::GetLastError();
    getClassObject_ = Export<GetClassObjectFunction>("DllGetClassObject");
    canUnloadNow_ = Export<PlainFunction>("DllCanUnloadNow");
    registerServer_ = Export<PlainFunction>("DllRegisterServer");
    unregisterServer_ = Export<PlainFunction>("DllUnregisterServer");
    ASSERT_TRUE(getClassObject_ && canUnloadNow_ && registerServer_ && unregisterServer_);
  }

  template <typename Function>
  Function Export(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
  }

  ComPtr<IClassFactory> FactoryFor(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject_(clsid, IID_IClassFactory, &factory), S_OK);
    return factory;
  }

  ComInitialization com_;
  UniqueModule module_;
  GetClassObjectFunction getClassObject_ = nullptr;
  PlainFunction canUnloadNow_ = nullptr;
  PlainFunction registerServer_ = nullptr;
  PlainFunction unregisterServer_ = nullptr;
};

TEST_F(ClassFactoryTest, GivesClassObjectsOnlyForItsClassesAndFactoryInterfaces) {
  struct Case {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
  };
  const Case cases[] = {
      {"known class, IClassFactory", &kTestModuleFilter, &IID_IClassFactory, S_OK},
      {"known class, IUnknown", &kTestModuleFilter, &IID_IUnknown, S_OK},
      {"known class, IPersist", &kTestModuleFilter, &IID_IPersist, E_NOINTERFACE},
      {"unknown class", &kTestModuleUnknown, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const Case& c : cases) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(getClassObject_(*c.clsid, *c.iid, &object), c.expected) << c.name;
    EXPECT_EQ(object != nullptr, c.expected == S_OK);
  }
  EXPECT_EQ(getClassObject_(kTestModuleFilter, IID_IClassFactory, nullptr), E_POINTER);

  const ComPtr<IClassFactory> factory = FactoryFor(kTestModuleFilter);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(factory.As(&unknown), S_OK);
  ComPtr<IPersist> persist;
  EXPECT_EQ(factory.As(&persist), E_NOINTERFACE);
  EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, CreatesObjectsAndLeavesNothingBehindOnFailure) {
  {
    const ComPtr<IClassFactory> factory = FactoryFor(kTestModuleFilter);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);

    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, kTestModuleFilter);

    ComPtr<IDispatch> unsupported;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&unsupported)), E_NOINTERFACE);

    // Aggregation: only the inner IUnknown may be asked for.
    ComPtr<IBaseFilter> refused;
    EXPECT_EQ(factory->CreateInstance(filter.Get(), IID_PPV_ARGS(&refused)), E_NOINTERFACE);
    EXPECT_EQ(refused.Get(), nullptr);
    ComPtr<IUnknown> inner;
    EXPECT_EQ(factory->CreateInstance(filter.Get(), IID_PPV_ARGS(&inner)), S_OK);
    ComPtr<IBaseFilter> innerFilter;
    ASSERT_EQ(inner.As(&innerFilter), S_OK);
    ComPtr<IUnknown> outerIdentity;
    ComPtr<IUnknown> innerIdentity;
    ASSERT_EQ(filter.As(&outerIdentity), S_OK);
    ASSERT_EQ(innerFilter.As(&innerIdentity), S_OK);
    EXPECT_EQ(innerIdentity.Get(), outerIdentity.Get()) << "the aggregated filter's identity is the outer's";

    const ComPtr<IClassFactory> failing = FactoryFor(kTestModuleFailing);
    ComPtr<IBaseFilter> none;
    EXPECT_EQ(failing->CreateInstance(nullptr, IID_PPV_ARGS(&none)), E_ACCESSDENIED);
    EXPECT_EQ(none.Get(), nullptr);
  }
  EXPECT_EQ(canUnloadNow_(), S_OK) << "failed and released objects are all gone";
}

TEST_F(ClassFactoryTest, CanUnloadOnlyWithoutObjectsAndLocks) {
  ASSERT_EQ(canUnloadNow_(), S_OK);
  ComPtr<IClassFactory> factory = FactoryFor(kTestModuleFilter);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "an object and a lock";
  filter.Reset();
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a lock";
  factory = FactoryFor(kTestModuleFilter);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the factory itself is a live object";
  factory.Reset();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

class ClassRegistrationTest : public ClassFactoryTest {
 protected:
  void TearDown() override {
    // Whatever the test did, the prefix is left without the module's registrations.
    if (unregisterServer_ != nullptr) unregisterServer_();
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kTestModuleFilter)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kTestModuleFailing)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FilterInstanceKey()));
  }

  static std::wstring ClassKey(const CLSID& clsid) { return L"CLSID\\" + GuidToRegistryString(clsid); }
  static std::wstring FilterInstanceKey() {
    return L"CLSID\\" + GuidToRegistryString(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" +
           GuidToRegistryString(kTestModuleFilter);
  }
};

TEST_F(ClassRegistrationTest, RegistersServersAndFilterAndRemovesThemAgain) {
  ASSERT_EQ(registerServer_(), S_OK);
  ASSERT_EQ(registerServer_(), S_OK) << "registering again replaces the earlier registration";

  const std::wstring modulePath = ModulePathNextToTests();
  for (const auto& [clsid, name] : {std::pair{&kTestModuleFilter, kTestModuleFilterName},
                                    std::pair{&kTestModuleFailing, kTestModuleFailingName}}) {
    const std::wstring key = ClassKey(*clsid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key, nullptr), name);
    EXPECT_EQ(_wcsicmp(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr).c_str(),
                       modulePath.c_str()), 0);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Both");
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, FilterInstanceKey())) << "listed among the DirectShow filters";
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, FilterInstanceKey(), L"FriendlyName"), kTestModuleFilterName);

  // Registered, the class is created through COM's own activation.
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(::CoCreateInstance(kTestModuleFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)), S_OK);
  filter.Reset();

  EXPECT_EQ(unregisterServer_(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kTestModuleFilter)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FilterInstanceKey()));
  EXPECT_EQ(unregisterServer_(), S_OK) << "unregistering what is gone is not an error";
}

}  // namespace
}  // namespace orvane::testing
