#include "app/ui/CMainDlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <optional>

#include "app/core/AppPaths.h"
#include "app/core/CApplication.h"
#include "app/core/PathRules.h"
#include "app/core/RunningInstances.h"
#include "app/core/UIDispatcher.h"
#include "app/devices/NimbHelper.h"
#include "app/diagnostics/CFileVersionInfo.h"
#include "app/diagnostics/Logger.h"
#include "app/settings/DayNumber.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"
#include "app/ui/MainResources.h"
#include "app/ui/PlaybackRules.h"
#include "platform/com/ComPtr.h"
#include "platform/win/StringConversion.h"
#include "shared/INimbRenderer.h"

namespace orvane {
namespace {

constexpr UINT_PTR kClientPollTimer = 1;
constexpr UINT_PTR kRetryTimer = 2;
constexpr UINT_PTR kPositionTimer = 3;
constexpr UINT kTimerMs = 1000;

// The kernel-streaming capture category, whose device interfaces cameras register.
constexpr GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

constexpr wchar_t kTrayCallbackName[] = L"E21BC2D4-F429-41F7-8570-AC09DD12C1A2";
constexpr wchar_t kGraphEventName[] = L"83FC5600-E562-4E2B-AD92-A5EBC27FB9E8";

constexpr wchar_t kVideoFileFilter[] =
    L"Video files(*.avi;*.mpg;*.mpeg;*.mov;*.mp4;*.mkv)\0*.avi;*.mpg;*.mpeg;*.mov;*.mp4;*.mkv\0"
    L"All files(*.*)\0*.*\0";
constexpr wchar_t kPictureFilter[] =
    L"Image files(*.jpg;*.bmp;*.png;*.gif)\0*.jpg;*.bmp;*.png;*.gif\0All files(*.*)\0*.*\0";

constexpr COLORREF kBackground = RGB(247, 248, 249);
constexpr COLORREF kStaticText = RGB(51, 51, 51);
// Glyph buttons: normal, mouse over, pressed.
constexpr COLORREF kGlyphNormal = RGB(112, 112, 112);
constexpr COLORREF kGlyphHover = RGB(131, 0, 255);
constexpr COLORREF kGlyphPressed = RGB(160, 66, 255);
constexpr COLORREF kBadgeNormal = RGB(221, 0, 0);
constexpr COLORREF kBadgeActive = RGB(255, 0, 0);

// Colour slots of CButtonST: text when hovered, pressed, and otherwise.
constexpr int kTextHovered = 1;
constexpr int kTextPressed = 2;
constexpr int kTextNormal = 4;

HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }

bool KeyDown(int virtualKey) { return ::GetKeyState(virtualKey) < 0; }

RegistryKeyPath DeviceSettings() { return RegistryKeyPath(HKEY_CURRENT_USER, CApplication::Instance().PerDeviceKeyPath()); }

// The renderer's control, asked for anew each time: the renderer refuses it while it has found no
// virtual camera, and may find one later.
ComPtr<INimbRenderer> RendererControl() {
  ComPtr<INimbRenderer> control;
  if (IBaseFilter* filter = NimbHelper::Instance().filter()) filter->QueryInterface(IID_INimbRenderer, &control);
  return control;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Quoted(const std::wstring& name) { return "\"" + WideToAnsi(name) + "\""; }

std::wstring Text(const wchar_t* id) { return XMLStrings::Instance().Lookup(id); }

HFONT IconFont(int points) {
  HDC screen = ::GetDC(nullptr);
  const int pixelsPerInch = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return ::CreateFontW(-::MulDiv(points, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 0, 0, 0,
                       CLEARTYPE_NATURAL_QUALITY, 0, L"iconfont");
}

// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::optional<ProductVersion> ReadProductVersion() {
  CFileVersionInfo info;
  if (!info.Open(ProgramPath().c_str())) return std::nullopt;
  const VS_FIXEDFILEINFO& fixed = info.FixedInfo();
  return ProductVersion{HIWORD(fixed.dwProductVersionMS), LOWORD(fixed.dwProductVersionMS),
                        HIWORD(fixed.dwProductVersionLS)};
}

}  // namespace

CMainDlg::CMainDlg()
    : ui::CDialogImpl(IDD_MAIN),
      trayCallbackMessage_(::RegisterWindowMessageW(kTrayCallbackName)),
      graphEventMessage_(::RegisterWindowMessageW(kGraphEventName)),
      graph_(CApplication::Instance().PerDeviceKeyPath()) {}

CMainDlg::~CMainDlg() {
  DestroyWindow();
  if (background_ != nullptr) ::DeleteObject(background_);
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
  if (buttonFont_ != nullptr) ::DeleteObject(buttonFont_);
  if (badgeFont_ != nullptr) ::DeleteObject(badgeFont_);
  if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
}

bool CMainDlg::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (message == graphEventMessage_ && message != 0) {
    OnGraphEvent(static_cast<long>(wParam));
    return true;
  }
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_DESTROY:
      OnDestroy();
      return true;
    case WM_CLOSE:
      ::DestroyWindow(window);
      ::PostQuitMessage(1);
      return true;
    case WM_COMMAND: {
      // Commands of our own controls and menus, including those other instances post.
      const auto source = reinterpret_cast<HWND>(lParam);
      if (source == nullptr || source == window || ::GetParent(source) == window) {
        OnCommand(LOWORD(wParam), HIWORD(wParam), source);
      }
      ui::ReflectNotifications(window, message, wParam, lParam, result);
      return true;
    }
    case WM_SYSCOMMAND:
      // Minimising hides the window; the tray icon stays to bring it back.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ::ShowWindow(window, SW_HIDE);
        return true;
      }
      return false;
    case WM_CTLCOLORSTATIC:
      ::SetTextColor(reinterpret_cast<HDC>(wParam), kStaticText);
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      result = reinterpret_cast<LRESULT>(background_);
      return true;
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == positionSlider_) OnPositionScroll(LOWORD(wParam));
      return true;
    case WM_POWERBROADCAST:
      result = TRUE;
      return true;
    case WM_DEVICECHANGE:
      result = OnDeviceChange(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
      return true;
    default:
      break;
  }
  if (HandleDoubleBuffer(window, message, wParam, result)) return true;
  return ui::ReflectNotifications(window, message, wParam, lParam, result);
}

