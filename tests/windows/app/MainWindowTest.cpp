// Orvane.exe's window and instances as a user meets them under Wine + Xvfb: one instance per virtual
// camera with its title, mutex and settings key; a second start bringing the first to the front, staying
// silent or running beside it; commands from the command line reaching every instance; the controls of
// the main window where the dialog template puts them, the badge counting real camera clients, and the
// glyph buttons' colours read back from the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OrvaneVersion.h"
#include "app/core/CApplication.h"
#include "app/core/InstanceNames.h"
#include "app/settings/XMLStrings.h"
#include "app/ui/MainResources.h"
#include "app/ui/MainWindowRules.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/RegistryKey.h"
#include "tests/windows/app/ProgramRuns.h"
#include "tests/windows/app/Screenshots.h"
#include "tests/windows/app/TestSupport.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::test {
namespace {

using orvane::testing::InstalledCameras;

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

std::wstring Text(const wchar_t* id) { return LoadedStrings().Lookup(id); }

bool MutexExists(const std::wstring& name) {
  UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
  return static_cast<bool>(mutex);
}

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The control rectangles the dialog template gives, in pixels: the template is loaded from Orvane.exe
// and laid out by this process's dialog manager, with the same font.
std::optional<RECT> TemplateRect(int id) {
  static HWND layout = [] {
    HMODULE program = ::LoadLibraryExW((orvane::testing::ProgramFolder() + L"Orvane.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    return ::CreateDialogParamW(program, MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  }();
  if (layout == nullptr) return std::nullopt;
  return ChildRect(layout, ::GetDlgItem(layout, id));
}

class MainWindowTest : public ProgramTest {
 protected:
  // Starts an instance and waits for its main window.
  HWND Start(std::unique_ptr<ProgramRun>& run, const std::wstring& arguments = L"") {
    run = std::make_unique<ProgramRun>(orvane::testing::ProgramFolder(), arguments);
    return run->started() ? WaitForMainWindow(run->id()) : nullptr;
  }
};

TEST_F(MainWindowTest, OneInstancePerVirtualCamera) {
  for (int count : {1, 2, 3}) {
    SCOPED_TRACE(count);
    InstalledCameras installed(count);
    ASSERT_EQ(installed.result(), S_OK);
    std::vector<std::unique_ptr<ProgramRun>> runs(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index) {
      HWND window = Start(runs[static_cast<size_t>(index)]);
      ASSERT_NE(window, nullptr);
      const std::wstring expected =
          count == 1 ? std::wstring(L"Orvane v") + std::to_wstring(ORVANE_VERSION_MAJOR) + L"." +
                           std::to_wstring(ORVANE_VERSION_MINOR) + L"." + std::to_wstring(ORVANE_VERSION_PATCH)
                     : L"Orvane #" + std::to_wstring(index + 1);
      EXPECT_EQ(WindowTextOf(window), expected);
      EXPECT_TRUE(MutexExists(InstanceMutexName(index)));
      // With one camera the settings key is the base key itself.
      EXPECT_TRUE(registry::KeyExists(HKEY_CURRENT_USER, PerDeviceKeyPath(index, count)));
    }
    // One more start finds every device served: it shows the first instance and ends.
    EXPECT_EQ(Command(L""), 0);
    EXPECT_EQ(Command(L"/cmd quit"), 0);
    for (auto& run : runs) EXPECT_EQ(run->Finish(), 32779);
    EXPECT_FALSE(MutexExists(InstanceMutexName(0))) << "closed with the instance";
  }
}

TEST_F(MainWindowTest, ClosedDeviceInstanceIsTakenByTheNextStart) {
  InstalledCameras installed(3);
  ASSERT_EQ(installed.result(), S_OK);
  std::unique_ptr<ProgramRun> runs[3];
  HWND windows[3];
  for (int index = 0; index < 3; ++index) ASSERT_NE(windows[index] = Start(runs[index]), nullptr);
  ::PostMessageW(windows[1], WM_CLOSE, 0, 0);
  EXPECT_EQ(runs[1]->Finish(), 1) << "closing the window ends the program with 1";
  EXPECT_FALSE(MutexExists(InstanceMutexName(1)));
  HWND again = Start(runs[1]);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(WindowTextOf(again), L"Orvane #2");
}

TEST_F(MainWindowTest, DebugRunRevealsItsLogWhenItEnds) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  RemoveLogFiles();
  std::unique_ptr<ProgramRun> run;
  ASSERT_NE(Start(run, L"/debug"), nullptr);
  EXPECT_EQ(Command(L"/cmd quit"), 0);
  EXPECT_EQ(run->Finish(), 32779);
  const std::vector<std::string> logged = LogLines();
  for (const char* line : {"Init main window", "RefreshDeviceList (0)", "Destroyed"}) {
    EXPECT_NE(std::find(logged.begin(), logged.end(), line), logged.end()) << line;
  }
  // An Explorer window on the log's folder; closed again here.
  EXPECT_TRUE(CloseRevealedLog());
  RemoveLogFiles();
}

TEST_F(MainWindowTest, SecondStartShowsTheFirstStaysSilentOrRunsBeside) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  std::unique_ptr<ProgramRun> first;
  HWND window = Start(first, L"/silent");
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsWindowVisible(window)) << "started hidden";

  EXPECT_EQ(Command(L"/silent"), 0);
  EXPECT_FALSE(::IsWindowVisible(window)) << "a silent second start leaves it alone";
  EXPECT_EQ(Command(L""), 0);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; })) << "brought to the front";

  std::unique_ptr<ProgramRun> beside;
  HWND second = Start(beside, L"/restart");
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, window);
  EXPECT_EQ(Command(L"/cmd quit"), 0);
  EXPECT_EQ(first->Finish(), 32779);
  EXPECT_EQ(beside->Finish(), 32779);
}

