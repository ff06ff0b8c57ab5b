// The synthetic webcam's property pages, created through COM as a property frame creates them: the
// filter's camera-control page and the capture pin's format page, driven through their controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include "platform/com/ComInitialization.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "tests/windows/dshow/support/TestPageHost.h"
#include "tests/windows/testcam/CameraTestSupport.h"
#include "tools/testcam/FormatPage.h"
#include "tools/testcam/TestCamIds.h"
#include "tools/testcam/TestCamResources.h"

namespace orvane::testing {
namespace {

class TestCameraPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    registration_ = std::make_unique<CameraRegistration>(
        std::vector<CameraConfig>{{L"", {L"YUY2 640x480@30", L"NV12 320x240@30"}}});
    ASSERT_EQ(registration_->registered(), S_OK);
    const std::vector<ListedCamera> cameras = ListTestCameras();
    ASSERT_EQ(cameras.size(), 1u);
    camera_ = BindCamera(cameras[0]);
    ASSERT_TRUE(camera_);
    config_ = StreamConfigOf(camera_.Get());
    ASSERT_TRUE(config_);
    frame_ = CreateFrameWindow();
    ASSERT_TRUE(frame_) << "no display";
    ASSERT_EQ(ComObject<RecordingPageSite>::Create(site_), S_OK);
  }

  void TearDown() override {
    page_.Reset();
    config_.Reset();
    camera_.Reset();
    frame_.reset();
    registration_.reset();
  }

  // The page `clsid` of `object`, created through COM and shown inside the frame.
  HWND ShowPage(const CLSID& clsid, IUnknown* object) {
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page_)), S_OK);
    if (!page_) return nullptr;
    EXPECT_EQ(page_->SetPageSite(site_.Get()), S_OK);
    IUnknown* objects[] = {object};
    EXPECT_EQ(page_->SetObjects(1, objects), S_OK);
    PROPPAGEINFO info{};
    EXPECT_EQ(page_->GetPageInfo(&info), S_OK);
    const UniqueCoTaskMem<OLECHAR> title(info.pszTitle);
    const RECT rect{0, 0, info.size.cx, info.size.cy};
    EXPECT_EQ(page_->Activate(frame_.get(), &rect, TRUE), S_OK);
    return PageDialogIn(frame_.get());
  }

  void ClosePage() {
    EXPECT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page_->SetPageSite(nullptr), S_OK);
  }

  ComInitialization com_;
  std::unique_ptr<CameraRegistration> registration_;
  ComPtr<IBaseFilter> camera_;
  ComPtr<IAMStreamConfig> config_;
  UniqueWindow frame_;
  ComPtr<ComObject<RecordingPageSite>> site_;
  ComPtr<IPropertyPage> page_;
};

TEST_F(TestCameraPagesTest, FilterAndPinNameTheirPages) {
  struct Case {
    const char* holder;
    ComPtr<ISpecifyPropertyPages> pages;
    CLSID expected;
  };
  Case cases[] = {{"filter", nullptr, testcam::kCameraControlPageClsid}, {"pin", nullptr, testcam::kFormatPageClsid}};
  ASSERT_EQ(camera_.As(&cases[0].pages), S_OK);
  ASSERT_EQ(config_.As(&cases[1].pages), S_OK);
  for (Case& c : cases) {
    CAUUID list{};
    ASSERT_EQ(c.pages->GetPages(&list), S_OK) << c.holder;
    const UniqueCoTaskMem<GUID> elements(list.pElems);
    ASSERT_EQ(list.cElems, 1u) << c.holder;
    EXPECT_EQ(list.pElems[0], c.expected) << c.holder;
    EXPECT_EQ(c.pages->GetPages(nullptr), E_POINTER) << c.holder;
  }
}

TEST_F(TestCameraPagesTest, FormatPageSetsTheChosenFormat) {
  const HWND dialog = ShowPage(testcam::kFormatPageClsid, config_.Get());
  ASSERT_NE(dialog, nullptr);
  const HWND list = ::GetDlgItem(dialog, IDC_FORMAT_LIST);
  ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 0) << "the current format is selected";

  const LRESULT item = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"NV12 320 x 240, 30.00 fps"));
  ASSERT_NE(item, LB_ERR);
  ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FORMAT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(page_->IsPageDirty(), S_OK);
  ASSERT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  ClosePage();

  AM_MEDIA_TYPE* raw = nullptr;
  ASSERT_EQ(config_->GetFormat(&raw), S_OK);
  const UniqueMediaTypePtr format(raw);
  EXPECT_EQ(format->subtype, MEDIASUBTYPE_NV12);
  EXPECT_EQ(BitmapHeaderOf(*format)->biWidth, 320);
}

TEST_F(TestCameraPagesTest, CameraControlPageSnapsToStepsAndApplies) {
  const HWND dialog = ShowPage(testcam::kCameraControlPageClsid, camera_.Get());
  ASSERT_NE(dialog, nullptr);
  const HWND zoom = ::GetDlgItem(dialog, IDC_ZOOM);
  EXPECT_EQ(::SendMessageW(zoom, TBM_GETRANGEMIN, 0, 0), 100);
  EXPECT_EQ(::SendMessageW(zoom, TBM_GETRANGEMAX, 0, 0), 400);
  EXPECT_EQ(::SendMessageW(zoom, TBM_GETPOS, 0, 0), 100);

  // A drag that ends between two steps lands on the nearer one.
  ::SendMessageW(zoom, TBM_SETPOS, TRUE, 253);
  ::SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 253), reinterpret_cast<LPARAM>(zoom));
  EXPECT_EQ(::SendMessageW(zoom, TBM_GETPOS, 0, 0), 250);
  EXPECT_EQ(page_->IsPageDirty(), S_OK);
  ASSERT_EQ(page_->Apply(), S_OK);
  ClosePage();

  ComPtr<IAMCameraControl> control;
  ASSERT_EQ(camera_.As(&control), S_OK);
  long value = 0, flags = 0;
  ASSERT_EQ(control->Get(CameraControl_Zoom, &value, &flags), S_OK);
  EXPECT_EQ(value, 250);
}

}  // namespace
}  // namespace orvane::testing
