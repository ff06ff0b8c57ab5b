// Orvane.exe's start as a user meets it: the driver questions (answered through the message boxes),
// devcon installing or enabling the device, the restart, the "/rename" runs, the elevated rename of
// older Windows, and a program folder without the renderer module.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/core/CApplication.h"
#include "app/devices/VirtualDeviceList.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/RegistryKey.h"
#include "shared/device/DeviceNaming.h"
#include "tests/windows/app/ProgramRuns.h"
#include "tests/windows/app/TestSupport.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::test {
namespace {

using orvane::testing::InstalledCameras;

constexpr wchar_t kVersionOverrideKey[] = L"Software\\Wine\\AppDefaults\\Orvane.exe";

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

std::wstring Text(const wchar_t* id) {
  CApplication::Instance();  // loads the string table for the user's language, as the program does
  return XMLStrings::Instance().Lookup(id);
}

// The program's devices as discovery sees them (records' friendly names), in discovery order.
std::vector<std::wstring> RecordedNames() {
  VirtualDeviceList list(L"Orvane");
  list.DiscoverDevices();
  std::vector<std::wstring> names;
  for (const DiscoveredDevice& device : list.Devices()) names.push_back(device.friendlyName);
  return names;
}

bool FirstDeviceStopped() {
  VirtualDeviceList list(L"Orvane");
  list.DiscoverDevices();
  return list.FirstDeviceStopped();
}

std::vector<std::wstring> ListedNames(int32_t count) {
  const auto listed = orvane::testing::ListedVideoInputs();
  std::vector<std::wstring> names;
  for (int32_t i = 0; i < count; ++i) {
    const auto found = listed.find(device::DevicePath(i));
    names.push_back(found != listed.end() ? found->second : L"<not listed>");
  }
  return names;
}

std::vector<std::wstring> Numbered(const std::wstring& base, int32_t count) {
  std::vector<std::wstring> names;
  for (int32_t i = 0; i < count; ++i) names.push_back(device::DeviceName(base, i, count));
  return names;
}

class StartupTest : public ProgramTest {
 protected:
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kVersionOverrideKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kVersionOverrideKey);
    ProgramTest::TearDown();
  }

  // Answers the one question the program asks, checks it, and returns the exit code.
  static long AnswerQuestion(ProgramRun& run, const wchar_t* textId, int button) {
    const std::optional<MessageBoxSeen> box = WaitForMessageBox();
    if (!box) {
      ADD_FAILURE() << "no question";
      return -1;
    }
    EXPECT_EQ(box->processId, run.id());
    EXPECT_EQ(box->caption, L"Orvane");
    EXPECT_EQ(box->text, Text(textId));
    Answer(*box, button);
    return run.Finish();
  }

  // Waits for the main window of a program that runs on past its start.
  static HWND MainWindowOf(DWORD processId) { return WaitForMainWindow(processId); }
};

TEST_F(StartupTest, MissingDriverAnsweredCancelEndsAndStartsNothing) {
  ProgramRun run(orvane::testing::ProgramFolder(), L"/debug");
  EXPECT_EQ(AnswerQuestion(run, L"S_DRV_NOT_INSTALLED", IDCANCEL), 0);
  EXPECT_TRUE(ProcessesNamed(L"Orvane.exe").empty());
  EXPECT_TRUE(ProcessesNamed(L"devcon.exe").empty());
  EXPECT_TRUE(RecordedNames().empty());
  const std::vector<std::string> logged = LogLines();
  EXPECT_NE(std::find(logged.begin(), logged.end(), "Driver is not installed"), logged.end());
}

