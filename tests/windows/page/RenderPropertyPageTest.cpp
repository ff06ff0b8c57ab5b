// The renderer's property page on its real dialog, connected to a real renderer that feeds an installed
// virtual camera: what the page shows, what each control sets in the camera or the renderer, the
// beeps of a refused Apply, and the page inside the system's property frame.
#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>
#include <strmif.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "tests/windows/page/BeepRecorder.h"
#include "tests/windows/page/RenderPageFixture.h"

namespace orvane::testing {
namespace {

TEST_F(RenderPageTest, RefusesAnObjectWithoutTheControlInterface) {
  ComPtr<IUnknown> graph;
  ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)), S_OK);
  IUnknown* objects[] = {graph.Get()};
  EXPECT_EQ(page_->SetObjects(1, objects), E_NOINTERFACE);
}

TEST_F(RenderPageTest, ShowsTheSettingsInForce) {
  ASSERT_EQ(control_->SetOutputFormat(800, 600, 15, 0, 0), S_OK);
  ASSERT_EQ(control_->SetFillMode(1), S_OK);
  ASSERT_EQ(control_->SetMirror(TRUE), S_OK);
  ASSERT_EQ(control_->SetRotate(TRUE), S_OK);
  const HWND dialog = Activate();

  const HWND list = ::GetDlgItem(dialog, IDC_FILL_MODE);
  ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  const wchar_t* modes[] = {L"Aspect Fit", L"Aspect Fill", L"Stretch"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), modes[i]) << "entry " << i;
  }
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_WIDTH), L"800");
  EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_HEIGHT), L"600");
  EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_FPS), L"15");
  EXPECT_TRUE(Checked(dialog, IDC_MIRROR));
  EXPECT_FALSE(Checked(dialog, IDC_FLIP));
  EXPECT_TRUE(Checked(dialog, IDC_ROTATE));
}

TEST_F(RenderPageTest, HasTheDocumentedLayoutAndTitle) {
  PROPPAGEINFO info{};
  ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
  const UniqueCoTaskMem<OLECHAR> title(info.pszTitle);
  EXPECT_EQ(std::wstring(info.pszTitle), L"Properties");
  const HWND dialog = Activate();

  RECT size{0, 0, 272, 141};
  ASSERT_TRUE(::MapDialogRect(dialog, &size));
  EXPECT_EQ(info.size.cx, size.right);
  EXPECT_EQ(info.size.cy, size.bottom);
  LOGFONTW font{};
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font));
  EXPECT_EQ(std::wstring(font.lfFaceName), L"MS Shell Dlg");
  const std::unique_ptr<std::remove_pointer_t<HDC>, decltype([](HDC dc) { ::ReleaseDC(nullptr, dc); })> screen(
      ::GetDC(nullptr));
  EXPECT_EQ(font.lfHeight, -::MulDiv(8, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72));

  // Static texts have no id: they are found by their text.
  struct Control {
    int id;
    const wchar_t* text;
    RECT units;  // left, top, width, height
    bool fullHeight = true;  // a drop-down list's window is only as high as its closed box
  };
  const Control controls[] = {
      {-1, L"Output Format:", {7, 7, 54, 8}},
      {IDC_OUTPUT_WIDTH, L"", {33, 23, 40, 14}},
      {-1, L"x", {79, 25, 8, 8}},
      {IDC_OUTPUT_HEIGHT, L"", {89, 23, 40, 14}},
      {IDC_OUTPUT_FPS, L"", {143, 23, 40, 14}},
      {-1, L"FPS", {185, 26, 14, 8}},
      {IDC_APPLY_FORMAT, L"Apply", {215, 22, 50, 14}},
      {-1, L"Fill Mode:", {7, 49, 54, 8}},
      {IDC_FILL_MODE, L"", {33, 64, 99, 65}, false},
      {IDC_MIRROR, L"Mirror", {33, 90, 36, 10}},
      {IDC_FLIP, L"Flip", {93, 90, 27, 10}},
      {IDC_ROTATE, L"Rotate 90\u00B0", {144, 90, 51, 10}},
      {IDC_SNAPSHOT, L"Snapshot", {215, 120, 50, 14}},
  };
  for (const Control& c : controls) {
    HWND window = nullptr;
    if (c.id >= 0) {
      window = ::GetDlgItem(dialog, c.id);
      if (c.text[0] != L'\0') {
        EXPECT_EQ(TextOf(window), c.text) << c.id;
      }
    } else {
      for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (TextOf(child) == c.text) window = child;
      }
    }
    ASSERT_NE(window, nullptr) << "control " << c.id;
    // A dialog converts position and size separately, each rounded on its own.
    RECT mapped = c.units;
    ::MapDialogRect(dialog, &mapped);
    const RECT expected{mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
    RECT actual{};
    ::GetWindowRect(window, &actual);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << "control " << c.id;
    EXPECT_EQ(actual.top, expected.top) << "control " << c.id;
    EXPECT_EQ(actual.right, expected.right) << "control " << c.id;
    if (c.fullHeight) {
      EXPECT_EQ(actual.bottom, expected.bottom) << "control " << c.id;
    }
  }
  const HWND list = ::GetDlgItem(dialog, IDC_FILL_MODE);
  EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & 0x3, CBS_DROPDOWNLIST);
}

