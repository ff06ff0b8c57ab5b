// Orvane.exe's entry point and run function: COM and the common controls, the command line with its
// one-shot modes, the application object, the virtual devices and the driver check. The single-
// instance rule, the main window and the message loop continue from the end of Run.
#include <windows.h>
#include <commctrl.h>

#include "app/core/CApplication.h"
#include "app/core/CommandLine.h"
#include "app/core/DriverCheck.h"
#include "app/devices/DeviceNameRules.h"
#include "app/devices/NimbHelper.h"
#include "app/devices/VirtualDeviceList.h"
#include "app/diagnostics/Logger.h"
#include "app/diagnostics/SystemDescription.h"
#include "app/graph/CDeviceEnumerator.h"
#include "app/settings/SettingsNames.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/RegistryKey.h"

namespace orvane {
namespace {

int Run(const wchar_t* commandLine) {
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
  if (options.mode == StartOptions::Mode::SendCommand) return 0;
  if (options.mode == StartOptions::Mode::Rename) return RunRenameCommand(options.renameName);

  CApplication::Instance();

  VirtualDeviceList devices(kDefaultDeviceName);
  devices.RefreshNames(/*rename=*/true);
  devices.DiscoverDevices();
  if (!CheckDriver(devices)) return 0;
  StartElevatedRename(devices);

  // What the main window does first: take the renderer and list the cameras.
  NimbHelper::Instance();
  CDeviceEnumerator cameras;
  cameras.EnumerateCameras();
  NimbHelper::Instance().Release();
  return 0;
}

}  // namespace
}  // namespace orvane

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  orvane::ComInitialization com(COINIT_APARTMENTTHREADED);
  ::SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  return orvane::Run(commandLine);
}
