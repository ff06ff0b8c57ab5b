// playbench.exe: Orvane.exe as a user drives it, measured. Starts the program from its own folder,
// presses Play, lets two camera clients read the virtual camera, and reports:
//   - the time from the click on Play to the first frame at the virtual camera device;
//   - the frames the program delivered while both clients read, and the times of that window (the
//     script reads the program's memory, descriptors and CPU time from the host meanwhile: Wine 8
//     reports none of them through the process APIs);
//   - after the camera failed and stopped (the synthetic webcam's fault switch), the time from a client
//     opening the virtual camera to the first live frame, which the program's auto-play brings.
// The clients' own reports (frames, rate, drops, latency) follow. Expects the virtual camera installed
// and the synthetic webcam registered as the only camera (scripts/program-bench.sh sets that up).
//   playbench.exe [SECONDS]   the clients' reading time, default 60
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/state/DeviceState.h"
#include "platform/win/UniqueResource.h"

namespace {

using orvane::UniqueHandle;
using orvane::state::DeviceState;

constexpr LONG_PTR kMainWindowMarker = 1024;
constexpr int kPlayButton = 1002;
constexpr wchar_t kFaultValueKey[] = L"Software\\Halvyn\\TestCam\\0";

double NowMs() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

struct Process {
  UniqueHandle handle;
  DWORD id = 0;
};

// `commandLine` started from the program folder; its output goes to `output` when given.
Process Start(const std::wstring& commandLine, HANDLE output = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine;
  Process process;
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, ProgramFolder().c_str(),
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    process.handle.reset(info.hProcess);
    process.id = info.dwProcessId;
  }
  return process;
}

HWND MainWindowOf(DWORD processId) {
  struct Search {
    DWORD id;
    HWND found;
  } search{processId, nullptr};
  for (int attempt = 0; attempt < 600 && search.found == nullptr; ++attempt) {
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(context);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(window, &owner);
          if (owner == s.id && ::GetWindowLongPtrW(window, GWLP_USERDATA) == kMainWindowMarker) {
            s.found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) ::Sleep(100);
  }
  return search.found;
}

// Milliseconds until the device's frame counter moves past `from`; -1 after `limitMs`.
double WaitForFrame(const DeviceState& device, uint64_t from, double startMs, double limitMs = 10000) {
  while (NowMs() - startMs < limitMs) {
    if (device.FrameCounter() != from) return NowMs() - startMs;
    ::Sleep(1);
  }
  return -1;
}

// Seconds since 1970 (UTC), as the host's clock counts them: the benchmark script matches its samples
// of the program's memory and CPU to the run by these times.
double EpochSeconds() {
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks) / 1e7 - 11644473600.0;
}

void SetFault(DWORD fault) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kFaultValueKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    ::RegSetValueExW(key, L"Fault", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&fault), sizeof fault);
    ::RegCloseKey(key);
  }
}

// A file the clients write their reports into, inherited by them.
UniqueHandle ReportFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

void PrintFile(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return;
  char buffer[4096];
  for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) std::fwrite(buffer, 1, read, stdout);
  std::fclose(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int seconds = argc > 1 ? std::max(5, _wtoi(argv[1])) : 60;
  std::unique_ptr<DeviceState> device;
  if (FAILED(DeviceState::Open(0, device))) {
    std::fprintf(stderr, "playbench: the virtual camera's state cannot be opened\n");
    return 1;
  }
  Process program = Start(L"\"" + ProgramFolder() + L"Orvane.exe\"");
  HWND window = program.handle ? MainWindowOf(program.id) : nullptr;
  if (window == nullptr) {
    std::fprintf(stderr, "playbench: Orvane.exe did not show its window\n");
    return 1;
  }
  ::Sleep(1500);  // the window settles (the client poll's first ticks)

  // Play, as a click on the button.
  const uint64_t before = device->FrameCounter();
  const double clicked = NowMs();
  ::SendMessageW(::GetDlgItem(window, kPlayButton), BM_CLICK, 0, 0);
  const double playToFrame = WaitForFrame(*device, before, clicked);

  // Two call apps read for the run.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring reports[] = {std::wstring(temp) + L"playbench-1080p.txt", std::wstring(temp) + L"playbench-720p.txt"};
  const std::wstring clients[] = {
      L"camclient.exe read --device Orvane --size 1920x1080 --format YUY2 --fps 30 --seconds " + std::to_wstring(seconds),
      L"camclient.exe read --device Orvane --size 1280x720 --format NV12 --fps 30 --seconds " + std::to_wstring(seconds)};
  std::vector<Process> readers;
  std::vector<UniqueHandle> files;
  for (int i = 0; i < 2; ++i) {
    files.push_back(ReportFile(reports[i]));
    readers.push_back(Start(ProgramFolder() + clients[i], files.back().get()));
  }
  ::Sleep(3000);  // the clients' graphs start
  const double startTime = EpochSeconds();
  const uint64_t startFrames = device->FrameCounter();
  for (Process& reader : readers) ::WaitForSingleObject(reader.handle.get(), (seconds + 60) * 1000);
  const double endTime = EpochSeconds();
  const uint64_t frames = device->FrameCounter() - startFrames;
  files.clear();

  // The camera fails: playback stops and the camera stays remembered; a call app opening the virtual
  // camera then brings it back.
  SetFault(1);
  uint64_t last = device->FrameCounter();
  for (double quiet = NowMs(); NowMs() - quiet < 1500;) {
    ::Sleep(50);
    if (device->FrameCounter() != last) {
      last = device->FrameCounter();
      quiet = NowMs();
    }
  }
  SetFault(0);
  const double opened = NowMs();
  Process late = Start(ProgramFolder() + L"camclient.exe read --device Orvane --size 1280x720 --format NV12 --seconds 5");
  const double openToLive = WaitForFrame(*device, device->FrameCounter(), opened);
  ::WaitForSingleObject(late.handle.get(), 60000);

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(program.handle.get(), 30000);

  std::printf("Play to the first frame at the device      %8.0f ms\n", playToFrame);
  std::printf("Client open to the first live frame         %8.0f ms (auto-play after a camera failure)\n", openToLive);
  std::printf("Frames delivered by the program             %8llu (%.2f fps)\n", static_cast<unsigned long long>(frames),
              static_cast<double>(frames) / (endTime - startTime));
  // For the script: the measured window and the frames delivered in it.
  std::printf("measured %.3f %.3f %llu\n", startTime, endTime, static_cast<unsigned long long>(frames));
  for (const std::wstring& report : reports) {
    std::printf("== camclient: %ls\n", report.c_str());
    PrintFile(report);
    ::DeleteFileW(report.c_str());
  }
  return playToFrame >= 0 && openToLive >= 0 ? 0 : 1;
}