TEST_F(RenderPageTest, ApplySetsTheOutputFormatWithinItsRangesAndBeepsOtherwise) {
  const HWND dialog = Activate();
  BeepRecorder beeps(::GetModuleHandleW(nullptr));
  ASSERT_TRUE(beeps.installed());
  const OutputFormat before{1000, 700, 25, 1, 0};
  struct Case {
    const wchar_t* width;
    const wchar_t* height;
    const wchar_t* fps;
    bool accepted;
  };
  const Case cases[] = {
      {L"1920", L"1080", L"30", true},   {L"320", L"240", L"1", true},     {L"4096", L"4096", L"1023", true},
      {L"319", L"240", L"30", false},    {L"320", L"4097", L"30", false},  {L"320", L"239", L"30", false},
      {L"4097", L"480", L"30", false},   {L"640", L"480", L"0", false},    {L"640", L"480", L"1024", false},
      {L"", L"480", L"30", false},       {L"640", L"-480", L"30", false},  {L"99999999999", L"480", L"30", false},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SetProperty(device_.Get(), kPropertyOutputFormat, before), S_OK);
    beeps.Reset();
    ::SetDlgItemTextW(dialog, IDC_OUTPUT_WIDTH, c.width);
    ::SetDlgItemTextW(dialog, IDC_OUTPUT_HEIGHT, c.height);
    ::SetDlgItemTextW(dialog, IDC_OUTPUT_FPS, c.fps);
    Click(dialog, IDC_APPLY_FORMAT);
    const auto format = DeviceProperty<OutputFormat>(kPropertyOutputFormat);
    const std::wstring input = std::wstring(c.width) + L" x " + c.height + L" @ " + c.fps;
    const std::string described(input.begin(), input.end());
    if (c.accepted) {
      const OutputFormat expected{_wtoi(c.width), _wtoi(c.height), _wtoi(c.fps), 0, 0};
      EXPECT_EQ(format, expected) << described;
      EXPECT_EQ(beeps.defaultBeeps(), 0) << described;
    } else {
      EXPECT_EQ(format, before) << described << " changed the output format";
      EXPECT_EQ(beeps.defaultBeeps(), 1) << described;
    }
  }
}

TEST_F(RenderPageTest, FillModeListSetsTheCamerasFillMode) {
  const HWND dialog = Activate();
  for (const int mode : {2, 0, 1}) {
    ChooseFillMode(dialog, mode);
    EXPECT_EQ(DeviceProperty<int32_t>(kPropertyFillMode), mode);
  }
}

TEST_F(RenderPageTest, CheckBoxesSetMirrorFlipAndRotation) {
  const HWND dialog = Activate();
  auto rotation = [&] {
    BOOL on = -1;
    EXPECT_EQ(control_->GetRotate(&on), S_OK);
    return on;
  };
  struct Box {
    int id;
    const char* name;
    std::function<int()> read;
  };
  const Box boxes[] = {
      {IDC_MIRROR, "mirror", [&] { return DeviceProperty<int32_t>(kPropertyMirror); }},
      {IDC_FLIP, "flip", [&] { return DeviceProperty<int32_t>(kPropertyFlip); }},
      {IDC_ROTATE, "rotate", [&] { return static_cast<int>(rotation()); }},
  };
  for (const Box& box : boxes) {
    Click(dialog, box.id);
    EXPECT_TRUE(Checked(dialog, box.id)) << box.name;
    EXPECT_EQ(box.read(), 1) << box.name << " after checking";
    Click(dialog, box.id);
    EXPECT_EQ(box.read(), 0) << box.name << " after unchecking";
  }
  EXPECT_EQ(DeviceProperty<int32_t>(kPropertyMirror), 0);
  EXPECT_EQ(DeviceProperty<int32_t>(kPropertyFlip), 0);
}