TEST_F(MainWindowTest, CommandsReachEveryInstanceHiddenOrNot) {
  InstalledCameras installed(2);
  ASSERT_EQ(installed.result(), S_OK);
  std::unique_ptr<ProgramRun> runs[2];
  HWND windows[2] = {Start(runs[0]), Start(runs[1], L"/background")};
  ASSERT_NE(windows[0], nullptr);
  ASSERT_NE(windows[1], nullptr);
  EXPECT_FALSE(::IsWindowVisible(windows[1]));
  const std::wstring stopped = Text(L"S_SELECT_TO_PLAY");
  const auto status = [](HWND window) { return WindowTextOf(::GetDlgItem(window, IDC_STATUS)); };
  ASSERT_TRUE(WaitUntil([&] { return status(windows[0]) == stopped && status(windows[1]) == stopped; }));

  // Marks that only a Stop puts back.
  for (HWND window : windows) {
    ::SendMessageW(::GetDlgItem(window, IDC_STATUS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"marked"));
  }
  EXPECT_EQ(Command(L"/cmd"), 0);
  EXPECT_EQ(Command(L"/cmd pause"), 0);
  EXPECT_EQ(Command(L"/cmd stop"), 0);
  EXPECT_TRUE(WaitUntil([&] { return status(windows[0]) == stopped && status(windows[1]) == stopped; }))
      << Shown(status(windows[0])) << " " << Shown(status(windows[1]));

  EXPECT_EQ(Command(L"/CMD Quit"), 0);
  EXPECT_EQ(runs[0]->Finish(), 32779);
  EXPECT_EQ(runs[1]->Finish(), 32779);
}