TEST_F(StartupTest, MissingDriverAnsweredOkIsInstalledAndTheProgramRestarts) {
  // Without the renderer module, the restarted program stops at its error box, where it can be seen.
  ProgramFolderCopy folder({L"Orvane.exe", L"strings.xml", L"devcon.exe", L"driver\\Orvane.inf", L"NimbCamera.ax"});
  ProgramRun run(folder.Path(), L"");
  EXPECT_EQ(AnswerQuestion(run, L"S_DRV_NOT_INSTALLED", IDOK), 0);

  EXPECT_EQ(RecordedNames(), std::vector<std::wstring>{L"Orvane"});
  EXPECT_EQ(ListedNames(1), std::vector<std::wstring>{L"Orvane"});
  const std::optional<MessageBoxSeen> restarted = WaitForMessageBox();
  ASSERT_TRUE(restarted);
  EXPECT_NE(restarted->processId, run.id());
  const std::wstring line = CommandLineOf(restarted->processId);
  EXPECT_NE(line.find(L" /restart"), std::wstring::npos) << Shown(line);
  EXPECT_EQ(restarted->text, L"Add NimbRenderer failed!");
  Answer(*restarted, IDOK);
  // It runs on without a renderer.
  EXPECT_NE(MainWindowOf(restarted->processId), nullptr);
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(WaitUntilNoneRuns(L"Orvane.exe"));
  // The devices use the copy's camera module: gone before the copy is.
  EXPECT_EQ(InstalledCameras::RemoveAll(), S_OK);
}

TEST_F(StartupTest, InstallThatFailsAsksAgainOncePerAnswer) {
  // No devcon.exe in this folder: the install cannot happen.
  ProgramFolderCopy folder({L"Orvane.exe", L"strings.xml"});
  ProgramRun run(folder.Path(), L"");
  EXPECT_EQ(AnswerQuestion(run, L"S_DRV_NOT_INSTALLED", IDOK), 0);

  // The restarted program asks again, and waits for the answer.
  const std::optional<MessageBoxSeen> again = WaitForMessageBox();
  ASSERT_TRUE(again);
  EXPECT_NE(again->processId, run.id());
  EXPECT_NE(CommandLineOf(again->processId).find(L"/restart"), std::wstring::npos);
  EXPECT_EQ(again->text, Text(L"S_DRV_NOT_INSTALLED"));
  EXPECT_EQ(ProcessesNamed(L"Orvane.exe").size(), 1u) << "one program, one question";
  Answer(*again, IDCANCEL);
  EXPECT_TRUE(WaitUntilNoneRuns(L"Orvane.exe"));
  EXPECT_TRUE(RecordedNames().empty());
}

TEST_F(StartupTest, DisabledFirstDeviceAsksToEnableIt) {
  InstalledCameras installed(2);
  ASSERT_EQ(installed.result(), S_OK);
  ASSERT_EQ(devcon::SetDeviceEnabled(installed.devices()[0], false), S_OK);
  {
    ProgramRun run(orvane::testing::ProgramFolder(), L"");
    EXPECT_EQ(AnswerQuestion(run, L"S_DRV_DISABLED", IDCANCEL), 0);
    EXPECT_TRUE(FirstDeviceStopped());
  }
  ProgramRun run(orvane::testing::ProgramFolder(), L"");
  EXPECT_EQ(AnswerQuestion(run, L"S_DRV_DISABLED", IDOK), 0);
  // devcon enabled it; the restarted program finds everything ready and runs without a question.
  EXPECT_TRUE(WaitUntil([] { return !FirstDeviceStopped(); }));
  const std::vector<DWORD> running = ProcessesNamed(L"Orvane.exe");
  ASSERT_EQ(running.size(), 1u);
  EXPECT_NE(MainWindowOf(running[0]), nullptr);
  EXPECT_EQ(ListedNames(2), Numbered(L"Orvane", 2));
}

TEST_F(StartupTest, ReadyDevicesStartWithoutAQuestionAndListTheWebcams) {
  InstalledCameras installed(2);
  ASSERT_EQ(installed.result(), S_OK);
  // Only the second device disabled: the driver counts as ready.
  ASSERT_EQ(devcon::SetDeviceEnabled(installed.devices()[1], false), S_OK);
  orvane::testing::CameraConfig webcam;
  webcam.friendlyName = L"Desk Camera";
  orvane::testing::CameraRegistration webcams({webcam, webcam});
  ASSERT_EQ(webcams.registered(), S_OK);

  ProgramRun run(orvane::testing::ProgramFolder(), L"");
  HWND window = MainWindowOf(run.id());
  ASSERT_NE(window, nullptr) << "no question: straight to the window";
  HWND list = ::GetDlgItem(window, 1000);
  ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
  for (int i = 0; i < 2; ++i) {
    wchar_t name[64] = {};
    ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"Desk Camera");
  }
  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(run.Finish(), 32779);
}