bool CMainDlg::PreTranslateMessage(MSG& message) {
  HWND self = window();
  if (self == nullptr) return false;
  if (accelerators_ != nullptr && ::TranslateAcceleratorW(self, accelerators_, &message)) return true;
  if (message.message == WM_KEYDOWN && OnOutputKey(static_cast<UINT>(message.wParam))) return true;
  return ::IsDialogMessageW(self, &message) != FALSE;
}

bool CMainDlg::OnIdle() {
  UIUpdateChildWindows(window());
  return false;
}

void CMainDlg::DoPaint(HDC dc) {
  RECT client{};
  ::GetClientRect(window(), &client);
  ::FillRect(dc, &client, background_);
}

// ---- Start and end ------------------------------------------------------------------------------

LRESULT CMainDlg::OnInitDialog() {
  Log("Init main window");
  HWND self = window();
  ::SetWindowLongPtrW(self, GWLP_USERDATA, static_cast<LONG_PTR>(kMainWindowMarker));
  UIDispatcher::Instance().Create();

  if (const std::optional<std::wstring> stored = DeviceSettings().ReadText(settings::kLastPlayedDevice)) {
    lastPlayedDevice_ = *stored;
    if (DebugLoggingEnabled()) Log("Last played device: " + Quoted(lastPlayedDevice_));
  }

  background_ = ::CreateSolidBrush(kBackground);
  accelerators_ = ::LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
  SetUpWindow();

  loop_ = ui::CAppModule::Instance().GetMessageLoop();
  if (loop_ != nullptr) {
    loop_->AddMessageFilter(this);
    loop_->AddIdleHandler(this);
  }
  SetUpControls();
  StartTimer(kClientPollTimer);
  RunDailyCheck();

  // Cameras plugged in and out: capture-device interfaces, reported to this window.
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kCaptureCategory;
  deviceNotification_ = ::RegisterDeviceNotificationW(self, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  RefreshDeviceList();
  SetState(PlaybackState::Stopped);

  // The renderer every graph ends in: loading it shows the one error box when it is missing.
  ApplyStoredOutputOptions();
  graph_.SetRenderer(NimbHelper::Instance().filter());
  graph_.SetOwner(self, graphEventMessage_);

  if (const std::wstring idle = ProgramFilePath(L"idle.bmp"); !idle.empty() && FileExists(idle)) {
    graph_.SetPicture(idle.c_str());
  }
  ResumeVideoFile();

  if (!lastPlayedDevice_.empty()) {
    if (DebugLoggingEnabled()) Log("Waiting for " + WideToAnsi(lastPlayedDevice_));
    currentName_ = lastPlayedDevice_;
    SetState(PlaybackState::WaitingForDevice);
    StartTimer(kRetryTimer);
  }
  RefreshTexts();
  return TRUE;
}

// A file playing when the program last ended plays on from where it was, once: the stored values go
// whether or not it plays, and a file that is gone or will not open is forgotten without a word.
void CMainDlg::ResumeVideoFile() {
  const RegistryKeyPath settings = DeviceSettings();
  const std::optional<std::wstring> file = settings.ReadText(settings::kVidFile);
  if (file && FileExists(*file)) {
    const DWORD position = settings.Read(settings::kVidPos);
    const int startMs = static_cast<int>(std::min<DWORD>(position, INT32_MAX));
    if (graph_.OpenFile(*file, startMs) && SUCCEEDED(graph_.Run())) {
      videoFile_ = *file;
      EnterFilePlayback();
      lastPlayedDevice_.clear();
    } else {
      graph_.Cleanup();
    }
  }
  settings.DeleteValue(settings::kVidFile);
  settings.DeleteValue(settings::kVidPos.name);
}

void CMainDlg::OnDestroy() {
  HWND self = window();
  if (deviceNotification_ != nullptr) {
    ::UnregisterDeviceNotification(deviceNotification_);
    deviceNotification_ = nullptr;
  }
  StoreOutputOptions();
  if (graph_.IsRunning() && !graph_.isDevice() && !videoFile_.empty()) {
    const RegistryKeyPath settings = DeviceSettings();
    settings.WriteText(settings::kVidFile, videoFile_);
    const double position = graph_.GetPositionMs();
    settings.WriteNumber(settings::kVidPos.name, position > 0 && position < 4294967295.0 ? static_cast<DWORD>(position) : 0);
  }
  for (UINT_PTR id : {kClientPollTimer, kRetryTimer, kPositionTimer}) StopTimer(id);
  graph_.Cleanup();
  graph_.SetRenderer(nullptr);
  graph_.SetOwner(nullptr, 0);
  NimbHelper::Instance().Release();
  if (loop_ != nullptr) {
    loop_->RemoveMessageFilter(this);
    loop_->RemoveIdleHandler(this);
    loop_ = nullptr;
  }
  ::SetWindowLongPtrW(self, GWLP_USERDATA, 0);
  Log("Destroyed");
}

void CMainDlg::RunDailyCheck() {
  FILETIME now{}, local{};
  ::GetSystemTimeAsFileTime(&now);
  if (!::FileTimeToLocalFileTime(&now, &local)) return;
  const int64_t day =
      DayNumberFromLocalFileTime((static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime);
  const RegistryKeyPath base(HKEY_CURRENT_USER, settings::kBaseKey);
  const auto stored = static_cast<int64_t>(static_cast<int32_t>(base.Read(settings::kLastRun)));
  if (day == stored) return;
  base.WriteNumber(settings::kLastRun.name, static_cast<DWORD>(day));
  if (!startedHidden_ && updateCheck_) updateCheck_();
}

// ---- Commands -----------------------------------------------------------------------------------

void CMainDlg::OnCommand(int id, int code, HWND source) {
  // Clicks, keys, menus and other instances name a window; timers and graph events send none.
  const bool userInitiated = source != nullptr && ::IsWindow(source);
  switch (id) {
    case IDC_PLAY:
      Play(userInitiated);
      break;
    case IDC_STOP:
      Stop(userInitiated);
      break;
    case ID_PLAY_TOGGLE:
      if (graph_.IsActive()) {
        ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), reinterpret_cast<LPARAM>(stop_.window()));
      } else {
        ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), reinterpret_cast<LPARAM>(play_.window()));
      }
      break;
    case IDC_OPTIONS:
      OnOptions();
      break;
    case ID_SOURCE_FILTER:
      graph_.ShowSourceProperties(window(), nullptr);
      break;
    case ID_SOURCE_PIN:
      ChangeCaptureFormat();
      break;
    case ID_APP_EXIT:
      ::DestroyWindow(window());
      ::PostQuitMessage(ID_APP_EXIT);
      break;
    case ID_SHOW_HIDE:
      ::ShowWindow(window(), ::IsWindowVisible(window()) ? SW_HIDE : SW_SHOW);
      break;
    case IDC_DEVICE_LIST:
      if (code == CBN_SELCHANGE) OnSelectionChange();
      break;
    default:
      // About and the tray menu's own commands come with the tray and the About dialog.
      break;
  }
}

