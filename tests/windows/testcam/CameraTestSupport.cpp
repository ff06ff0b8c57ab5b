#include "tests/windows/testcam/CameraTestSupport.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include "platform/com/Variant.h"
#include "platform/dshow/ModuleRegistration.h"
#include "tools/testcam/TestCamIds.h"

namespace orvane::testing {
namespace {

using ExportFunction = HRESULT(STDAPICALLTYPE*)();

std::wstring ModulePath() {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + TESTCAM_PROGRAM_FOLDER + L"\\" + testcam::kModuleFileName;
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

HRESULT CallExport(HMODULE module, const char* name) {
  const auto function = reinterpret_cast<ExportFunction>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return function != nullptr ? function() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

void WriteDword(const std::wstring& key, const wchar_t* name, DWORD value) {
  EXPECT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

std::wstring CameraKey(int camera) { return std::wstring(testcam::kSettingsKey) + L"\\" + std::to_wstring(camera); }

}  // namespace

CameraRegistration::CameraRegistration(const std::vector<CameraConfig>& cameras) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, testcam::kSettingsKey);
  WriteDword(testcam::kSettingsKey, L"Count", static_cast<DWORD>(cameras.size()));
  for (size_t i = 0; i < cameras.size(); ++i) {
    const std::wstring key = CameraKey(static_cast<int>(i));
    const CameraConfig& camera = cameras[i];
    if (!camera.friendlyName.empty()) {
      const auto bytes = static_cast<DWORD>((camera.friendlyName.size() + 1) * sizeof(wchar_t));
      EXPECT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"FriendlyName", REG_SZ, camera.friendlyName.c_str(),
                                  bytes), ERROR_SUCCESS);
    }
    if (!camera.formats.empty()) {
      std::wstring list;
      for (const std::wstring& format : camera.formats) list += format + L'\0';
      list += L'\0';
      EXPECT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Formats", REG_MULTI_SZ, list.data(),
                                  static_cast<DWORD>(list.size() * sizeof(wchar_t))), ERROR_SUCCESS);
    }
    WriteDword(key, L"CameraControl", camera.cameraControl ? 1 : 0);
    WriteDword(key, L"PropertyPages", camera.propertyPages ? 1 : 0);
  }
  module_.reset(::LoadLibraryW(ModulePath().c_str()));
  EXPECT_TRUE(module_) << "cannot load the synthetic webcam: " << ::GetLastError();
  if (module_) registered_ = CallExport(module_.get(), "DllRegisterServer");
}

CameraRegistration::~CameraRegistration() {
  if (module_) {
    EXPECT_EQ(Unregister(), S_OK);
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, testcam::kSettingsKey);
}

HRESULT CameraRegistration::Unregister() { return CallExport(module_.get(), "DllUnregisterServer"); }
HRESULT CameraRegistration::CanUnloadNow() { return CallExport(module_.get(), "DllCanUnloadNow"); }

void CameraRegistration::SetBusy(int camera, bool busy) { WriteDword(CameraKey(camera), L"Busy", busy ? 1 : 0); }
void CameraRegistration::SetFault(int camera, DWORD fault) { WriteDword(CameraKey(camera), L"Fault", fault); }

std::vector<ListedCamera> ListTestCameras() {
  std::vector<ListedCamera> cameras;
  ComPtr<ICreateDevEnum> devices;
  EXPECT_EQ(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&devices)), S_OK);
  ComPtr<IEnumMoniker> monikers;
  if (!devices || devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK) return cameras;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) continue;
    ListedCamera camera;
    Variant value;
    if (SUCCEEDED(bag->Read(L"FriendlyName", value.put(), nullptr)) && value.get().vt == VT_BSTR) {
      camera.friendlyName = value.get().bstrVal;
    }
    if (SUCCEEDED(bag->Read(L"DevicePath", value.put(), nullptr)) && value.get().vt == VT_BSTR) {
      camera.devicePath = value.get().bstrVal;
    }
    if (camera.devicePath.find(L"#testcam_") == std::wstring::npos) continue;
    camera.moniker = moniker;
    cameras.push_back(std::move(camera));
  }
  return cameras;
}

bool AnyTestCameraEntryLeft() {
  const std::wstring path = L"CLSID\\" + GuidToRegistryString(CLSID_VideoInputDeviceCategory) + L"\\Instance";
  UniqueRegKey instances;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, instances.put()) != ERROR_SUCCESS) return false;
  const std::wstring ours = GuidToRegistryString(testcam::kCameraClsid);
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (::RegEnumKeyExW(instances.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    wchar_t clsid[64] = {};
    DWORD bytes = sizeof clsid - sizeof(wchar_t);
    if (::RegGetValueW(instances.get(), name, L"CLSID", RRF_RT_REG_SZ, nullptr, clsid, &bytes) == ERROR_SUCCESS &&
        _wcsicmp(clsid, ours.c_str()) == 0) {
      return true;
    }
  }
}

ComPtr<IBaseFilter> BindCamera(const ListedCamera& camera) {
  ComPtr<IBindCtx> context;
  EXPECT_EQ(::CreateBindCtx(0, &context), S_OK);
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(camera.moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&filter)), S_OK);
  return filter;
}

ComPtr<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter) {
  ComPtr<ICaptureGraphBuilder2> builder;
  EXPECT_EQ(::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder)),
            S_OK);
  ComPtr<IAMStreamConfig> config;
  if (builder) {
    EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter, IID_IAMStreamConfig,
                                     reinterpret_cast<void**>(config.ReleaseAndGetAddressOf())),
              S_OK);
  }
  return config;
}

HRESULT DecodeJpeg(const std::vector<BYTE>& jpeg, std::vector<BYTE>& bgr, int& width, int& height, int& stride) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(&stream);
  if (FAILED(hr)) return hr;
  hr = stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()), static_cast<DWORD>(jpeg.size()));
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatJpeg, WICDecodeMetadataCacheOnDemand,
                                        &decoder);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameDecode> frame;
  hr = decoder->GetFrame(0, &frame);
  if (FAILED(hr)) return hr;
  ComPtr<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(&converter);
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                             WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hr;
  UINT w = 0, h = 0;
  hr = converter->GetSize(&w, &h);
  if (FAILED(hr)) return hr;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  stride = (width * 3 + 3) & ~3;
  bgr.resize(static_cast<size_t>(stride) * h);
  return converter->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(bgr.size()), bgr.data());
}

}  // namespace orvane::testing
