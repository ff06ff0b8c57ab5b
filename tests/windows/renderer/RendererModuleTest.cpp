// NimbRenderer.ax as a COM server: its class objects and factory rules, when it may unload, the
// filter's identity and interfaces, the property page the module carries, registration (both class
// keys, the filter in the DirectShow filter category) and unregistration, and its version resource.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <string>

#include "OrvaneVersion.h"
#include "platform/dshow/ModuleRegistration.h"
#include "platform/win/UniqueResource.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"

namespace orvane::testing {
namespace {

// {9E1C2B7A-0000-4F00-8000-00AA00BB00CC}: no class of the module.
constexpr CLSID kUnknownClsid = {0x9E1C2B7A, 0x0000, 0x4F00, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};

bool KeyExists(const std::wstring& path) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return value;
}

std::wstring ClassKey(const CLSID& clsid) { return L"CLSID\\" + GuidToRegistryString(clsid); }

std::wstring CategoryEntry() {
  return ClassKey(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" + GuidToRegistryString(CLSID_NimbRenderer);
}

// Whether the filter mapper offers a renderer for video of `subtype` at `merit` or above.
bool MapperFindsRenderer(const GUID& subtype, DWORD merit) {
  ComPtr<IFilterMapper2> mapper;
  EXPECT_EQ(::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)), S_OK);
  const GUID types[] = {MEDIATYPE_Video, subtype};
  ComPtr<IEnumMoniker> found;
  if (!mapper || FAILED(mapper->EnumMatchingFilters(&found, 0, FALSE, merit, TRUE, 1, types, nullptr, nullptr, TRUE,
                                                    FALSE, 0, nullptr, nullptr, nullptr)) || !found) {
    return false;
  }
  ComPtr<IMoniker> moniker;
  while (found->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) continue;
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    if (SUCCEEDED(bag->Read(L"CLSID", &value, nullptr)) && value.vt == VT_BSTR) {
      const bool ours = GuidToRegistryString(CLSID_NimbRenderer) == value.bstrVal;
      ::VariantClear(&value);
      if (ours) return true;
    }
  }
  return false;
}

class NimbRendererModule : public RendererTest {};

TEST_F(NimbRendererModule, ClassObjectsAndTheFactoryFollowTheRules) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(module_.GetClassObject(CLSID_NimbRenderer, IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(module_.GetClassObject(CLSID_NimbRendererPropertyPage, IID_PPV_ARGS(&unknown)), S_OK);
  ComPtr<IPersist> persist;
  EXPECT_EQ(module_.GetClassObject(CLSID_NimbRenderer, IID_PPV_ARGS(&persist)), E_NOINTERFACE);
  EXPECT_EQ(module_.GetClassObject(kUnknownClsid, IID_PPV_ARGS(&unknown)), CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_TRUE(factory);

  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);
  // Any object will do as the outer one: the request is refused before anything is made.
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_PPV_ARGS(&filter)), E_NOINTERFACE) << "aggregated: IUnknown only";
  EXPECT_FALSE(filter);
  factory.Reset();
  unknown.Reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "a refused creation leaves nothing behind";

  ASSERT_EQ(module_.CreateRenderer(filter), S_OK);
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "a renderer is alive";
  filter.Reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
  ASSERT_EQ(module_.GetClassObject(CLSID_NimbRenderer, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "the server is locked";
  ASSERT_EQ(module_.GetClassObject(CLSID_NimbRenderer, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
}

// Identity, pin and interfaces of the filter, and the property page it names, created from this
// module with its dialog and title.
TEST_F(NimbRendererModule, FilterIdentityInterfacesAndItsPage) {
  const InstalledCameras devices(1);
  ASSERT_EQ(devices.result(), S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(module_.CreateRenderer(filter), S_OK);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_NimbRenderer);
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(filter->EnumPins(&pins), S_OK);
  ComPtr<IPin> pin;
  ASSERT_EQ(pins->Next(1, &pin, nullptr), S_OK);
  PIN_DIRECTION direction;
  EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_INPUT);
  ComPtr<IPin> more;
  EXPECT_EQ(pins->Next(1, &more, nullptr), S_FALSE) << "one pin";

  ComPtr<INimbRenderer> control;
  ASSERT_EQ(filter.As(&control), S_OK);
  ComPtr<IUnknown> fromFilter, fromControl;
  filter.As(&fromFilter);
  control.As(&fromControl);
  EXPECT_EQ(fromFilter.Get(), fromControl.Get()) << "one object";
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaPosition> position;
  ComPtr<IAMovieSetup> setup;
  ComPtr<IAMFilterMiscFlags> flags;
  EXPECT_EQ(filter.As(&seeking), S_OK);
  EXPECT_EQ(filter.As(&position), S_OK);
  EXPECT_EQ(filter.As(&setup), S_OK);
  ASSERT_EQ(filter.As(&flags), S_OK);
  EXPECT_EQ(flags->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER));

  ComPtr<ISpecifyPropertyPages> specify;
  ASSERT_EQ(filter.As(&specify), S_OK);
  EXPECT_EQ(specify->GetPages(nullptr), E_POINTER);
  CAUUID pages{};
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_NimbRendererPropertyPage);
  ::CoTaskMemFree(pages.pElems);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(module_.GetClassObject(CLSID_NimbRendererPropertyPage, IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&page)), S_OK);
  PROPPAGEINFO info{};
  info.cb = sizeof info;
  ASSERT_EQ(page->GetPageInfo(&info), S_OK) << "the page's dialog and title are in the module";
  EXPECT_STREQ(info.pszTitle, L"Properties");
  EXPECT_GT(info.size.cx, 0);
  ::CoTaskMemFree(info.pszTitle);
  ::CoTaskMemFree(info.pszDocString);
  ::CoTaskMemFree(info.pszHelpFile);
}