// Re-entered when a dialog's own message loop dispatches a command meanwhile; the timers are kept out
// by inGraphCommand_.
void CMainDlg::Play(bool userInitiated) {
  const bool outer = !inGraphCommand_;
  inGraphCommand_ = true;
  graph_.Cleanup();
  if (userInitiated && KeyDown(VK_CONTROL)) {
    PlayVideoFile();
  } else if (userInitiated && KeyDown(VK_SHIFT)) {
    ChooseIdlePicture();
  } else if (const DeviceRecord* camera = SelectedCamera();
             camera != nullptr && (userInitiated || camera->friendlyName == lastPlayedDevice_)) {
    // An automatic Play only ever starts the camera the user last played.
    if (!graph_.OpenDevice(*camera)) {
      Log("OpenDevice failed");
    } else {
      if (userInitiated) {
        // Remembered before it runs: a camera that another program holds is still the one to retry.
        lastPlayedDevice_ = camera->friendlyName;
        DeviceSettings().WriteText(settings::kLastPlayedDevice, lastPlayedDevice_);
        Log("Save for next play");
      }
      if (FAILED(graph_.Run())) {
        currentName_ = camera->friendlyName;
        SetState(PlaybackState::TryingToPlay);
        Log("Failed to play " + Quoted(currentName_) + ", retrying...");
        StartTimer(kRetryTimer);
      } else {
        Log("Renderer Run OK");
        StopTimer(kRetryTimer);
        currentName_ = lastPlayedDevice_;
        SetState(PlaybackState::PlayingDevice);
        Log("Playing " + Quoted(currentName_));
      }
    }
  }
  if (outer) inGraphCommand_ = false;
}