TEST_F(StartupTest, RenameCommand) {
  for (int32_t count : {1, 2}) {
    SCOPED_TRACE(count);
    InstalledCameras installed(count);
    ASSERT_EQ(installed.result(), S_OK);

    // A name with a space, quoted.
    EXPECT_EQ(ProgramRun(orvane::testing::ProgramFolder(), L"/rename \"Front desk\"").Finish(), 0);
    EXPECT_EQ(registry::ReadTextAt(HKEY_CURRENT_USER, settings::kBaseKey, settings::kDevName), L"Front desk");
    EXPECT_EQ(RecordedNames(), Numbered(L"Front desk", count));
    EXPECT_EQ(ListedNames(count), Numbered(L"Front desk", count));

    // Alone, it applies the stored name again.
    ASSERT_EQ(registry::WriteTextAt(HKEY_CURRENT_USER, settings::kBaseKey, settings::kDevName, L"Booth"), ERROR_SUCCESS);
    EXPECT_EQ(ProgramRun(orvane::testing::ProgramFolder(), L"/rename").Finish(), 0);
    EXPECT_EQ(RecordedNames(), Numbered(L"Booth", count));
    EXPECT_EQ(ListedNames(count), Numbered(L"Booth", count));

    // A name the devices cannot hold is refused, not cut, and said so in the log.
    RemoveLogFiles();
    EXPECT_EQ(ProgramRun(orvane::testing::ProgramFolder(), L"/debug /rename " + std::wstring(51, L'n')).Finish(), 0);
    EXPECT_EQ(registry::ReadTextAt(HKEY_CURRENT_USER, settings::kBaseKey, settings::kDevName), L"Booth");
    EXPECT_EQ(ListedNames(count), Numbered(L"Booth", count));
    const std::vector<std::string> logged = LogLines();
    EXPECT_NE(std::find(logged.begin(), logged.end(),
                        "Rename refused: the name is longer than 50 characters; the stored name applies"),
              logged.end());
  }
}

TEST_F(StartupTest, OnlyOlderWindowsRenameElevatedAtStart) {
  InstalledCameras installed(2);
  ASSERT_EQ(installed.result(), S_OK);
  ASSERT_EQ(registry::WriteTextAt(HKEY_CURRENT_USER, settings::kBaseKey, settings::kDevName, L"Studio"), ERROR_SUCCESS);

  // Windows 10: the driver's names follow at once; the installation records are left alone.
  {
    ProgramRun run(orvane::testing::ProgramFolder(), L"");
    ASSERT_NE(MainWindowOf(run.id()), nullptr);
    EXPECT_EQ(ListedNames(2), Numbered(L"Studio", 2));
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(run.Finish(), 32779);
  }
  EXPECT_TRUE(WaitUntilNoneRuns(L"Orvane.exe"));
  EXPECT_EQ(RecordedNames(), Numbered(L"Orvane", 2));

  // The program as Windows 7 sees it starts an elevated "/rename", which renames the records.
  ASSERT_EQ(registry::WriteTextAt(HKEY_CURRENT_USER, kVersionOverrideKey, L"Version", L"win7"), ERROR_SUCCESS);
  ProgramRun run(orvane::testing::ProgramFolder(), L"");
  ASSERT_NE(MainWindowOf(run.id()), nullptr);
  EXPECT_TRUE(WaitUntil([] { return RecordedNames() == Numbered(L"Studio", 2); }));
}

TEST_F(StartupTest, MissingRendererModuleShowsOneErrorAndEnds) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  ProgramFolderCopy folder({L"Orvane.exe", L"strings.xml"});
  ProgramRun run(folder.Path(), L"");
  const std::optional<MessageBoxSeen> box = WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Error");
  EXPECT_EQ(box->text, L"Add NimbRenderer failed!");
  Answer(*box, IDOK);
  // Once only: the program runs on without a renderer.
  EXPECT_NE(MainWindowOf(run.id()), nullptr);
  EXPECT_FALSE(WaitForMessageBox(2000, {box->window})) << "a second error";
  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(run.Finish(), 32779);
}

}  // namespace
}  // namespace orvane::test
