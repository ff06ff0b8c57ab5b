// The property page base on a real dialog: page information, site notifications, activation as a
// child of a frame window, messages, apply, and the state preconditions.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "platform/com/ComInitialization.h"
#include "platform/com/ModuleLifetime.h"
#include "platform/dshow/PropertyPageBase.h"
#include "platform/win/UniqueResource.h"
#include "tests/windows/dshow/PropertyPageTestResources.h"
#include "tests/windows/dshow/support/TestPageHost.h"

namespace orvane::testing {
namespace {

// Edits an IPersist object: remembers it, turns dirty when the box is clicked, counts applies.
class CheckBoxPage : public PropertyPageBase {
 public:
  CheckBoxPage() : PropertyPageBase(IDD_TEST_PAGE, IDS_TEST_PAGE_TITLE) {}

  ComPtr<IPersist> object;
  int initDialogs = 0;
  int activations = 0;
  int applies = 0;

 protected:
  HRESULT OnConnect(IUnknown* unknown) override { return unknown->QueryInterface(IID_PPV_ARGS(&object)); }
  HRESULT OnDisconnect() override {
    object.Reset();
    return S_OK;
  }
  HRESULT OnActivate() override {
    ++activations;
    return S_OK;
  }
  HRESULT OnApplyChanges() override {
    ++applies;
    return S_OK;
  }
  INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITDIALOG) {
      ++initDialogs;
      return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_TEST_CHECK) {
      SetDirty();
      return TRUE;
    }
    return PropertyPageBase::OnReceiveMessage(dialog, message, wParam, lParam);
  }
};

class PropertyPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    objectsBefore_ = ModuleLifetime::Objects();
    frame_ = CreateFrameWindow();
    ASSERT_NE(frame_.get(), nullptr) << "no display";
    ASSERT_EQ(ComObject<CheckBoxPage>::Create(page_), S_OK);
    ASSERT_EQ(ComObject<RecordingPageSite>::Create(site_), S_OK);
  }
  void TearDown() override {
    page_.Reset();
    site_.Reset();
    frame_.reset();
    EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore_);
  }

  ComInitialization com_;
  long objectsBefore_ = 0;
  UniqueWindow frame_;
  ComPtr<ComObject<CheckBoxPage>> page_;
  ComPtr<ComObject<RecordingPageSite>> site_;
};

TEST_F(PropertyPageTest, ReportsTitleAndTheDialogsSize) {
  PROPPAGEINFO info{};
  ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
  const UniqueCoTaskMem<OLECHAR> title(info.pszTitle);
  EXPECT_EQ(std::wstring(info.pszTitle), L"Test Page");
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  // 200 x 80 dialog units of an 8-point font: wider than tall, and far more than 200 x 80 pixels/2.
  EXPECT_GT(info.size.cx, 200);
  EXPECT_GT(info.size.cy, 80);
  EXPECT_GT(info.size.cx, info.size.cy);
}

TEST_F(PropertyPageTest, EditsItsObjectInsideTheFrame) {
  ASSERT_EQ(page_->SetPageSite(site_.Get()), S_OK);
  ComPtr<IUnknown> target;
  ASSERT_EQ(::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&target)),
            S_OK);
  IUnknown* objects[] = {target.Get()};
  EXPECT_EQ(page_->SetObjects(1, objects), E_NOINTERFACE) << "OnConnect's refusal passes through";

  // The filter graph is an IPersist (through IMediaFilter).
  ComPtr<IUnknown> persistable;
  ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&persistable)),
            S_OK);
  objects[0] = persistable.Get();
  ASSERT_EQ(page_->SetObjects(1, objects), S_OK);
  EXPECT_TRUE(page_->object);

  const RECT rect{10, 20, 310, 220};
  ASSERT_EQ(page_->Activate(frame_.get(), &rect, FALSE), S_OK);
  EXPECT_EQ(page_->Activate(frame_.get(), &rect, FALSE), E_UNEXPECTED) << "already active";
  const HWND dialog = PageDialogIn(frame_.get());
  ASSERT_NE(::GetDlgItem(dialog, IDC_TEST_CHECK), nullptr) << "the dialog is a child of the frame";
  EXPECT_EQ(page_->initDialogs, 1);
  EXPECT_EQ(page_->activations, 1);
  RECT placed{};
  ::GetWindowRect(dialog, &placed);
  ::MapWindowPoints(nullptr, frame_.get(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);

  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  ::SendMessageW(::GetDlgItem(dialog, IDC_TEST_CHECK), BM_CLICK, 0, 0);
  EXPECT_EQ(page_->IsPageDirty(), S_OK);
  ASSERT_FALSE(site_->statuses.empty());
  EXPECT_EQ(site_->statuses.back(), static_cast<DWORD>(PROPPAGESTATUS_DIRTY));
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(page_->applies, 1);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(page_->applies, 1) << "a clean page applies nothing";

  EXPECT_EQ(page_->Show(SW_HIDE), S_OK);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  EXPECT_EQ(page_->Show(SW_MAXIMIZE), E_INVALIDARG);
  ASSERT_EQ(page_->Deactivate(), S_OK);
  EXPECT_FALSE(::IsWindow(dialog));
  ASSERT_EQ(page_->SetObjects(0, nullptr), S_OK);
  EXPECT_FALSE(page_->object) << "disconnected";
  ASSERT_EQ(page_->SetPageSite(nullptr), S_OK);
}

TEST_F(PropertyPageTest, RefusesCallsOutOfState) {
  const RECT rect{0, 0, 100, 100};
  struct Case {
    const char* call;
    HRESULT result;
    HRESULT expected;
  };
  const Case cases[] = {
      {"GetPageInfo(null)", page_->GetPageInfo(nullptr), E_POINTER},
      {"Activate(null rect)", page_->Activate(frame_.get(), nullptr, FALSE), E_POINTER},
      {"Move(null)", page_->Move(nullptr), E_POINTER},
      {"SetObjects(1, null)", page_->SetObjects(1, nullptr), E_POINTER},
      {"Deactivate inactive", page_->Deactivate(), E_UNEXPECTED},
      {"Show inactive", page_->Show(SW_SHOW), E_UNEXPECTED},
      {"Move inactive", page_->Move(&rect), E_UNEXPECTED},
      {"Apply without object and site", page_->Apply(), E_UNEXPECTED},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
  ASSERT_EQ(page_->SetPageSite(site_.Get()), S_OK);
  EXPECT_EQ(page_->SetPageSite(site_.Get()), E_UNEXPECTED) << "a second site without releasing the first";
  EXPECT_EQ(page_->SetPageSite(nullptr), S_OK);
}

}  // namespace
}  // namespace orvane::testing
