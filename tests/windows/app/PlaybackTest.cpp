// Orvane.exe's playback as a user meets it under Wine + Xvfb, with the synthetic webcam, a virtual
// camera device and a camera client in this process reading the device as a call app would: the
// remembered camera played at start and forgotten by the user's Stop, a busy camera retried until it is
// free, a failing camera stopped but kept (a new reader brings it back) and a pulled-out one awaited,
// a video file chosen with Ctrl+O that loops and is resumed once at the next start, a picture chosen
// with Shift+Play, and the output keys changing what the reader sees, stored only when the program ends.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"
#include "app/ui/MainResources.h"
#include "app/ui/PlaybackRules.h"
#include "platform/win/RegistryKey.h"
#include "tests/windows/app/ProgramRuns.h"
#include "tests/windows/app/Screenshots.h"
#include "tests/windows/app/TestSupport.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"
#include "tools/camclient/PictureFile.h"

namespace orvane::test {
namespace {

using orvane::testing::CameraClient;
using orvane::testing::CameraConfig;
using orvane::testing::CameraRegistration;
using orvane::testing::InstalledCameras;

constexpr wchar_t kWebcam[] = L"Orvane Test Camera";

std::string Shown(const std::wstring& text) { return ::testing::PrintToString(text); }

// The status line of a state, as the program words it in the user's language.
std::wstring Status(const wchar_t* id, const std::wstring& name = {}) {
  const XMLStrings& strings = LoadedStrings();
  return name.empty() ? strings.Lookup(id) : strings.Format(id, name) + L"...";
}

RegistryKeyPath Settings() { return RegistryKeyPath(HKEY_CURRENT_USER, settings::kBaseKey); }

void Store(const wchar_t* name, const std::wstring& text) {
  UniqueRegKey key;
  ASSERT_EQ(registry::CreateKey(HKEY_CURRENT_USER, settings::kBaseKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
  ASSERT_EQ(Settings().WriteText(name, text), ERROR_SUCCESS);
}

bool HasLogLine(const std::string& line) {
  for (const std::string& logged : LogLines()) {
    if (logged.find(line) != std::string::npos) return true;
  }
  return false;
}

// A dialog that the program opens over its main window (the open-file dialog); null when none
// appears in time.
HWND WaitForDialog(DWORD processId, HWND mainWindow) {
  struct Search {
    DWORD processId;
    HWND mainWindow;
    HWND found;
  } search{processId, mainWindow, nullptr};
  WaitUntil([&] {
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(context);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(window, &owner);
          wchar_t name[16] = L"";
          ::GetClassNameW(window, name, 16);
          if (owner == s.processId && window != s.mainWindow && ::IsWindowVisible(window) &&
              std::wstring(name) == L"#32770") {
            s.found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

// Types `path` into an open-file dialog's name field and presses Open, as a user would.
void ChooseFile(HWND dialog, const std::wstring& path) {
  HWND name = ::GetDlgItem(dialog, 0x47C);  // the name box of the explorer-style dialog
  if (name == nullptr) name = ::GetDlgItem(dialog, 0x480);
  ASSERT_NE(name, nullptr) << "no file name field";
  ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

std::wstring ClipPath(const wchar_t* name) {
  wchar_t full[MAX_PATH];
  ::GetFullPathNameW((std::wstring(ORVANE_CLIP_FOLDER) + L"/" + name).c_str(), MAX_PATH, full, nullptr);
  return full;
}

class PlaybackTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    devices_ = std::make_unique<InstalledCameras>(1);
    ASSERT_EQ(devices_->result(), S_OK);
    RemoveLogFiles();
  }

  // The program goes before the webcam: a webcam unregistered under a running graph hangs the program.
  void TearDown() override {
    if (run_) End();
    if (HasFailure()) {
      std::string log;
      for (const std::string& line : LogLines()) log += line + "\n";
      ADD_FAILURE() << "the program's log:\n" << log;
    }
    webcam_.reset();
    ProgramTest::TearDown();
  }

  void RegisterWebcam(CameraConfig config = {}) {
    webcam_ = std::make_unique<CameraRegistration>(std::vector<CameraConfig>{config});
    ASSERT_EQ(webcam_->registered(), S_OK);
  }

  HWND Start() {
    run_ = std::make_unique<ProgramRun>(orvane::testing::ProgramFolder(), L"/debug");
    window_ = run_->started() ? WaitForMainWindow(run_->id()) : nullptr;
    return window_;
  }
  // Asks the program to end, as "/cmd quit" does, and waits for it.
  void End() {
    EXPECT_EQ(Quit(), 0);
    EXPECT_GE(run_->Finish(), 0);
    run_.reset();
    CloseRevealedLog(10000);
  }

  HWND Control(int id) const { return ::GetDlgItem(window_, id); }
  std::wstring StatusLine() const { return WindowTextOf(Control(IDC_STATUS)); }
  bool WaitForStatus(const std::wstring& status) const {
    return WaitUntil([&] { return StatusLine() == status; });
  }
  // A click on a button of the window (the button reports it with its own handle, as a mouse click).
  void Click(int id) const { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }

  // Real key strokes to the program's window: `keys` pressed in order, released in reverse.
  void Press(std::initializer_list<WORD> keys) const {
    ::SetForegroundWindow(window_);
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == window_; })) << "the window cannot take the keyboard";
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(KeyInput(key, 0));
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) inputs.push_back(KeyInput(*key, KEYEVENTF_KEYUP));
    ASSERT_EQ(::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
  }

  // The reader's frames until one carries the webcam's pattern read as `wanted` says.
  bool WaitForReading(CameraClient& client, const std::function<bool(const PatternReading&)>& wanted,
                      PatternReading& reading) {
    std::vector<uint8_t> pixels;
    for (int frame = 0; frame < 300; ++frame) {
      if (!client.Next(pixels, 1)) return false;
      reading = client.Read(pixels);
      if (reading.found && wanted(reading)) return true;
    }
    return false;
  }

  // Moves the keyboard focus to a control of the window, as the Tab key would.
  void Focus(int id) const { ::PostMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE); }

  static INPUT KeyInput(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    return input;
  }

  std::unique_ptr<InstalledCameras> devices_;
  std::unique_ptr<CameraRegistration> webcam_;
  std::unique_ptr<ProgramRun> run_;
  HWND window_ = nullptr;
};

TEST_F(PlaybackTest, PlaysTheRememberedCameraAtStartAndForgetsItOnStop) {
  RegisterWebcam();
  Store(settings::kLastPlayedDevice, kWebcam);
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  EXPECT_TRUE(::IsWindowVisible(Control(IDC_STOP)));
  EXPECT_TRUE(::IsWindowEnabled(Control(IDC_OPTIONS)));
  SaveScreenshot(CaptureWindow(window_), L"main-window-playing.png");

  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading reading;
  EXPECT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, reading)) << reading.failure;

