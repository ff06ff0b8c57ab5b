#include "tests/windows/graph/GraphTestSupport.h"

#include <dvdmedia.h>

#include "platform/dshow/MediaType.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {

OwnerWindow::OwnerWindow()
    : window_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
      message_(::RegisterWindowMessageW(L"OrvaneGraphTestOwner")) {
  EXPECT_NE(window_, nullptr);
}

OwnerWindow::~OwnerWindow() {
  if (window_ != nullptr) ::DestroyWindow(window_);
}

std::vector<OwnerPost> OwnerWindow::Collect(size_t count, DWORD timeoutMs) {
  std::vector<OwnerPost> posts;
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (posts.size() < count) {
    MSG message;
    while (posts.size() < count && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == window_ && message.message == message_) {
        posts.emplace_back(message.wParam, message.lParam);
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (posts.size() >= count || now >= end) break;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
  return posts;
}

DeviceRecord FirstTestCamera() {
  std::vector<ListedCamera> cameras = ListTestCameras();
  DeviceRecord record;
  if (cameras.empty()) return record;
  record.friendlyName = cameras.front().friendlyName;
  record.devicePath = cameras.front().devicePath;
  record.moniker = cameras.front().moniker;
  return record;
}

bool CurrentPinFormat(IBaseFilter* camera, PinFormat& format) {
  const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera);
  AM_MEDIA_TYPE* raw = nullptr;
  if (!config || FAILED(config->GetFormat(&raw)) || raw == nullptr) return false;
  const UniqueMediaTypePtr type(raw);
  format.subtype = type->subtype;
  if (type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* header = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    format.width = header->bmiHeader.biWidth;
    format.height = header->bmiHeader.biHeight;
    format.averageTimePerFrame = header->AvgTimePerFrame;
    return true;
  }
  return false;
}

void RemoveGraphSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kGraphSettingsKey); }

void WriteStoredFormat(const wchar_t* subtype, DWORD width, DWORD height, DWORD fps) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kGraphSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, L"cap_format", 0, REG_SZ, reinterpret_cast<const BYTE*>(subtype),
                   static_cast<DWORD>((wcslen(subtype) + 1) * sizeof(wchar_t)));
  const std::pair<const wchar_t*, DWORD> numbers[] = {{L"cap_width", width}, {L"cap_height", height}, {L"cap_fps", fps}};
  for (const auto& [name, value] : numbers) {
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  ::RegCloseKey(key);
}

void GraphEngineTest::SetUp() {
  ASSERT_TRUE(com_.ok());
  ASSERT_TRUE(module_.loaded());
  ASSERT_EQ(devices_.result(), S_OK);
  RemoveGraphSettings();
  ASSERT_EQ(module_.CreateRenderer(renderer_), S_OK);
  render_ = std::make_unique<CDSRender>(kGraphSettingsKey);
  render_->SetRenderer(renderer_.Get());
}

HRESULT GraphEngineTest::RegisterWebcams(const std::vector<CameraConfig>& cameras) {
  if (render_) render_->Cleanup();
  webcams_.reset();
  webcams_ = std::make_unique<CameraRegistration>(cameras);
  return webcams_->registered();
}

void GraphEngineTest::TearDown() {
  if (render_) render_->Cleanup();
  render_.reset();
  webcams_.reset();
  renderer_.Reset();
  RemoveGraphSettings();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "objects of the renderer module are still alive";
}

}  // namespace orvane::testing