void CMainDlg::PlayVideoFile() {
  // Choosing a file ends the waiting for a camera, even when the choice is cancelled.
  if (TimerRuns(kRetryTimer)) {
    StopTimer(kRetryTimer);
    SetState(PlaybackState::Stopped);
  }
  const std::wstring path = RunFileDialog(kVideoFileFilter);
  if (path.empty()) return;
  if (graph_.OpenFile(path, 0) && SUCCEEDED(graph_.Run())) {
    videoFile_ = path;
    EnterFilePlayback();
  }
}

void CMainDlg::ChooseIdlePicture() {
  const std::wstring path = RunFileDialog(kPictureFilter);
  if (!path.empty()) graph_.SetPicture(path.c_str());
}

std::wstring CMainDlg::RunFileDialog(const wchar_t* filter) {
  wchar_t path[settings::kMaxTextBytes] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window();
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = static_cast<DWORD>(std::size(path));
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return ::GetOpenFileNameW(&dialog) ? std::wstring(path) : std::wstring();
}

void CMainDlg::EnterFilePlayback() {
  currentName_ = FileNameOf(videoFile_);
  SetState(PlaybackState::PlayingFile);
  ShowDeviceList(false);
  ::SendMessageW(positionSlider_, TBM_SETRANGEMAX, TRUE, WholeSeconds(graph_.duration()));
  StartTimer(kPositionTimer);
}

void CMainDlg::Stop(bool userInitiated) {
  const bool outer = !inGraphCommand_;
  inGraphCommand_ = true;
  if (graph_.IsActive() && !graph_.isDevice()) {
    StopTimer(kPositionTimer);
    ShowDeviceList(true);
  }
  graph_.Cleanup();
  SetState(PlaybackState::Stopped);
  // A user's Stop forgets the camera; a stop after a graph error keeps it, so that it can come back.
  if (userInitiated && graph_.isDevice()) {
    DeviceSettings().DeleteValue(settings::kLastPlayedDevice);
    lastPlayedDevice_.clear();
  }
  Log("STOP");
  if (outer) inGraphCommand_ = false;
}

void CMainDlg::OnSelectionChange() {
  UIEnable(IDC_PLAY, true);
  // Choosing another camera ends the waiting.
  if (TimerRuns(kRetryTimer)) {
    StopTimer(kRetryTimer);
    SetState(PlaybackState::Stopped);
  }
}

void CMainDlg::OnOptions() {
  if (!graph_.HasSourceProperties()) {
    ChangeCaptureFormat();
    return;
  }
  HMENU menu = ::LoadMenuW(Module(), MAKEINTRESOURCEW(IDR_OPTIONS_MENU));
  if (menu == nullptr) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  for (const auto& [id, text] : {std::pair{ID_SOURCE_FILTER, L"MenuFilter"}, {ID_SOURCE_PIN, L"MenuPin"}}) {
    ::ModifyMenuW(popup, id, MF_BYCOMMAND | MF_STRING, id, Text(text).c_str());
  }
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::TrackPopupMenuEx(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, window(), nullptr);
  ::DestroyMenu(menu);
}