  Click(IDC_STOP);
  EXPECT_TRUE(WaitForStatus(Status(L"S_SELECT_TO_PLAY"))) << Shown(StatusLine());
  EXPECT_FALSE(Settings().ReadText(settings::kLastPlayedDevice)) << "a user's Stop forgets the camera";
  // A second reader (another process: the count is of applications) changes the client count; with
  // nothing remembered, nothing starts.
  orvane::testing::ClientProcess second(L"read --device Orvane --size 320x240 --format YUY2 --seconds 60");
  EXPECT_TRUE(WaitUntil([] { return HasLogLine("Camera is being used - 2"); }));
  EXPECT_FALSE(HasLogLine("Trying to play last played device"));
  EXPECT_EQ(StatusLine(), Status(L"S_SELECT_TO_PLAY"));
  End();
}

TEST_F(PlaybackTest, RetriesABusyCameraUntilItIsFree) {
  RegisterWebcam();
  CameraRegistration::SetBusy(0, true);
  ASSERT_NE(Start(), nullptr);
  Click(IDC_PLAY);  // the first camera is selected
  EXPECT_TRUE(WaitForStatus(Status(L"S_TRYING_TO_PLAY", kWebcam))) << Shown(StatusLine());
  EXPECT_EQ(Settings().ReadText(settings::kLastPlayedDevice), kWebcam) << "remembered before it runs";
  // At least two more attempts, each a new graph, before the camera is let go.
  EXPECT_TRUE(WaitUntil([] {
    int attempts = 0;
    for (const std::string& line : LogLines()) attempts += line.find("retrying...") != std::string::npos;
    return attempts >= 3;
  }));
  CameraRegistration::SetBusy(0, false);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading reading;
  EXPECT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, reading)) << reading.failure;
  End();
}

