// The page when the renderer refuses what a control asks: a beep, and the control shows again what
// is still in force. The real renderer refuses only when its virtual camera does, which no camera
// here can be made to do, so a stand-in renderer that refuses every change plays that part.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/com/ComInitialization.h"
#include "platform/com/ComObject.h"
#include "renderer/filter/page/CRenderPropertyPage.h"
#include "renderer/filter/page/RenderPropertyPageResources.h"
#include "tests/windows/dshow/support/TestPageHost.h"
#include "tests/windows/page/BeepRecorder.h"
#include "tests/windows/page/RenderPageFixture.h"

namespace orvane::testing {
namespace {

constexpr HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);

// Reports "Aspect Fill", no mirror, 640 x 480 at 30, and refuses every change.
class RefusingRenderer : public ComObjectRoot, public INimbRenderer {
 public:
  using Interfaces = InterfaceList<INimbRenderer>;

  STDMETHODIMP SetDeviceName(LPCWSTR) override { return kRefused; }
  STDMETHODIMP SetDeviceIndex(int) override { return kRefused; }
  STDMETHODIMP SetOutputFormat(int, int, int, int, int) override { return kRefused; }
  STDMETHODIMP GetOutputFormat(int* width, int* height, int* fps, int* format, int* oneSizeOnly) override {
    if (width != nullptr) *width = 640;
    if (height != nullptr) *height = 480;
    if (fps != nullptr) *fps = 30;
    if (format != nullptr) *format = 0;
    if (oneSizeOnly != nullptr) *oneSizeOnly = 0;
    return S_OK;
  }
  STDMETHODIMP SetFillMode(UINT) override { return kRefused; }
  STDMETHODIMP GetFillMode(int* mode) override { return Report(mode, 1); }
  STDMETHODIMP SetMirror(BOOL) override { return kRefused; }
  STDMETHODIMP GetMirror(int* on) override { return Report(on, 0); }
  STDMETHODIMP SetFlip(BOOL) override { return kRefused; }
  STDMETHODIMP GetFlip(int* on) override { return Report(on, 0); }
  STDMETHODIMP SetRotate(BOOL) override { return kRefused; }
  STDMETHODIMP GetRotate(BOOL* on) override { return Report(on, FALSE); }
  STDMETHODIMP SetZoom(int, int, int) override { return kRefused; }
  STDMETHODIMP GetZoom(int*, int*, int*) override { return E_NOTIMPL; }
  STDMETHODIMP PushFrameRGB24(const BYTE*, int, int, int) override { return kRefused; }
  STDMETHODIMP PushFrameRGB32(const BYTE*, int, int, int) override { return kRefused; }
  STDMETHODIMP PushFrameYUY2(const BYTE*, int, int, int) override { return kRefused; }
  STDMETHODIMP PushFrameNV12(const BYTE*, int, int, int) override { return kRefused; }
  STDMETHODIMP PushFrameArray(VARIANT, int, int) override { return kRefused; }
  STDMETHODIMP PushScreenArea(int, int, int, int) override { return kRefused; }
  STDMETHODIMP SetDriverValue64(LONGLONG) override { return kRefused; }
  STDMETHODIMP GetClientCount(int*) override { return E_NOTIMPL; }
  STDMETHODIMP_(BOOL) IsCameraIdle() override { return TRUE; }
  STDMETHODIMP TakeSnapshot(LPCWSTR) override { return kRefused; }
  STDMETHODIMP SetIdlePicture(LPCWSTR) override { return kRefused; }
  STDMETHODIMP SetFriendlyName(LPCWSTR) override { return kRefused; }
  STDMETHODIMP SetDriverParameter(int, int) override { return kRefused; }
  STDMETHODIMP GetDriverParameter(int, int*) override { return E_NOTIMPL; }

 private:
  template <typename T>
  static HRESULT Report(T* out, T value) {
    if (out != nullptr) *out = value;
    return S_OK;
  }
};

TEST(RenderPageRefusals, EachRefusedChangeBeepsAndTheControlShowsWhatIsInForce) {
  const ComInitialization com;
  ASSERT_TRUE(com.ok());
  const UniqueWindow frame = CreateFrameWindow();
  ASSERT_NE(frame.get(), nullptr) << "no display";
  ComPtr<ComObject<RefusingRenderer>> renderer;
  ComPtr<ComObject<CRenderPropertyPage>> page;
  ComPtr<ComObject<RecordingPageSite>> site;
  ASSERT_EQ(ComObject<RefusingRenderer>::Create(renderer), S_OK);
  ASSERT_EQ(ComObject<CRenderPropertyPage>::Create(page), S_OK);
  ASSERT_EQ(ComObject<RecordingPageSite>::Create(site), S_OK);
  ASSERT_EQ(page->SetPageSite(site.Get()), S_OK);
  IUnknown* objects[] = {static_cast<INimbRenderer*>(renderer.Get())};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  const RECT rect{0, 0, 600, 400};
  ASSERT_EQ(page->Activate(frame.get(), &rect, FALSE), S_OK);
  const HWND dialog = PageDialogIn(frame.get());
  BeepRecorder beeps(::GetModuleHandleW(nullptr));
  ASSERT_TRUE(beeps.installed());

  ::SetDlgItemTextW(dialog, IDC_OUTPUT_WIDTH, L"1920");
  Click(dialog, IDC_APPLY_FORMAT);
  EXPECT_EQ(beeps.defaultBeeps(), 1) << "refused output format";

  beeps.Reset();
  ChooseFillMode(dialog, 2);
  EXPECT_EQ(beeps.defaultBeeps(), 1) << "refused fill mode";
  EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_FILL_MODE), CB_GETCURSEL, 0, 0), 1);

  for (const int box : {IDC_MIRROR, IDC_FLIP, IDC_ROTATE}) {
    beeps.Reset();
    Click(dialog, box);
    EXPECT_EQ(beeps.defaultBeeps(), 1) << "refused box " << box;
    EXPECT_FALSE(Checked(dialog, box)) << "box " << box;
  }

  beeps.Reset();
  Click(dialog, IDC_SNAPSHOT);
  EXPECT_EQ(beeps.defaultBeeps(), 1) << "refused snapshot";

  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
}

}  // namespace
}  // namespace orvane::testing