// Unregisters at the end whatever the test left registered: a renderer of normal merit in the filter
// category would take part in every other graph of the prefix.
struct RegistrationGuard {
  const RendererModule& module;
  ~RegistrationGuard() { module.Unregister(); }
};

TEST_F(NimbRendererModule, RegistersBothClassesAndTheFilterAndRemovesThemAgain) {
  const RegistrationGuard guard{module_};
  ASSERT_EQ(module_.Unregister(), S_OK) << "nothing registered is not an error";
  ASSERT_EQ(module_.Register(), S_OK);
  const std::wstring path = ProgramFolder() + L"NimbRenderer.ax";
  for (const CLSID* clsid : {&CLSID_NimbRenderer, &CLSID_NimbRendererPropertyPage}) {
    const std::wstring key = ClassKey(*clsid);
    EXPECT_EQ(_wcsicmp(ReadString(key + L"\\InprocServer32", nullptr).c_str(), path.c_str()), 0)
        << std::string(path.begin(), path.end());
    EXPECT_EQ(ReadString(key + L"\\InprocServer32", L"ThreadingModel"), L"Both");
  }
  EXPECT_EQ(ReadString(ClassKey(CLSID_NimbRenderer), nullptr), L"Nimb Renderer");
  EXPECT_EQ(ReadString(ClassKey(CLSID_NimbRendererPropertyPage), nullptr), L"Property Pages");
  EXPECT_EQ(ReadString(CategoryEntry(), L"FriendlyName"), L"Nimb Renderer");
  EXPECT_TRUE(MapperFindsRenderer(MEDIASUBTYPE_NV12, MERIT_NORMAL)) << "a renderer of NV12 at normal merit";
  EXPECT_TRUE(MapperFindsRenderer(MEDIASUBTYPE_RGB24, MERIT_NORMAL));
  EXPECT_FALSE(MapperFindsRenderer(MEDIASUBTYPE_RGB24, MERIT_NORMAL + 1));
  EXPECT_FALSE(MapperFindsRenderer(MEDIASUBTYPE_MJPG, MERIT_NORMAL));
  {
    ComPtr<IBaseFilter> created;
    EXPECT_EQ(::CoCreateInstance(CLSID_NimbRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created)), S_OK)
        << "creatable through its registration";
  }

  EXPECT_EQ(module_.Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(ClassKey(CLSID_NimbRenderer)));
  EXPECT_FALSE(KeyExists(ClassKey(CLSID_NimbRendererPropertyPage)));
  EXPECT_FALSE(KeyExists(CategoryEntry()));
  EXPECT_FALSE(MapperFindsRenderer(MEDIASUBTYPE_NV12, MERIT_DO_NOT_USE));
  EXPECT_EQ(module_.Unregister(), S_OK) << "again: nothing left to remove";
  ::CoFreeUnusedLibraries();
}

TEST_F(NimbRendererModule, VersionResourceCarriesTheProjectVersion) {
  const std::wstring path = ProgramFolder() + L"NimbRenderer.ax";
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), ORVANE_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), ORVANE_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), ORVANE_VERSION_PATCH);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), ORVANE_VERSION_BUILD);
  wchar_t* text = nullptr;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, L"" ORVANE_VERSION_TEXT);
}

}  // namespace
}  // namespace orvane::testing