// The remembered camera is absent: nothing is selected, Play waits, and choosing a camera or a file
// ends the waiting (a cancelled file choice too).
TEST_F(PlaybackTest, WaitsForAnAbsentCamera) {
  Store(settings::kLastPlayedDevice, L"Camera Unplugged");
  RegisterWebcam();
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(WaitForStatus(Status(L"S_WAITING_FOR_DEVICE", L"Camera Unplugged"))) << Shown(StatusLine());
  EXPECT_EQ(::SendMessageW(Control(IDC_DEVICE_LIST), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(Control(IDC_PLAY)); }));
  SaveScreenshot(CaptureWindow(window_), L"main-window-waiting.png");

  Press({VK_CONTROL, 'O'});
  HWND dialog = WaitForDialog(run_->id(), window_);
  ASSERT_NE(dialog, nullptr);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
  EXPECT_TRUE(WaitForStatus(Status(L"S_SELECT_TO_PLAY"))) << Shown(StatusLine());
  EXPECT_EQ(Settings().ReadText(settings::kLastPlayedDevice), L"Camera Unplugged") << "not forgotten";
}

// The system's notice that a capture device interface came or went, as the window receives it.
LRESULT SendDeviceChange(HWND window, WPARAM event, const std::wstring& interfaceName) {
  std::vector<uint8_t> buffer(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                              (interfaceName.size() + 1) * sizeof(wchar_t));
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
  broadcast->dbcc_size = static_cast<DWORD>(buffer.size());
  broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  broadcast->dbcc_classguid = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
  std::memcpy(broadcast->dbcc_name, interfaceName.c_str(), (interfaceName.size() + 1) * sizeof(wchar_t));
  return ::SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast));
}

// The remembered camera plugged in while the program waits for it: listed, selected and played.
TEST_F(PlaybackTest, TheAwaitedCameraPlaysWhenItArrives) {
  Store(settings::kLastPlayedDevice, kWebcam);
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(WaitForStatus(Status(L"S_WAITING_FOR_DEVICE", kWebcam))) << Shown(StatusLine());
  RegisterWebcam();
  const std::vector<orvane::testing::ListedCamera> listed = orvane::testing::ListTestCameras();
  ASSERT_EQ(listed.size(), 1u);
  std::wstring name = listed[0].devicePath;
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));  // the system's letter case may differ
  EXPECT_EQ(SendDeviceChange(window_, DBT_DEVICEARRIVAL, name), TRUE);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  EXPECT_TRUE(HasLogLine("Device \"Orvane Test Camera\" added"));
  EXPECT_EQ(SendDeviceChange(window_, DBT_DEVNODES_CHANGED, L""), 0);
  EXPECT_TRUE(HasLogLine("DEVICECHANGE - 0x7"));
}

// A camera pulled out while nothing plays: named in the log, gone from the list, the next one selected.
TEST_F(PlaybackTest, APulledOutCameraLeavesTheList) {
  CameraConfig first, second;
  first.friendlyName = L"Desk Camera";
  second.friendlyName = L"Room Camera";
  webcam_ = std::make_unique<CameraRegistration>(std::vector<CameraConfig>{first, second});
  ASSERT_EQ(webcam_->registered(), S_OK);
  const std::vector<orvane::testing::ListedCamera> listed = orvane::testing::ListTestCameras();
  ASSERT_EQ(listed.size(), 2u);
  ASSERT_NE(Start(), nullptr);
  HWND list = Control(IDC_DEVICE_LIST);
  EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);

  webcam_.reset();
  webcam_ = std::make_unique<CameraRegistration>(std::vector<CameraConfig>{second});
  EXPECT_EQ(SendDeviceChange(window_, DBT_DEVICEREMOVECOMPLETE, listed[0].devicePath), TRUE);
  EXPECT_TRUE(HasLogLine("Device \"Desk Camera\" removed"));
  EXPECT_TRUE(HasLogLine("DEVICEREMOVECOMPLETE"));
  EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(IDC_PLAY)); }));
}

