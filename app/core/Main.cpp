// Orvane.exe's entry point and run function: COM and the common controls, the command line with its
// one-shot modes, the application object, the virtual devices and the driver check, the instance rule
// that decides which virtual camera this instance feeds, the main window and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/core/AppPaths.h"
#include "app/core/CApplication.h"
#include "app/core/CommandLine.h"
#include "app/core/DriverCheck.h"
#include "app/core/RunningInstances.h"
#include "app/core/SingleInstance.h"
#include "app/devices/DeviceNameRules.h"
#include "app/devices/NimbHelper.h"
#include "app/devices/VirtualDeviceList.h"
#include "app/diagnostics/Logger.h"
#include "app/diagnostics/SystemDescription.h"
#include "app/settings/SettingsNames.h"
#include "app/ui/CMainDlg.h"
#include "platform/com/ComInitialization.h"
#include "platform/ui/MessageLoop.h"
#include "platform/win/RegistryKey.h"

namespace orvane {
namespace {

// Opens an Explorer window on the log's folder with the log selected, so that a user who asked for a
// log finds it.
void RevealLogFile() {
  const std::wstring path = Logger::Instance().LogPath();
  if (path.empty() || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  PIDLIST_ABSOLUTE item = nullptr;
  if (SUCCEEDED(::SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr)) && item != nullptr) {
    ::SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ::CoTaskMemFree(item);
  }
}

int Run(const wchar_t* commandLine, int show) {
  {
    // Every later setting is read from or written below this key.
    UniqueRegKey base;
    if (registry::OpenKey(HKEY_CURRENT_USER, settings::kBaseKey, KEY_READ, base) != ERROR_SUCCESS) {
      registry::CreateKey(HKEY_CURRENT_USER, settings::kBaseKey, KEY_ALL_ACCESS, base);
    }
  }

  const StartOptions options = ReadCommandLine(commandLine != nullptr ? commandLine : L"");
  if (options.debug) {
    SetDebugLogging(true);
    WriteStartBanner();
  }
  if (options.mode == StartOptions::Mode::SendCommand) {
    SendCommandToInstances(CommandIdForWord(options.commandWord));
    return 0;
  }
  if (options.mode == StartOptions::Mode::Rename) return RunRenameCommand(options.renameName);

  CApplication& application = CApplication::Instance();

  VirtualDeviceList devices(kDefaultDeviceName);
  devices.RefreshNames(/*rename=*/true);
  devices.DiscoverDevices();
  if (!CheckDriver(devices)) return 0;
  StartElevatedRename(devices);

  InstanceClaim claim = ClaimInstance(devices.VirtualCameraCount());
  if (!claim.won) {
    if (!options.restart) {
      if (!options.silent) BringRunningInstanceToFront();
      return 0;
    }
    // Restarted after the driver check while the old process may still hold the mutex: run as the
    // first device's instance.
    claim.deviceIndex = 0;
    claim.deviceCount = 1;
  }
  application.SetDeviceIdentity(claim.deviceIndex, claim.deviceCount);
  if (claim.deviceCount > 1 && claim.deviceIndex > 0) NimbHelper::Instance().SelectDevice(claim.deviceIndex);

  ui::CMessageLoop loop;
  ui::CAppModule::Instance().AddMessageLoop(&loop);

  // Missing is fine: the application object registered the same font from the resource folder.
  const std::wstring font = ProgramFilePath(L"iconfont.ttf");
  if (!font.empty()) ::AddFontResourceExW(font.c_str(), FR_PRIVATE, nullptr);

  if (const int32_t delay = EffectiveDelayMs(options.delayMs); delay > 0) {
    Logf("Delay %d", static_cast<int>(delay));
    ::Sleep(static_cast<DWORD>(delay));
  }

  int exitCode = 0;
  {
    CMainDlg mainWindow;
    mainWindow.SetStartedHidden(options.hidden);
    if (mainWindow.Create(nullptr) != nullptr) {
      ::ShowWindow(mainWindow.window(), options.hidden ? SW_HIDE : show);
      exitCode = loop.Run();
    }
    ui::CAppModule::Instance().RemoveMessageLoop();
    claim.mutex.reset();
    if (DebugLoggingEnabled()) RevealLogFile();
  }
  return exitCode;
}

}  // namespace
}  // namespace orvane

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int show) {
  orvane::ComInitialization com(COINIT_APARTMENTTHREADED);
  ::SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  return orvane::Run(commandLine, show);
}