TEST_F(MainWindowTest, ControlsWhereTheTemplatePutsThem) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  orvane::testing::CameraConfig webcam;
  webcam.friendlyName = L"Desk Camera";
  orvane::testing::CameraRegistration webcams({webcam});
  ASSERT_EQ(webcams.registered(), S_OK);
  std::unique_ptr<ProgramRun> run;
  HWND window = Start(run);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return WindowTextOf(::GetDlgItem(window, IDC_STATUS)) == Text(L"S_SELECT_TO_PLAY"); }));

  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);

  const struct {
    int id;
    bool visible;
    bool enabled;
    std::wstring text;
  } controls[] = {
      {IDC_HEADING, true, true, Text(L"S_VIDEO_DEVICES")},
      {IDC_CLIENT_BADGE, false, true, kBadgeInitialGlyph},
      {IDC_OPTIONS, true, false, L"\xE68F"},
      {IDC_PLAY, true, true, L"\xE671"},
      {IDC_STOP, false, true, L"\xE666"},
      {IDC_POSITION, false, true, L""},
      {IDC_STATUS, true, true, Text(L"S_SELECT_TO_PLAY")},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    HWND control = ::GetDlgItem(window, c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.visible);
    EXPECT_EQ(::IsWindowEnabled(control) != FALSE, c.enabled);
    EXPECT_EQ(WindowTextOf(control), c.text);
    const std::optional<RECT> expected = TemplateRect(c.id);
    ASSERT_TRUE(expected);
    const RECT actual = ChildRect(window, control);
    EXPECT_NEAR(actual.left, expected->left, 1);
    EXPECT_NEAR(actual.right, expected->right, 1);
    if (c.id != IDC_POSITION) {
      EXPECT_NEAR(actual.top, expected->top, 1);
      EXPECT_NEAR(actual.bottom, expected->bottom, 1);
    }
  }
  for (int id : {IDC_PLAY, IDC_STOP, IDC_OPTIONS, IDC_CLIENT_BADGE}) {
    EXPECT_EQ(::GetWindowLongW(::GetDlgItem(window, id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;
  }
  // The status line ends in an ellipsis rather than wrapping.
  EXPECT_EQ(::GetWindowLongW(::GetDlgItem(window, IDC_STATUS), GWL_STYLE) & (SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS),
            SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS);
  // The slider sits on the Play/Stop button's middle line, three pixels lower.
  const RECT stop = ChildRect(window, ::GetDlgItem(window, IDC_STOP));
  const RECT slider = ChildRect(window, ::GetDlgItem(window, IDC_POSITION));
  EXPECT_EQ(slider.top, PositionSliderTop(stop.top, stop.bottom, slider.bottom - slider.top));

  // The device list: the webcam, not the virtual camera.
  HWND list = ::GetDlgItem(window, IDC_DEVICE_LIST);
  ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
  wchar_t name[64] = {};
  ::SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
  EXPECT_STREQ(name, L"Desk Camera");
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);

  RECT frame{};
  ::GetWindowRect(window, &frame);
  SaveScreenshot(CaptureScreen(frame), L"main-window.png");

  // Minimising hides the window.
  ::SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(window));
}

TEST_F(MainWindowTest, GlyphColoursNormalHoveredPressed) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  // A camera to choose, so that Play is enabled (a disabled glyph is drawn embossed in system colours).
  orvane::testing::CameraRegistration webcams({orvane::testing::CameraConfig{}});
  ASSERT_EQ(webcams.registered(), S_OK);
  std::unique_ptr<ProgramRun> run;
  HWND window = Start(run);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return WindowTextOf(::GetDlgItem(window, IDC_STATUS)) == Text(L"S_SELECT_TO_PLAY"); }));
  ::SetForegroundWindow(window);
  HWND play = ::GetDlgItem(window, IDC_PLAY);
  // Read where the button is at each look: the window is centred while it initialises.
  const auto glyphPixels = [&](COLORREF colour) {
    RECT area{};
    ::GetWindowRect(play, &area);
    return CaptureScreen(area).Count(RECT{0, 0, area.right - area.left, area.bottom - area.top}, colour);
  };

  EXPECT_TRUE(WaitUntil([&] { return glyphPixels(RGB(112, 112, 112)) > 5; })) << "normal glyph colour";
  ::PostMessageW(play, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(WaitUntil([&] { return glyphPixels(RGB(131, 0, 255)) > 5; })) << "hovered glyph colour";
  ::SendMessageW(play, BM_SETSTATE, TRUE, 0);
  EXPECT_TRUE(WaitUntil([&] { return glyphPixels(RGB(160, 66, 255)) > 5; })) << "pressed glyph colour";
  ::SendMessageW(play, BM_SETSTATE, FALSE, 0);
  // The face keeps the window's background in every state: only the glyph changes.
  EXPECT_GT(glyphPixels(RGB(247, 248, 249)), 10);
}

TEST_F(MainWindowTest, BadgeCountsTheCameraClients) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  std::unique_ptr<ProgramRun> run;
  HWND window = Start(run);
  ASSERT_NE(window, nullptr);
  HWND badge = ::GetDlgItem(window, IDC_CLIENT_BADGE);
  std::vector<std::unique_ptr<orvane::testing::ClientProcess>> clients;
  for (uint32_t count : {1u, 3u, 9u, 12u}) {
    SCOPED_TRACE(count);
    while (clients.size() < count) {
      clients.push_back(std::make_unique<orvane::testing::ClientProcess>(
          L"read --device Orvane --size 160x120 --format YUY2 --seconds 120"));
    }
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(badge) && WindowTextOf(badge) == BadgeText(count); }))
        << Shown(WindowTextOf(badge));
  }
  RECT frame{};
  ::GetWindowRect(window, &frame);
  SaveScreenshot(CaptureScreen(frame), L"main-window-clients.png");
  clients.clear();
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(badge); })) << "no clients: hidden";
  EXPECT_EQ(WindowTextOf(badge), BadgeText(12)) << "hidden without changing its text";
}

}  // namespace
}  // namespace orvane::test