TEST_F(PlaybackTest, AFailingCameraIsKeptAndAPulledOutOneAwaited) {
  RegisterWebcam();
  ASSERT_NE(Start(), nullptr);
  Click(IDC_PLAY);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());

  // The graph aborts: playback stops, the camera stays remembered.
  CameraRegistration::SetFault(0, 1);
  EXPECT_TRUE(WaitForStatus(Status(L"S_SELECT_TO_PLAY"))) << Shown(StatusLine());
  EXPECT_TRUE(HasLogLine("DShow Message - 0x3"));
  EXPECT_EQ(Settings().ReadText(settings::kLastPlayedDevice), kWebcam);
  CameraRegistration::SetFault(0, 0);

  // A call app opening the virtual camera starts it again, and the badge counts the reader.
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  EXPECT_TRUE(HasLogLine("Trying to play last played device..."));
  PatternReading reading;
  EXPECT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, reading)) << reading.failure;
  EXPECT_TRUE(::IsWindowVisible(Control(IDC_CLIENT_BADGE)));

  // Pulled out while playing: the program waits for it.
  CameraRegistration::SetFault(0, 2);
  EXPECT_TRUE(WaitForStatus(Status(L"S_WAITING_FOR_DEVICE", kWebcam))) << Shown(StatusLine());
  EXPECT_TRUE(HasLogLine("removed, waiting for it"));
  CameraRegistration::SetFault(0, 0);
  End();
}