void CMainDlg::ChangeCaptureFormat() {
  const bool outer = !inGraphCommand_;
  inGraphCommand_ = true;
  graph_.DisconnectDownstream();
  graph_.ShowCaptureFormatDialog(window(), nullptr);
  if (graph_.ConnectRenderer()) graph_.Run();
  if (outer) inGraphCommand_ = false;
}

// ---- Timers and graph events ----------------------------------------------------------------------

void CMainDlg::StartTimer(UINT_PTR id) {
  if (TimerRuns(id)) return;
  if (::SetTimer(window(), id, kTimerMs, nullptr) != 0) runningTimers_ |= 1u << id;
}

void CMainDlg::StopTimer(UINT_PTR id) {
  if (!TimerRuns(id)) return;
  ::KillTimer(window(), id);
  runningTimers_ &= ~(1u << id);
}

bool CMainDlg::TimerRuns(UINT_PTR id) const { return (runningTimers_ & (1u << id)) != 0; }

void CMainDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kClientPollTimer:
      OnClientPoll();
      break;
    case kRetryTimer:
      OnRetryTick();
      break;
    case kPositionTimer:
      OnPositionTick();
      break;
    default:
      break;
  }
}

void CMainDlg::OnClientPoll() {
  const auto count = static_cast<uint32_t>(std::max(NimbHelper::Instance().ClientCount(), 0));
  // A graph command under way (its dialog open) is left alone; the count is read again next tick.
  if (inGraphCommand_) return;
  const ClientPoll poll = OnClientCount(clientCount_, count, !lastPlayedDevice_.empty(), graph_.IsActive(),
                                        graph_.renderer() != nullptr);
  if (!poll.changed) return;
  clientCount_ = count;
  if (!poll.showBadge) {
    UIShow(IDC_CLIENT_BADGE, false);
    return;
  }
  Logf("Camera is being used - %u", count);
  UIShow(IDC_CLIENT_BADGE, true);
  UpdateClientBadge();
  if (poll.playLastCamera) {
    Log("Trying to play last played device...");
    ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), 0);
  }
}

void CMainDlg::OnRetryTick() {
  if (inGraphCommand_) return;
  const bool selected = ::SendMessageW(deviceList_, CB_GETCURSEL, 0, 0) != CB_ERR;
  switch (orvane::OnRetryTick(!lastPlayedDevice_.empty(), graph_.IsActive(), graph_.renderer() != nullptr, selected)) {
    case RetryTick::StopTimer:
      StopTimer(kRetryTimer);
      break;
    case RetryTick::KeepWaiting:
      break;
    case RetryTick::PlayLastCamera:
      ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), 0);
      break;
  }
}

void CMainDlg::OnPositionTick() {
  // Not while paused, and not while the user drags the thumb.
  if (inGraphCommand_ || !graph_.IsRunning() || ::GetCapture() == positionSlider_) return;
  const double position = graph_.GetPositionMs();
  ::SetDlgItemTextW(window(), IDC_HEADING, PositionText(position, graph_.duration()).c_str());
  ::SendMessageW(positionSlider_, TBM_SETPOS, TRUE, WholeSeconds(position));
}

void CMainDlg::OnPositionScroll(int code) {
  if (inGraphCommand_ || !graph_.IsActive()) return;
  const auto seconds = static_cast<int>(::SendMessageW(positionSlider_, TBM_GETPOS, 0, 0));
  if (code == TB_THUMBTRACK) {
    ::SetDlgItemTextW(window(), IDC_HEADING, ThumbText(seconds).c_str());
  } else if (code == TB_THUMBPOSITION || code == TB_ENDTRACK) {
    graph_.SeekMs(static_cast<float>(seconds) * 1000.0f);
  }
}

