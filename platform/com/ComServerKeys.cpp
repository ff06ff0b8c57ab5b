#include "platform/com/ComServerKeys.h"

#include <objbase.h>

#include "platform/win/RegistryKey.h"
#include "platform/win/WindowsError.h"

namespace orvane {
namespace {

struct ClassKeys {
  HKEY root;
  std::wstring path;
};

ClassKeys ClassKeyOf(ClassesRoot root, const GUID& clsid) {
  if (root == ClassesRoot::Machine) {
    return {HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + GuidToRegistryString(clsid)};
  }
  return {HKEY_CLASSES_ROOT, L"CLSID\\" + GuidToRegistryString(clsid)};
}

}  // namespace

std::wstring GuidToRegistryString(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT RegisterInprocServer(ClassesRoot root, const GUID& clsid, std::wstring_view className,
                             std::wstring_view modulePath) {
  const ClassKeys keys = ClassKeyOf(root, clsid);
  const std::wstring server = keys.path + L"\\InprocServer32";
  HRESULT hr = ResultFromStatus(registry::WriteTextAt(keys.root, keys.path, nullptr, className));
  if (SUCCEEDED(hr)) hr = ResultFromStatus(registry::WriteTextAt(keys.root, server, nullptr, modulePath));
  if (SUCCEEDED(hr)) hr = ResultFromStatus(registry::WriteTextAt(keys.root, server, L"ThreadingModel", L"Both"));
  return hr;
}

HRESULT UnregisterInprocServer(ClassesRoot root, const GUID& clsid) {
  const ClassKeys keys = ClassKeyOf(root, clsid);
  return ResultFromStatus(registry::DeleteKeyTree(keys.root, keys.path));
}

}  // namespace orvane
