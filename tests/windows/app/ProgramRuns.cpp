#include "tests/windows/app/ProgramRuns.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/core/AppPaths.h"
#include "app/core/CApplication.h"
#include "app/core/PathRules.h"
#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::test {
namespace {

constexpr DWORD kPollMs = 50;

// Waits `milliseconds` for nothing but the clock, while still serving this thread's messages.
void Pause(DWORD milliseconds) { ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT); }

std::wstring WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowTextW, which does not ask the controls of other processes.
  wchar_t text[1024] = {};
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

struct MainWindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<MainWindowSearch*>(parameter);
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == search.processId && ::GetWindowLongPtrW(window, GWLP_USERDATA) == 1024) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

bool IsOrvaneProcess(DWORD processId) {
  const std::vector<DWORD> ids = ProcessesNamed(L"Orvane.exe");
  return std::find(ids.begin(), ids.end(), processId) != ids.end();
}

struct BoxSearch {
  const std::vector<HWND>* seen;
  std::vector<MessageBoxSeen> found;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<BoxSearch*>(parameter);
  wchar_t className[32] = {};
  ::GetClassNameW(window, className, 32);
  if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  if (std::find(search.seen->begin(), search.seen->end(), window) != search.seen->end()) return TRUE;
  MessageBoxSeen box;
  box.window = window;
  ::GetWindowThreadProcessId(window, &box.processId);
  box.caption = WindowText(window);
  // A message box's text is its static control 0xFFFF.
  if (HWND text = ::GetDlgItem(window, 0xFFFF)) box.text = WindowText(text);
  search.found.push_back(box);
  return TRUE;
}

}  // namespace

ProgramFolderCopy::ProgramFolderCopy(const std::vector<std::wstring>& files) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  path_ = JoinPath(temp, L"orvane-program " + std::to_wstring(::GetCurrentProcessId()));
  ::CreateDirectoryW(path_.c_str(), nullptr);
  for (const std::wstring& file : files) {
    const std::wstring target = JoinPath(path_, file);
    const size_t folderEnd = target.find_last_of(L'\\');
    ::CreateDirectoryW(target.substr(0, folderEnd).c_str(), nullptr);
    EXPECT_TRUE(::CopyFileW((testing::ProgramFolder() + file).c_str(), target.c_str(), FALSE)) << "cannot copy a file";
  }
}

ProgramFolderCopy::~ProgramFolderCopy() {
  // Empty the folder (one level of subfolders is enough for a program folder), then remove it.
  const auto removeFolder = [](const std::wstring& folder, auto& self) -> void {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(JoinPath(folder, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = JoinPath(folder, name);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
          self(path, self);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
  };
  removeFolder(path_, removeFolder);
}

ProgramRun::ProgramRun(const std::wstring& folder, const std::wstring& arguments) {
  const std::wstring program = JoinPath(folder, L"Orvane.exe");
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info)) {
    ADD_FAILURE() << "cannot start Orvane.exe: " << ::GetLastError();
    return;
  }
  process_.reset(info.hProcess);
  UniqueHandle thread(info.hThread);
  id_ = info.dwProcessId;
}

ProgramRun::~ProgramRun() {
  if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), kRunTimeoutMs);
  }
}

long ProgramRun::Finish(DWORD milliseconds) {
  if (!process_ || ::WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return static_cast<long>(code);
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD milliseconds, const std::vector<HWND>& seen) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  do {
    BoxSearch search{&seen, {}};
    ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    for (const MessageBoxSeen& box : search.found) {
      // The text is filled in while the box is created: wait until it is there.
      if (IsOrvaneProcess(box.processId) && !box.text.empty()) return box;
    }
    Pause(kPollMs);
  } while (::GetTickCount64() < deadline);
  return std::nullopt;
}

void Answer(const MessageBoxSeen& box, int button) {
  ::PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

HWND WaitForMainWindow(DWORD processId, DWORD milliseconds) {
  MainWindowSearch search{processId, nullptr};
  WaitUntil(
      [&] {
        ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      milliseconds);
  return search.found;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  while (!condition()) {
    if (::GetTickCount64() >= deadline) return false;
    Pause(kPollMs);
  }
  return true;
}

std::wstring WindowTextOf(HWND window) { return WindowText(window); }

bool CloseRevealedLog(DWORD milliseconds) {
  DWORD explorer = 0;
  const bool found = WaitUntil(
      [&] {
        for (DWORD id : ProcessesNamed(L"explorer.exe")) {
          if (CommandLineOf(id).find(L"Halvyn\\Orvane") != std::wstring::npos) explorer = id;
        }
        return explorer != 0;
      },
      milliseconds);
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, explorer));
  if (!process) return found;
  // Closed as a user closes it: a killed Explorer leaves the shell's next folder window unopened.
  ::EnumWindows(
      [](HWND window, LPARAM id) -> BOOL {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == static_cast<DWORD>(id)) ::PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      static_cast<LPARAM>(explorer));
  if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), kRunTimeoutMs);
  }
  return found;
}

const XMLStrings& LoadedStrings() {
  CApplication::Instance();
  return XMLStrings::Instance();
}

std::wstring CommandLineOf(DWORD processId) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return {};
  using QueryInformation = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr || query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return {};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!::ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !::ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    return {};
  }
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!::ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length,
                           nullptr)) {
    return {};
  }
  return line;
}

std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
  std::vector<DWORD> ids;
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, name) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

bool WaitUntilNoneRuns(const wchar_t* name, DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  while (!ProcessesNamed(name).empty()) {
    if (::GetTickCount64() >= deadline) return false;
    Pause(kPollMs);
  }
  return true;
}

void RemoveLogFiles() {
  const std::wstring folder = DataFolder();
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(JoinPath(folder, L"Orvane_*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    ::DeleteFileW(JoinPath(folder, found.cFileName).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  const std::wstring folder = DataFolder();
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(JoinPath(folder, L"Orvane_*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return lines;
  do {
    files.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(files.begin(), files.end());  // named after the time they were opened
  for (const std::wstring& file : files) {
    std::ifstream in(JoinPath(folder, file).c_str());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // Entries are "[hh:mm:ss:mmm]  message": keep the message.
      const size_t start = line.find("]  ");
      if (line.rfind("[", 0) == 0 && start != std::string::npos) lines.push_back(line.substr(start + 3));
    }
  }
  return lines;
}

void ProgramTest::SetUp() {
  UserSettingsTest::SetUp();
  ASSERT_TRUE(com_.ok());
  ASSERT_TRUE(ProcessesNamed(L"Orvane.exe").empty()) << "a program left running would answer for this test";
  ASSERT_EQ(testing::InstalledCameras::RemoveAll(), S_OK);
  RemoveLogFiles();
}

void ProgramTest::TearDown() {
  if (!ProcessesNamed(L"Orvane.exe").empty()) Quit();
  EXPECT_TRUE(WaitUntilNoneRuns(L"Orvane.exe"));
  EXPECT_TRUE(WaitUntilNoneRuns(L"devcon.exe"));
  EXPECT_EQ(testing::InstalledCameras::RemoveAll(), S_OK);
  RemoveLogFiles();
  UserSettingsTest::TearDown();
}

long ProgramTest::Command(const std::wstring& arguments) {
  return ProgramRun(testing::ProgramFolder(), arguments).Finish();
}

}  // namespace orvane::test
