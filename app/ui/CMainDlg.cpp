#include "app/ui/CMainDlg.h"

#include <commctrl.h>

#include <optional>

#include "app/core/AppPaths.h"
#include "app/core/CApplication.h"
#include "app/core/RunningInstances.h"
#include "app/core/UIDispatcher.h"
#include "app/devices/NimbHelper.h"
#include "app/diagnostics/CFileVersionInfo.h"
#include "app/diagnostics/Logger.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"
#include "app/ui/MainResources.h"
#include "platform/win/StringConversion.h"

namespace orvane {
namespace {

constexpr UINT_PTR kClientPollTimer = 1;
constexpr UINT kClientPollMs = 1000;

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

CMainDlg::CMainDlg() : ui::CDialogImpl(IDD_MAIN) {}

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
    case WM_COMMAND:
      // Commands of our own controls and menus, including those other instances post.
      if (lParam == 0 || reinterpret_cast<HWND>(lParam) == window || ::GetParent(reinterpret_cast<HWND>(lParam)) == window) {
        OnCommand(LOWORD(wParam), HIWORD(wParam));
      }
      ui::ReflectNotifications(window, message, wParam, lParam, result);
      return true;
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
      if (wParam == kClientPollTimer) OnClientPoll();
      return true;
    case WM_POWERBROADCAST:
      result = TRUE;
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

LRESULT CMainDlg::OnInitDialog() {
  Log("Init main window");
  HWND self = window();
  ::SetWindowLongPtrW(self, GWLP_USERDATA, static_cast<LONG_PTR>(kMainWindowMarker));
  UIDispatcher::Instance().Create();

  if (const std::optional<std::wstring> stored =
          RegistryKeyPath(HKEY_CURRENT_USER, CApplication::Instance().PerDeviceKeyPath())
              .ReadText(settings::kLastPlayedDevice)) {
    lastPlayedDevice_ = *stored;
    if (DebugLoggingEnabled()) Log("Last played device: \"" + WideToAnsi(lastPlayedDevice_) + "\"");
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
  ::SetTimer(self, kClientPollTimer, kClientPollMs, nullptr);

  RefreshDeviceList();
  state_ = PlaybackState::Stopped;
  UpdateUi();
  // The renderer every graph ends in: loading it shows the one error box when it is missing.
  NimbHelper::Instance();
  RefreshTexts();
  return TRUE;
}

void CMainDlg::OnDestroy() {
  ::KillTimer(window(), kClientPollTimer);
  NimbHelper::Instance().Release();
  if (loop_ != nullptr) {
    loop_->RemoveMessageFilter(this);
    loop_->RemoveIdleHandler(this);
    loop_ = nullptr;
  }
  Log("Destroyed");
}

void CMainDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_STOP:
      OnStop();
      break;
    case ID_APP_EXIT:
      ::DestroyWindow(window());
      ::PostQuitMessage(ID_APP_EXIT);
      break;
    case ID_SHOW_HIDE:
      ::ShowWindow(window(), ::IsWindowVisible(window()) ? SW_HIDE : SW_SHOW);
      break;
    case IDC_DEVICE_LIST:
      if (code == CBN_SELCHANGE) UIEnable(IDC_PLAY, true);
      break;
    default:
      // Play, the Options button and its menu, the toggle and About come with the playback
      // controller, the graphs and the About dialog.
      break;
  }
}

void CMainDlg::OnStop() {
  state_ = PlaybackState::Stopped;
  UpdateUi();
  Log("STOP");
}

void CMainDlg::OnClientPoll() {
  const auto count = static_cast<uint32_t>(std::max(NimbHelper::Instance().ClientCount(), 0));
  if (count == clientCount_) return;
  clientCount_ = count;
  if (count == 0) {
    UIShow(IDC_CLIENT_BADGE, false);
    return;
  }
  Logf("Camera is being used - %u", count);
  UIShow(IDC_CLIENT_BADGE, true);
  UpdateClientBadge();
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
