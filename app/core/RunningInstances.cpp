#include "app/core/RunningInstances.h"

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "app/core/AppPaths.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

constexpr size_t kMaxWindowsPerProcess = 1024;

// Our executable's file name, without its folder.
std::wstring OwnFileName() {
  const std::wstring path = ProgramPath();
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The other processes running our executable, in the snapshot's order.
std::vector<DWORD> OtherInstances() {
  std::vector<DWORD> ids;
  const std::wstring own = OwnFileName();
  if (own.empty()) return ids;
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() && ::_wcsicmp(entry.szExeFile, own.c_str()) == 0) {
      ids.push_back(entry.th32ProcessID);
    }
  }
  return ids;
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

// Top-level windows of one process with a caption or border, as many as the limit allows.
BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == search.processId && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) != 0) {
    search.windows.push_back(window);
  }
  return search.windows.size() < kMaxWindowsPerProcess;
}

std::vector<HWND> WindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

}  // namespace

int SendCommandToInstances(int commandId) {
  if (commandId == 0) return 0;
  int sent = 0;
  for (DWORD processId : OtherInstances()) {
    for (HWND window : WindowsOf(processId)) {
      if (::GetWindowLongPtrW(window, GWLP_USERDATA) != kMainWindowMarker) continue;
      if (::PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(commandId), reinterpret_cast<LPARAM>(window))) ++sent;
      break;
    }
  }
  return sent;
}

bool BringRunningInstanceToFront() {
  for (DWORD processId : OtherInstances()) {
    for (HWND window : WindowsOf(processId)) {
      wchar_t title[260] = {};
      ::GetWindowTextW(window, title, 260);
      if (::StrStrIW(title, L"Orvane") == nullptr) continue;
      if (!::IsWindowVisible(window) || ::IsIconic(window)) ::ShowWindow(window, SW_SHOWDEFAULT);
      ::SetForegroundWindow(window);
      return true;
    }
  }
  return false;
}

}  // namespace orvane