void CMainDlg::OnGraphEvent(long code) {
  switch (ReactionTo(code)) {
    case GraphReaction::PlayFromStart:
      graph_.SeekMs(0);
      break;
    case GraphReaction::Stop:
      ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), 0);
      break;
    case GraphReaction::DeviceLost:
      graph_.Cleanup();
      SetState(PlaybackState::Stopped);
      if (!lastPlayedDevice_.empty()) {
        currentName_ = lastPlayedDevice_;
        SetState(PlaybackState::WaitingForDevice);
        Log("Device " + Quoted(lastPlayedDevice_) + " removed, waiting for it");
        if (tray_ != nullptr) {
          tray_->SetTip(XMLStrings::Instance().Format(L"S_DEVICE_REMOVED", lastPlayedDevice_));
          tray_->SetIcon(IDI_TRAY_TRYING);
        }
      }
      break;
    case GraphReaction::None:
      break;
  }
  Logf("DShow Message - 0x%lx", static_cast<unsigned long>(code));
}

LRESULT CMainDlg::OnDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* header) {
  const bool arrival = event == DBT_DEVICEARRIVAL;
  if (!arrival && event != DBT_DEVICEREMOVECOMPLETE) {
    Logf("DEVICECHANGE - 0x%lx", static_cast<unsigned long>(event));
    return 0;
  }
  if (header == nullptr) return 0;
  if (arrival) {
    Log("DEVICEARRIVAL\n-------------");
    RefreshDeviceList();
  }
  bool rememberedArrived = false;
  if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
    const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    for (size_t index = 0; index < devices_.Count(); ++index) {
      const DeviceRecord& camera = *devices_.At(index);
      if (!ContainsNoCase(camera.devicePath, broadcast->dbcc_name)) continue;
      const bool remembered = !lastPlayedDevice_.empty() && camera.friendlyName == lastPlayedDevice_;
      std::string message = "Device " + Quoted(camera.friendlyName);
      if (arrival) {
        const auto items = static_cast<size_t>(::SendMessageW(deviceList_, CB_GETCOUNT, 0, 0));
        if (index < items && !graph_.IsActive()) ::SendMessageW(deviceList_, CB_SETCURSEL, index, 0);
        message += " added";
        rememberedArrived = remembered;
      } else {
        if (tray_ != nullptr) tray_->ShowBalloon(103, XMLStrings::Instance().Format(L"S_DEVICE_REMOVED", camera.friendlyName));
        message += " removed";
      }
      Log(message);
      break;
    }
  }
  if (!arrival) {
    Log("DEVICEREMOVECOMPLETE");
    RefreshDeviceList();
  }
  // Posted, not sent: the camera starts once this notification has been answered.
  if (rememberedArrived) ::PostMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), 0);
  return TRUE;
}

// ---- Output options -----------------------------------------------------------------------------

void CMainDlg::ApplyStoredOutputOptions() {
  const ComPtr<INimbRenderer> control = RendererControl();
  if (!control) return;
  const RegistryKeyPath settings = DeviceSettings();
  output_.mirror = settings.Read(settings::kOutputMirror) != 0;
  output_.flip = settings.Read(settings::kOutputFlip) != 0;
  output_.rotate = settings.Read(settings::kOutputRotate) != 0;
  output_.fillMode = static_cast<int32_t>(settings.Read(settings::kOutputFillMode));
  control->SetMirror(output_.mirror);
  control->SetFlip(output_.flip);
  control->SetRotate(output_.rotate);
  control->SetFillMode(static_cast<UINT>(output_.fillMode));
  const auto width = static_cast<int>(settings.Read(settings::kDrvWidth));
  const auto height = static_cast<int>(settings.Read(settings::kDrvHeight));
  if (width != 0 && height != 0) {
    control->SetOutputFormat(width, height, static_cast<int>(settings.Read(settings::kDrvFps)),
                             static_cast<int>(settings.Read(settings::kDrvFormat)),
                             static_cast<int>(settings.Read(settings::kDrvOneSizeOnly)));
  }
}

bool CMainDlg::OnOutputKey(UINT virtualKey) {
  const OutputKey key = OutputKeyOf(virtualKey, KeyDown(VK_CONTROL));
  if (key == OutputKey::None || inGraphCommand_) return false;
  if (!graph_.IsActive() || graph_.renderer() == nullptr) return false;
  const ComPtr<INimbRenderer> control = RendererControl();
  if (!control) return false;
  if (key == OutputKey::Pause) {
    graph_.TogglePause();
    return true;
  }
  bool cameraTookIt = false;
  if (const std::optional<CameraSteps> steps = CameraStepsOf(key)) {
    cameraTookIt = graph_.StepCameraControl(steps->zoom, steps->pan, steps->tilt);
  }
  const OutputOptions before = output_;
  output_ = AfterKey(output_, key, cameraTookIt);
  if (key == OutputKey::Reset || output_.mirror != before.mirror) control->SetMirror(output_.mirror);
  if (key == OutputKey::Reset || output_.flip != before.flip) control->SetFlip(output_.flip);
  if (key == OutputKey::Reset || output_.rotate != before.rotate) control->SetRotate(output_.rotate);
  if (key == OutputKey::Reset || key == OutputKey::NextFillMode) {
    control->SetFillMode(static_cast<UINT>(output_.fillMode));
  }
  if (key == OutputKey::Reset || CameraStepsOf(key)) control->SetZoom(output_.zoom, output_.panX, output_.panY);
  return true;
}