TEST_F(PlaybackTest, AVideoFileLoopsAndIsResumedOnceAtTheNextStart) {
  const std::wstring clip = ClipPath(L"video.avi");  // a red second, then a blue second
  ASSERT_NE(Start(), nullptr);
  Press({VK_CONTROL, 'O'});
  HWND dialog = WaitForDialog(run_->id(), window_);
  ASSERT_NE(dialog, nullptr);
  ChooseFile(dialog, clip);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_FILE", L"video.avi"))) << Shown(StatusLine());
  EXPECT_TRUE(::IsWindowVisible(Control(IDC_POSITION)));
  EXPECT_FALSE(::IsWindowVisible(Control(IDC_DEVICE_LIST)));
  EXPECT_EQ(::SendMessageW(Control(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), 2);
  SaveScreenshot(CaptureWindow(window_), L"main-window-file.png");
  // The heading shows the position; the end starts the file again, so that it ends again.
  EXPECT_TRUE(WaitUntil([&] { return WindowTextOf(Control(IDC_HEADING)).find(L" / 00:00:02") != std::wstring::npos; }))
      << Shown(WindowTextOf(Control(IDC_HEADING)));
  EXPECT_TRUE(WaitUntil([] {
    int ends = 0;
    for (const std::string& line : LogLines()) ends += line == "DShow Message - 0x1";
    return ends >= 2;
  }));
  End();
  EXPECT_EQ(Settings().ReadText(settings::kVidFile), clip);
  EXPECT_TRUE(Settings().HasValue(settings::kVidPos.name));

  RemoveLogFiles();
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(WaitForStatus(Status(L"S_PLAYING_FILE", L"video.avi"))) << Shown(StatusLine());
  EXPECT_FALSE(Settings().ReadText(settings::kVidFile)) << "resumed once";
  EXPECT_FALSE(Settings().HasValue(settings::kVidPos.name));
  Click(IDC_STOP);
  EXPECT_TRUE(WaitForStatus(Status(L"S_SELECT_TO_PLAY"))) << Shown(StatusLine());
  EXPECT_TRUE(::IsWindowVisible(Control(IDC_DEVICE_LIST)));
  End();
  EXPECT_FALSE(Settings().ReadText(settings::kVidFile)) << "a stopped file is not resumed";
}

// Each key changes what a call app sees, only while something plays; the options are stored when the
// program ends, and only those that differ from what was stored.
TEST_F(PlaybackTest, OutputKeysChangeWhatReadersSee) {
  CameraConfig camera;
  camera.cameraControl = false;  // zoom and pan are the renderer's own
  RegisterWebcam(camera);
  ASSERT_NE(Start(), nullptr);
  Press({VK_CONTROL, 'M'});  // nothing plays: not the output's key
  // Played with F5, a key after the keys: a click would arrive before the program has seen Ctrl go up.
  Press({VK_F5});
  ASSERT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading start;
  ASSERT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, start)) << start.failure;
  EXPECT_FALSE(start.mirrored);
  EXPECT_EQ(start.quarterTurns, 0);

  using Wanted = std::function<bool(const PatternReading&)>;
  const struct {
    std::initializer_list<WORD> keys;
    const char* what;
    Wanted wanted;
  } steps[] = {
      {{VK_CONTROL, 'M'}, "mirror", [](const PatternReading& r) { return r.mirrored && r.quarterTurns == 0; }},
      {{VK_CONTROL, 'F'}, "and flip: half a turn", [](const PatternReading& r) { return !r.mirrored && r.quarterTurns == 2; }},
      {{VK_CONTROL, 'Z'}, "reset", [](const PatternReading& r) { return !r.mirrored && r.quarterTurns == 0; }},
      {{VK_CONTROL, 'R'}, "rotation", [](const PatternReading& r) { return !r.mirrored && r.quarterTurns % 2 == 1; }},
      {{VK_CONTROL, 'Z'}, "reset", [](const PatternReading& r) { return r.quarterTurns == 0; }},
      {{VK_CONTROL, VK_ADD}, "zoom", [&](const PatternReading& r) { return r.scaleX > start.scaleX * 1.01; }},
      {{VK_CONTROL, VK_RIGHT}, "pan", [&](const PatternReading& r) { return r.scaleX > start.scaleX * 1.01 && std::abs(r.offsetX) > 2; }},
      {{VK_CONTROL, 'Z'}, "reset", [&](const PatternReading& r) { return std::abs(r.scaleX - start.scaleX) < 0.01 && std::abs(r.offsetX) <= 2; }},
  };
  for (const auto& step : steps) {
    Press(step.keys);
    PatternReading reading;
    EXPECT_TRUE(WaitForReading(client, step.wanted, reading))
        << step.what << ": mirrored " << reading.mirrored << ", turns " << reading.quarterTurns << ", scale "
        << reading.scaleX << ", offset " << reading.offsetX;
  }
  // Fill mode: a wide reader of the 4:3 camera sees it fitted with bars, then filled (cropped, larger).
  CameraClient wide;
  ASSERT_EQ(wide.Open(0, FramePixelType::YUY2, 1280, 720), S_OK);
  PatternReading fitted;
  ASSERT_TRUE(orvane::testing::WaitForWebcamFrame(wide, PatternFormat::YUY2, fitted)) << fitted.failure;
  Press({VK_CONTROL, 'S'});
  PatternReading filled;
  EXPECT_TRUE(WaitForReading(wide, [&](const PatternReading& r) { return r.scaleX > fitted.scaleX * 1.2; }, filled))
      << "fitted " << fitted.scaleX << ", then " << filled.scaleX;
  Press({VK_CONTROL, 'M'});
  EXPECT_TRUE(WaitForReading(client, [](const PatternReading& r) { return r.mirrored; }, start));
  EXPECT_FALSE(Settings().HasValue(settings::kOutputMirror.name)) << "stored only at the end";
  End();
  EXPECT_EQ(Settings().ReadNumber(settings::kOutputMirror.name, 7), 1u);
  EXPECT_EQ(Settings().ReadNumber(settings::kOutputFillMode.name, 7), 1u);
  EXPECT_FALSE(Settings().HasValue(settings::kOutputFlip.name)) << "unchanged from the missing value";
}