TEST_F(RenderPageTest, ThePropertyFramesApplyChangesNothing) {
  const HWND dialog = Activate();
  ASSERT_EQ(control_->SetOutputFormat(800, 600, 15, 0, 0), S_OK);
  ::SetDlgItemTextW(dialog, IDC_OUTPUT_WIDTH, L"1920");
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE) << "the controls act at once; nothing waits for Apply";
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(DeviceProperty<OutputFormat>(kPropertyOutputFormat), (OutputFormat{800, 600, 15, 0, 0}));
}

// The page as an application shows it: the filter's pages in the system's property frame, the page's
// class taken from the renderer module. A thread timer of the frame's modal loop plays the user.
struct FrameUser {
  bool clickedMirror = false;
  bool closed = false;
  int ticks = 0;
};
FrameUser* frameUser = nullptr;

BOOL CALLBACK FindPageDialog(HWND window, LPARAM found) {
  if (::GetDlgItem(window, IDC_MIRROR) != nullptr && ::GetDlgItem(window, IDC_SNAPSHOT) != nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindPageInTopLevel(HWND window, LPARAM found) {
  ::EnumChildWindows(window, FindPageDialog, found);
  return *reinterpret_cast<HWND*>(found) == nullptr;
}

void CALLBACK PlayFrameUser(HWND, UINT, UINT_PTR timer, DWORD) {
  FrameUser& user = *frameUser;
  HWND page = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindPageInTopLevel, reinterpret_cast<LPARAM>(&page));
  if (page != nullptr && !user.clickedMirror) {
    Click(page, IDC_MIRROR);
    user.clickedMirror = true;
  }
  // OK once the page was used; give up (Cancel) if it never appears within a generous time.
  if (page != nullptr || ++user.ticks > 600) {
    const HWND frame = page != nullptr ? ::GetAncestor(page, GA_ROOT) : ::GetActiveWindow();
    ::KillTimer(nullptr, timer);
    user.closed = true;
    ::PostMessageW(frame, WM_COMMAND, MAKEWPARAM(page != nullptr ? IDOK : IDCANCEL, BN_CLICKED), 0);
  }
}

TEST_F(RenderPageTest, WorksInsideThePropertyFrame) {
  ComPtr<IClassFactory> pageClass;
  ASSERT_EQ(module_.GetClassObject(CLSID_NimbRendererPropertyPage, IID_PPV_ARGS(&pageClass)), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(::CoRegisterClassObject(CLSID_NimbRendererPropertyPage, pageClass.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  ComPtr<ISpecifyPropertyPages> specify;
  ASSERT_EQ(renderer_->QueryInterface(IID_PPV_ARGS(&specify)), S_OK);
  CAUUID pages{};
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  const UniqueCoTaskMem<GUID> pageList(pages.pElems);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_TRUE(pages.pElems[0] == CLSID_NimbRendererPropertyPage);

  FrameUser user;
  frameUser = &user;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, PlayFrameUser);
  ASSERT_NE(timer, 0u);
  IUnknown* objects[] = {renderer_.Get()};
  const HRESULT hr = ::OleCreatePropertyFrame(frame_.get(), 0, 0, L"Renderer", 1, objects, pages.cElems,
                                              pages.pElems, 0, 0, nullptr);
  if (!user.closed) ::KillTimer(nullptr, timer);
  frameUser = nullptr;
  EXPECT_EQ(::CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(hr, S_OK);
  EXPECT_TRUE(user.clickedMirror) << "the page never appeared in the frame";
  EXPECT_EQ(DeviceProperty<int32_t>(kPropertyMirror), 1);
}

TEST(RenderPageSnapshotPath, FormatsTheLocalTime) {
  struct Case {
    const wchar_t* folder;
    SYSTEMTIME time;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"C:\\Pictures", {2024, 3, 4, 7, 9, 5, 3, 0}, L"C:\\Pictures\\2024-03-07 090503.jpg"},
      {L"C:\\", {2031, 12, 0, 31, 23, 59, 58, 999}, L"C:\\2031-12-31 235958.jpg"},
  };
  for (const Case& c : cases) EXPECT_EQ(CRenderPropertyPage::SnapshotPath(c.folder, c.time), c.expected);
}

}  // namespace
}  // namespace orvane::testing
