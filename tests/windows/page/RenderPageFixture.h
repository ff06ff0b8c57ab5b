// The fixture of the property page's tests: one installed virtual camera, the real renderer feeding
// it, the camera's own settings as a call app reads them, and the page in a frame window; with the
// helpers that play the user on the page's controls. Test thread only.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <strmif.h>

#include <string>

#include "platform/com/ComInitialization.h"
#include "platform/com/ComObject.h"
#include "platform/com/ModuleLifetime.h"
#include "platform/win/UniqueResource.h"
#include "renderer/filter/page/CRenderPropertyPage.h"
#include "renderer/filter/page/RenderPropertyPageResources.h"
#include "shared/VirtualCameraProperties.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/TestPageHost.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"

namespace orvane::testing {

inline std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

inline std::wstring ItemText(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }

inline void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

inline bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The user picks entry `index` of the fill-mode list: the selection changes and the list tells its
// dialog, as a drop-down list does.
inline void ChooseFillMode(HWND dialog, int index) {
  const HWND list = ::GetDlgItem(dialog, IDC_FILL_MODE);
  ::SendMessageW(list, CB_SETCURSEL, index, 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILL_MODE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// One installed virtual camera, the renderer feeding it, a view of the camera's own settings (another
// instance of its capture filter, as a call app has), and the page in a frame window.
class RenderPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    objectsBefore_ = ModuleLifetime::Objects();
    ASSERT_EQ(cameras_.result(), S_OK);
    ASSERT_FALSE(cameras_.devices().empty());
    ASSERT_TRUE(module_.loaded());
    ASSERT_EQ(module_.CreateRenderer(renderer_), S_OK);
    control_ = ControlOf(renderer_.Get());
    ASSERT_TRUE(control_);
    deviceFilter_ = BindDevice(cameras_.devices()[0].number);
    device_ = PropertiesOf(deviceFilter_.Get());
    ASSERT_TRUE(device_);
    frame_ = CreateFrameWindow();
    ASSERT_NE(frame_.get(), nullptr) << "no display";
    ASSERT_EQ(ComObject<CRenderPropertyPage>::Create(page_), S_OK);
    ASSERT_EQ(ComObject<RecordingPageSite>::Create(site_), S_OK);
  }

  void TearDown() override {
    if (page_) {
      if (dialog_ != nullptr) {
        EXPECT_EQ(page_->Deactivate(), S_OK);
      }
      EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
      page_->SetPageSite(nullptr);
    }
    page_.Reset();
    site_.Reset();
    EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore_) << "the page left objects alive";
  }

  // Connects the page to the renderer and shows it in the frame; returns the page's dialog.
  HWND Activate() {
    EXPECT_EQ(page_->SetPageSite(site_.Get()), S_OK);
    IUnknown* objects[] = {renderer_.Get()};
    EXPECT_EQ(page_->SetObjects(1, objects), S_OK);
    const RECT rect{0, 0, 600, 400};
    EXPECT_EQ(page_->Activate(frame_.get(), &rect, FALSE), S_OK);
    dialog_ = PageDialogIn(frame_.get());
    EXPECT_NE(::GetDlgItem(dialog_, IDC_SNAPSHOT), nullptr);
    return dialog_;
  }

  template <typename T>
  T DeviceProperty(uint32_t id) {
    T value{};
    EXPECT_EQ(GetProperty(device_.Get(), id, value), S_OK) << "property " << id;
    return value;
  }

  ComInitialization com_;
  long objectsBefore_ = 0;
  InstalledCameras cameras_{1};
  RendererModule module_;  // loaded as the application loads it
  ComPtr<IBaseFilter> renderer_;
  ComPtr<INimbRenderer> control_;
  ComPtr<IBaseFilter> deviceFilter_;
  ComPtr<IKsPropertySet> device_;
  UniqueWindow frame_;
  ComPtr<ComObject<CRenderPropertyPage>> page_;
  ComPtr<ComObject<RecordingPageSite>> site_;
  HWND dialog_ = nullptr;
};

}  // namespace orvane::testing