TEST_F(PlaybackTest, ZoomKeysMoveACameraThatZoomsItself) {
  RegisterWebcam();
  ASSERT_NE(Start(), nullptr);
  Click(IDC_PLAY);
  ASSERT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading start;
  ASSERT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, start)) << start.failure;
  Press({VK_CONTROL, VK_OEM_PLUS});
  PatternReading zoomed;
  EXPECT_TRUE(WaitForReading(client, [&](const PatternReading& r) { return r.payload.zoom > start.payload.zoom; }, zoomed))
      << zoomed.payload.zoom;
  EXPECT_NEAR(zoomed.scaleX, start.scaleX, 0.01) << "the digital zoom stays";
}

// Shift+Play shows the chosen picture while nothing plays; the state stays.
TEST_F(PlaybackTest, ShiftPlayChoosesTheIdlePicture) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring picture = std::wstring(folder) + L"orvane-idle-green.bmp";
  const FrameHeader geometry{FramePixelType::RGB24, 64, 48, 64 * 3};
  std::vector<uint8_t> green(static_cast<size_t>(geometry.stride) * 48);
  for (size_t i = 1; i < green.size(); i += 3) green[i] = 255;  // B, G, R
  ASSERT_EQ(camclient::SavePicture(picture, geometry, green), S_OK);

  RegisterWebcam();
  ASSERT_NE(Start(), nullptr);
  const std::wstring status = StatusLine();
  Focus(IDC_PLAY);
  Press({VK_SHIFT, VK_SPACE});  // a click of the focused button by its key, Shift held
  HWND dialog = WaitForDialog(run_->id(), window_);
  ASSERT_NE(dialog, nullptr);
  ChooseFile(dialog, picture);
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::RGB24, 320, 240), S_OK);
  std::vector<uint8_t> pixels;
  const auto centreIsGreen = [&] {
    if (!client.Next(pixels, 1)) return false;
    const FrameHeader frame = client.geometry();
    const uint8_t* p = &pixels[static_cast<size_t>(frame.stride) * (std::abs(frame.height) / 2) + frame.width / 2 * 3];
    return p[1] > 200 && p[0] < 60 && p[2] < 60;
  };
  EXPECT_TRUE(WaitUntil(centreIsGreen)) << "the reader sees the chosen picture";
  EXPECT_EQ(StatusLine(), status);
  ::DeleteFileW(picture.c_str());
}

// The Options button of a playing camera with property pages opens its menu; "capture format" shows the
// camera pin's format page, whose choice is stored, and the camera plays on.
TEST_F(PlaybackTest, OptionsMenuChangesTheCaptureFormat) {
  RegisterWebcam();
  ASSERT_NE(Start(), nullptr);
  Click(IDC_PLAY);
  ASSERT_TRUE(WaitForStatus(Status(L"S_PLAYING_DEVICE", kWebcam))) << Shown(StatusLine());
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(IDC_OPTIONS)); }));
  Focus(IDC_OPTIONS);
  Press({VK_SPACE});
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    menu = ::FindWindowW(L"#32768", nullptr);
    return menu != nullptr && ::IsWindowVisible(menu);
  })) << "no options menu";
  RECT area{};
  ::GetWindowRect(window_, &area);
  RECT menuArea{};
  ::GetWindowRect(menu, &menuArea);
  ::UnionRect(&area, &area, &menuArea);
  SaveScreenshot(CaptureScreen(area), L"main-window-options-menu.png");
  Press({VK_DOWN});
  Press({VK_DOWN});
  Press({VK_RETURN});
  HWND page = WaitForDialog(run_->id(), window_);
  ASSERT_NE(page, nullptr) << "no format page";
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(page, IDOK)));
  EXPECT_TRUE(WaitUntil([] { return Settings().HasValue(settings::kCapWidth.name); })) << "the chosen format is stored";
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading reading;
  EXPECT_TRUE(orvane::testing::WaitForWebcamFrame(client, PatternFormat::YUY2, reading)) << "plays on: " << reading.failure;
  EXPECT_EQ(StatusLine(), Status(L"S_PLAYING_DEVICE", kWebcam));
}

}  // namespace
}  // namespace orvane::test
