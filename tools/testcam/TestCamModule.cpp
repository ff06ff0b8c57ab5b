// TestCam.ax: the class table (camera filter and its two pages) and the registration of the
// configured cameras in the video input category, as a USB camera's driver would list them.
#include <windows.h>
#include <dshow.h>

#include <vector>

#include "platform/com/ComInitialization.h"
#include "platform/com/Variant.h"
#include "platform/dshow/ComServerModule.h"
#include "platform/dshow/ModuleRegistration.h"
#include "platform/win/UniqueResource.h"
#include "tools/testcam/CameraControlPage.h"
#include "tools/testcam/CameraSettings.h"
#include "tools/testcam/FormatPage.h"
#include "tools/testcam/TestCamIds.h"
#include "tools/testcam/TestCamera.h"

namespace orvane::testcam {
namespace {

const REGPINTYPES kCaptureTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}, {&MEDIATYPE_Video, &MEDIASUBTYPE_NV12},
                                     {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}, {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
                                     {&MEDIATYPE_Video, &MEDIASUBTYPE_MJPG}};
const FilterPinRegistration kCapturePin[] = {
    {L"Capture", REG_PINFLAG_B_OUTPUT, 1, kCaptureTypes, &PIN_CATEGORY_CAPTURE}};
// Capture devices are found through their category, never picked by intelligent connect.
const FilterRegistration kCameraRegistration = {MERIT_DO_NOT_USE, kCapturePin};

const ClassEntry kClasses[] = {
    {L"Orvane Test Camera", &kCameraClsid, &CreateComInstance<TestCamera>},
    {L"Orvane Test Camera Control Page", &kCameraControlPageClsid, &CreateComInstance<CameraControlPage>},
    {L"Orvane Test Camera Format Page", &kFormatPageClsid, &CreateComInstance<FormatPage>},
};

// The instance names of every camera of this module listed in the video input category.
std::vector<std::wstring> RegisteredInstances() {
  std::vector<std::wstring> names;
  const std::wstring path = L"CLSID\\" + GuidToRegistryString(CLSID_VideoInputDeviceCategory) + L"\\Instance";
  UniqueRegKey instances;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, instances.put()) != ERROR_SUCCESS) return names;
  const std::wstring ours = GuidToRegistryString(kCameraClsid);
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (::RegEnumKeyExW(instances.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    wchar_t clsid[64] = {};
    DWORD bytes = sizeof clsid - sizeof(wchar_t);
    if (::RegGetValueW(instances.get(), name, L"CLSID", RRF_RT_REG_SZ, nullptr, clsid, &bytes) == ERROR_SUCCESS &&
        _wcsicmp(clsid, ours.c_str()) == 0) {
      names.emplace_back(name);
    }
  }
  return names;
}

HRESULT UnregisterCameras() {
  const ComInitialization com;
  if (!com.ok()) return com.result();
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  for (const std::wstring& name : RegisteredInstances()) {
    hr = UnregisterFilterFromCategory(*mapper.Get(), kCameraClsid, CLSID_VideoInputDeviceCategory, name.c_str());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT WriteBagValue(IPropertyBag& bag, const wchar_t* name, VARIANT& value) { return bag.Write(name, &value); }

HRESULT RegisterCameras() {
  // Cameras of an earlier registration that the settings no longer list disappear.
  HRESULT hr = UnregisterCameras();
  if (FAILED(hr)) return hr;
  const ComInitialization com;
  if (!com.ok()) return com.result();
  ComPtr<IFilterMapper2> mapper;
  hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  const ClassEntry camera{kClasses[0].name, &kCameraClsid, kClasses[0].create, &kCameraRegistration};
  for (int index = 0; index < ConfiguredCameraCount(); ++index) {
    const CameraSettings settings = ReadCameraSettings(index);
    ComPtr<IMoniker> moniker;
    hr = RegisterFilterInCategory(*mapper.Get(), camera, CLSID_VideoInputDeviceCategory,
                                  InstanceNameOf(index).c_str(), settings.friendlyName.c_str(), &moniker);
    if (FAILED(hr)) return hr;
    ComPtr<IPropertyBag> bag;
    hr = moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag));
    if (FAILED(hr)) return hr;
    Variant path;
    path.get().vt = VT_BSTR;
    path.get().bstrVal = ::SysAllocString(settings.devicePath.c_str());
    if (path.get().bstrVal == nullptr) return E_OUTOFMEMORY;
    hr = WriteBagValue(*bag.Get(), L"DevicePath", path.get());
    if (FAILED(hr)) return hr;
    Variant number;
    number.get().vt = VT_I4;
    number.get().lVal = index;
    hr = WriteBagValue(*bag.Get(), L"CameraIndex", number.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace
}  // namespace orvane::testcam

const orvane::ComServerDefinition& orvane::ThisComServer() {
  static const ComServerDefinition server{testcam::kClasses, &testcam::RegisterCameras, &testcam::UnregisterCameras};
  return server;
}
