#include "tools/testcam/CameraSettings.h"

#include <windows.h>

#include <algorithm>

#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"
#include "tools/testcam/TestCamIds.h"

namespace orvane::testcam {
namespace {

std::wstring CameraKey(int index) { return std::wstring(kSettingsKey) + L"\\" + std::to_wstring(index); }

bool ReadDword(const std::wstring& key, const wchar_t* name, DWORD& value) {
  DWORD size = sizeof value;
  return ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
         ERROR_SUCCESS;
}

bool ReadText(const std::wstring& key, const wchar_t* name, DWORD type, std::wstring& text) {
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, type, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, type, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(bytes / sizeof(wchar_t));
  text = std::move(buffer);
  return true;
}

std::vector<CameraFormat> ParseFormats(const std::wstring& list) {
  std::vector<CameraFormat> formats;
  size_t start = 0;
  while (start < list.size()) {
    const size_t end = list.find(L'\0', start);
    const std::wstring entry = list.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!entry.empty()) {
      if (const std::optional<std::string> text = WideToUtf8(entry)) {
        if (const std::optional<CameraFormat> format = ParseCameraFormat(*text)) formats.push_back(*format);
      }
    }
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return formats;
}

}  // namespace

std::wstring InstanceNameOf(int index) { return L"OrvaneTestCamera" + std::to_wstring(index); }

int ConfiguredCameraCount() {
  DWORD count = 1;
  ReadDword(kSettingsKey, L"Count", count);
  return static_cast<int>(std::clamp<DWORD>(count, 1, kMaxCameras));
}

CameraSettings ReadCameraSettings(int index) {
  CameraSettings settings;
  settings.index = index;
  settings.devicePath = DevicePathOf(index);
  const std::wstring key = CameraKey(index);
  if (!ReadText(key, L"FriendlyName", RRF_RT_REG_SZ, settings.friendlyName) || settings.friendlyName.empty()) {
    settings.friendlyName = index == 0 ? L"Orvane Test Camera" : L"Orvane Test Camera " + std::to_wstring(index + 1);
  }
  std::wstring formats;
  settings.formats = ReadText(key, L"Formats", RRF_RT_REG_MULTI_SZ, formats) ? ParseFormats(formats)
                                                                              : DefaultCameraFormats();
  DWORD flag = 1;
  if (ReadDword(key, L"CameraControl", flag)) settings.cameraControl = flag != 0;
  flag = 1;
  if (ReadDword(key, L"PropertyPages", flag)) settings.propertyPages = flag != 0;
  return settings;
}

bool IsCameraBusy(int index) {
  DWORD busy = 0;
  return ReadDword(CameraKey(index), L"Busy", busy) && busy != 0;
}

CameraFault FaultOf(int index) {
  DWORD fault = 0;
  ReadDword(CameraKey(index), L"Fault", fault);
  return fault == 1 || fault == 2 ? static_cast<CameraFault>(fault) : CameraFault::None;
}

}  // namespace orvane::testcam
