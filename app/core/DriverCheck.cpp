#include "app/core/DriverCheck.h"

#include <windows.h>
#include <shellapi.h>

#include "app/core/AppPaths.h"
#include "app/devices/DeviceNameRules.h"
#include "app/diagnostics/Logger.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"
#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

constexpr DWORD kDevconWaitMs = 3000;
constexpr DWORD kSettleMs = 1000;

// Starts `file` through the shell with `verb` ("runas" asks for elevation). No error box: a file that
// cannot be started is handled by the caller. With `process`, the new process's handle is kept there.
bool StartProgram(const wchar_t* verb, const std::wstring& file, const wchar_t* parameters, const wchar_t* directory,
                  int show, UniqueHandle* process = nullptr) {
  if (file.empty()) return false;
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_FLAG_NO_UI | (process != nullptr ? SEE_MASK_NOCLOSEPROCESS : 0);
  execute.lpVerb = verb;
  execute.lpFile = file.c_str();
  execute.lpParameters = parameters;
  execute.lpDirectory = directory;
  execute.nShow = show;
  if (!::ShellExecuteExW(&execute)) return false;
  if (process != nullptr) process->reset(execute.hProcess);
  return true;
}

// Asks the question `textId`; on OK runs devcon elevated with `devconArguments`, waits a little for it
// and starts the program again with " /restart", whose own check asks again if devcon did not succeed.
void AskAndRepair(const wchar_t* textId, const wchar_t* devconArguments) {
  const std::wstring text = XMLStrings::Instance().Lookup(textId);
  if (::MessageBoxW(nullptr, text.c_str(), L"Orvane", MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;

  // devcon.exe is named by its full path, so that no other devcon.exe (from the search path or the
  // working directory) can be started elevated in its place. Declined elevation or a missing devcon
  // start nothing, and the restart below asks again.
  const std::wstring directory = ProgramFilePath();
  UniqueHandle devcon;
  const bool started =
      StartProgram(L"runas", ProgramFilePath(L"devcon.exe"), devconArguments, directory.c_str(), SW_HIDE, &devcon);
  if (DebugLoggingEnabled()) {
    Logf("Run devcon %s - %s", WideToAnsi(devconArguments).c_str(), started ? "started" : "failed");
  }
  if (devcon) ::WaitForSingleObject(devcon.get(), kDevconWaitMs);
  ::Sleep(kSettleMs);

  StartProgram(L"open", ProgramPath(), L" /restart", L".", SW_SHOW);
}

bool OlderThanWindows10() {
  OSVERSIONINFOEXW wanted{};
  wanted.dwOSVersionInfoSize = sizeof wanted;
  wanted.dwMajorVersion = 10;
  wanted.dwMinorVersion = 0;
  wanted.wServicePackMajor = 0;
  ULONGLONG condition = 0;
  condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
  condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
  condition = ::VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return !::VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, condition);
}

}  // namespace

bool CheckDriver(const VirtualDeviceList& devices) {
  if (devices.Devices().empty()) {
    Log("Driver is not installed");
    AskAndRepair(L"S_DRV_NOT_INSTALLED", L"install driver\\Orvane.inf Orvane");
    return false;
  }
  if (devices.FirstDeviceStopped()) {
    AskAndRepair(L"S_DRV_DISABLED", L"enable Orvane");
    return false;
  }
  return true;
}

void StartElevatedRename(const VirtualDeviceList& devices) {
  if (!OlderThanWindows10() || devices.Devices().empty() || !devices.NeedsRename()) return;
  StartProgram(L"runas", ProgramPath(), L"/rename", nullptr, SW_HIDE);
}

int RunRenameCommand(const std::optional<std::wstring>& name) {
  if (name && !name->empty()) {
    const NameProblem problem = CheckBaseName(*name);
    if (problem != NameProblem::None) {
      // Refused rather than cut: the devices would bear a name nobody chose.
      if (DebugLoggingEnabled()) {
        Log("Rename refused: the name " + std::string(DescribeNameProblem(problem)) + "; the stored name applies");
      }
    } else {
      // Into the base key only when it can be opened; the start-up made sure it exists.
      const LSTATUS status = RegistryKeyPath(HKEY_CURRENT_USER, settings::kBaseKey).WriteText(settings::kDevName, *name);
      if (status != ERROR_SUCCESS) Logf("Store dev_name failed - 0x%lx", static_cast<unsigned long>(status));
    }
  }

  VirtualDeviceList devices(kDefaultDeviceName);
  if (devices.DiscoverDevices() && devices.NeedsRename()) {
    const HRESULT hr = devices.RenameAll();
    // Without administrator rights the records keep their names; the driver's names follow below.
    if (FAILED(hr)) Logf("Rename devices failed - 0x%lx", static_cast<unsigned long>(hr));
  }
  devices.RefreshNames(/*rename=*/true);
  return 0;
}

}  // namespace orvane