void CMainDlg::StoreOutputOptions() {
  if (!RendererControl()) return;
  const RegistryKeyPath settings = DeviceSettings();
  const std::pair<const settings::NumberValue&, DWORD> values[] = {
      {settings::kOutputMirror, output_.mirror ? 1u : 0u},
      {settings::kOutputFlip, output_.flip ? 1u : 0u},
      {settings::kOutputRotate, output_.rotate ? 1u : 0u},
      {settings::kOutputFillMode, static_cast<DWORD>(output_.fillMode)},
  };
  for (const auto& [setting, value] : values) {
    if (settings.ReadNumber(setting.name, 0) != value) settings.WriteNumber(setting.name, value);
  }
}

// ---- What the window shows ----------------------------------------------------------------------

void CMainDlg::SetState(PlaybackState state) {
  state_ = state;
  UpdateUi();
}

const DeviceRecord* CMainDlg::SelectedCamera() const {
  const LRESULT selection = ::SendMessageW(deviceList_, CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? nullptr : devices_.At(static_cast<size_t>(selection));
}

void CMainDlg::SetUpWindow() {
  HWND self = window();
  const CApplication& application = CApplication::Instance();
  const std::wstring title =
      MainWindowTitle(Text(L"AppTitle"), application.DeviceCount() < 2 ? ReadProductVersion() : std::nullopt,
                      application.DeviceIndex(), application.DeviceCount());
  ::SetWindowTextW(self, title.c_str());

  // Centred in the work area of the nearest monitor, and kept inside it.
  RECT frame{};
  ::GetWindowRect(self, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(self, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int left = work.left + (work.right - work.left - width) / 2;
    int top = work.top + (work.bottom - work.top - height) / 2;
    left = std::max<int>(work.left, std::min<int>(left, work.right - width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    ::SetWindowPos(self, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bigIcon_ = static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  ::SendMessageW(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  ::SendMessageW(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void CMainDlg::SetUpControls() {
  HWND self = window();
  buttonFont_ = IconFont(14);
  badgeFont_ = IconFont(11);

  struct Glyph {
    CButtonST& button;
    int id;
    const wchar_t* text;
  };
  const Glyph glyphs[] = {{play_, IDC_PLAY, L"\xE671"},
                          {stop_, IDC_STOP, L"\xE666"},
                          {options_, IDC_OPTIONS, L"\xE68F"},
                          {badge_, IDC_CLIENT_BADGE, kBadgeInitialGlyph}};
  for (const Glyph& glyph : glyphs) {
    CButtonST& button = glyph.button;
    button.Attach(Item(glyph.id));
    ::SendMessageW(button.window(), WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
    button.SetFlatHighlight(false);
    button.SetStateColour(kTextNormal, kGlyphNormal, false);
    button.SetStateColour(kTextHovered, kGlyphHover, false);
    button.SetStateColour(kTextPressed, kGlyphPressed, false);
    button.SetTransparent(false);
    button.SetHoverCursor(IDC_HAND);
    ::SetWindowTextW(button.window(), glyph.text);
  }
  ::SendMessageW(badge_.window(), WM_SETFONT, reinterpret_cast<WPARAM>(badgeFont_), FALSE);
  badge_.SetStateColour(kTextNormal, kBadgeNormal, false);
  badge_.SetStateColour(kTextHovered, kBadgeActive, false);
  badge_.SetStateColour(kTextPressed, kBadgeActive, false);
  badge_.SetHoverCursor(IDC_ARROW);

  deviceList_ = Item(IDC_DEVICE_LIST);
  positionSlider_ = Item(IDC_POSITION);

  // The slider sits on the middle line of the Play/Stop button, three pixels lower.
  const RECT stop = ChildRect(self, stop_.window());
  const RECT slider = ChildRect(self, positionSlider_);
  ::SetWindowPos(positionSlider_, nullptr, slider.left,
                 PositionSliderTop(stop.top, stop.bottom, slider.bottom - slider.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainDlg::MoveBadge() {
  HWND self = window();
  const RECT badge = ChildRect(self, badge_.window());
  const RECT slider = ChildRect(self, positionSlider_);
  const RECT list = ChildRect(self, deviceList_);
  const int left = BadgeLeft(::IsWindowVisible(positionSlider_) != FALSE, slider.right, list.right,
                             badge.right - badge.left);
  ::SetWindowPos(badge_.window(), nullptr, left, badge.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainDlg::ShowDeviceList(bool on) {
  ::ShowWindow(deviceList_, on ? SW_SHOW : SW_HIDE);
  ::ShowWindow(options_.window(), on ? SW_SHOW : SW_HIDE);
  ::ShowWindow(positionSlider_, on ? SW_HIDE : SW_SHOW);
  ::SendMessageW(positionSlider_, TBM_SETPOS, TRUE, 0);
  ::SetDlgItemTextW(window(), IDC_HEADING, Text(on ? L"S_VIDEO_DEVICES" : L"S_VIDEO_FILES").c_str());
  MoveBadge();
}

void CMainDlg::UpdateClientBadge() {
  if (clientCount_ == 0) return;
  ::SetWindowTextW(badge_.window(), BadgeText(clientCount_).c_str());
  const std::wstring tip = XMLStrings::Instance().Format(L"S_BEING_USED", static_cast<int64_t>(clientCount_));
  badge_.SetTooltip(tip.c_str(), true);
  ::InvalidateRect(badge_.window(), nullptr, TRUE);
}

void CMainDlg::RefreshTexts() {
  ::SetDlgItemTextW(window(), IDC_HEADING,
                    Text(state_ == PlaybackState::PlayingFile ? L"S_VIDEO_FILES" : L"S_VIDEO_DEVICES").c_str());
  play_.SetTooltip(Text(L"MenuPlay").c_str(), true);
  stop_.SetTooltip(Text(L"MenuStop").c_str(), true);
  options_.SetTooltip(Text(L"S_VIDEO_FORMATS").c_str(), true);
  UpdateUi();
  UpdateClientBadge();
}

void CMainDlg::UpdateUi() {
  const StateView view = ViewOf(state_);
  if (view.playShown) {
    UIShow(IDC_PLAY, *view.playShown);
    UIShow(IDC_STOP, !*view.playShown);
  }
  if (view.optionsEnabled) UIEnable(IDC_OPTIONS, *view.optionsEnabled);
  std::wstring status;
  if (view.statusFormatted) {
    status = XMLStrings::Instance().Format(view.statusId, view.nameIsLastPlayed ? lastPlayedDevice_ : currentName_);
    status += L"...";
  } else {
    status = Text(view.statusId);
  }
  UISetText(IDC_STATUS, status);
  if (state_ == PlaybackState::PlayingDevice) {
    options_.SetTooltip(Text(graph_.HasSourceProperties() ? L"S_VIDEO_FORMATS" : L"MenuPin").c_str(), true);
  }
  if (tray_ != nullptr) {
    // The tip is the status without its trailing dots.
    tray_->SetTip(view.statusFormatted ? std::wstring_view(status).substr(0, status.size() - 3) : std::wstring_view(status));
    tray_->SetIcon(view.trayIcon);
  }
}

void CMainDlg::RefreshDeviceList() {
  devices_.EnumerateCameras();
  ::SendMessageW(deviceList_, CB_RESETCONTENT, 0, 0);
  Logf("RefreshDeviceList (%u)", static_cast<unsigned>(devices_.Count()));
  for (size_t i = 0; i < devices_.Count(); ++i) {
    const std::wstring& name = devices_.At(i)->friendlyName;
    ::SendMessageW(deviceList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (!lastPlayedDevice_.empty() && name == lastPlayedDevice_) {
      ::SendMessageW(deviceList_, CB_SETCURSEL, i, 0);
      if (DebugLoggingEnabled()) Log("Select \"" + WideToAnsi(name) + "\"");
    }
  }
  const bool selected = ::SendMessageW(deviceList_, CB_GETCURSEL, 0, 0) != CB_ERR;
  if (devices_.Count() > 0 && !selected && lastPlayedDevice_.empty()) {
    ::SendMessageW(deviceList_, CB_SETCURSEL, 0, 0);
  }
  ::EnableWindow(play_.window(), ::SendMessageW(deviceList_, CB_GETCURSEL, 0, 0) != CB_ERR);
}

}  // namespace orvane
