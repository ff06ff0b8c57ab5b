#include "renderer/filter/page/CRenderPropertyPage.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "renderer/filter/page/RenderPropertyPageResources.h"

namespace orvane {
namespace {

// In the order of the fill-mode values.
constexpr const wchar_t* kFillModes[] = {L"Aspect Fit", L"Aspect Fill", L"Stretch"};
constexpr int kLastFillMode = 2;

void Beep() { ::MessageBeep(0xFFFFFFFF); }

int ClampFillMode(int mode) { return std::clamp(mode, 0, kLastFillMode); }

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool checked) {
  ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// An edit's text as an unsigned number; 0 when it is not one, which every range below refuses.
unsigned ReadNumber(HWND dialog, int id) {
  BOOL translated = FALSE;
  const UINT value = ::GetDlgItemInt(dialog, id, &translated, FALSE);
  return translated ? value : 0;
}

}  // namespace

CRenderPropertyPage::CRenderPropertyPage()
    : PropertyPageBase(IDD_RENDER_PROPERTY_PAGE, IDS_RENDER_PROPERTY_PAGE_TITLE) {}

std::wstring CRenderPropertyPage::SnapshotPath(const std::wstring& folder, const SYSTEMTIME& time) {
  wchar_t name[128];
  std::swprintf(name, std::size(name), L"%d-%02d-%02d %02d%02d%02d.jpg", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond);
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + name;
}

HRESULT CRenderPropertyPage::OnConnect(IUnknown* object) {
  renderer_.Reset();
  // The renderer refuses its control interface (E_FAIL) while it feeds no virtual camera.
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&renderer_)))) return E_NOINTERFACE;
  return S_OK;
}

HRESULT CRenderPropertyPage::OnDisconnect() {
  renderer_.Reset();
  return S_OK;
}

HRESULT CRenderPropertyPage::OnApplyChanges() {
  // Every control has already acted; Apply only confirms the page to the frame.
  MarkClean();
  return S_OK;
}

INT_PTR CRenderPropertyPage::OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    InitialiseControls(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    switch (id) {
      case IDC_SNAPSHOT:
        if (notification != BN_CLICKED) break;
        RequestSnapshot();
        return TRUE;
      case IDC_MIRROR:
      case IDC_FLIP:
      case IDC_ROTATE:
        if (notification != BN_CLICKED) break;
        ApplyCheckBox(dialog, id);
        return TRUE;
      case IDC_APPLY_FORMAT:
        if (notification != BN_CLICKED) break;
        ApplyOutputFormat(dialog);
        return TRUE;
      case IDC_FILL_MODE:
        if (notification != CBN_SELCHANGE) break;
        ApplyFillMode(dialog);
        return TRUE;
      default:
        break;
    }
  }
  return PropertyPageBase::OnReceiveMessage(dialog, message, wParam, lParam);
}

void CRenderPropertyPage::InitialiseControls(HWND dialog) {
  const HWND list = ::GetDlgItem(dialog, IDC_FILL_MODE);
  for (const wchar_t* mode : kFillModes) {
    ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
  }
  if (!renderer_) return;

  int mode = 0;
  renderer_->GetFillMode(&mode);
  ::SendMessageW(list, CB_SETCURSEL, ClampFillMode(mode), 0);

  int width = 0, height = 0, fps = 0;
  renderer_->GetOutputFormat(&width, &height, &fps, nullptr, nullptr);
  ::SetDlgItemInt(dialog, IDC_OUTPUT_WIDTH, static_cast<UINT>(width), FALSE);
  ::SetDlgItemInt(dialog, IDC_OUTPUT_HEIGHT, static_cast<UINT>(height), FALSE);
  ::SetDlgItemInt(dialog, IDC_OUTPUT_FPS, static_cast<UINT>(fps), FALSE);

  // The boxes show what is in force: unchecked boxes over a mirrored picture would make the first
  // click a no-op and leave the page lying about the output.
  int mirror = 0, flip = 0;
  BOOL rotate = FALSE;
  renderer_->GetMirror(&mirror);
  renderer_->GetFlip(&flip);
  renderer_->GetRotate(&rotate);
  SetChecked(dialog, IDC_MIRROR, mirror != 0);
  SetChecked(dialog, IDC_FLIP, flip != 0);
  SetChecked(dialog, IDC_ROTATE, rotate != FALSE);
}

void CRenderPropertyPage::ApplyOutputFormat(HWND dialog) {
  const unsigned width = ReadNumber(dialog, IDC_OUTPUT_WIDTH);
  const unsigned height = ReadNumber(dialog, IDC_OUTPUT_HEIGHT);
  const unsigned fps = ReadNumber(dialog, IDC_OUTPUT_FPS);
  const bool inRange = width >= kMinWidth && width <= kMaxWidth && height >= kMinHeight &&
                       height <= kMaxHeight && fps >= kMinFps && fps <= kMaxFps;
  if (!inRange || !renderer_) {
    Beep();
    return;
  }
  // Format code and one-size flag 0: the virtual camera offers its usual layouts and sizes.
  const HRESULT hr = renderer_->SetOutputFormat(static_cast<int>(width), static_cast<int>(height),
                                                static_cast<int>(fps), 0, 0);
  if (FAILED(hr)) Beep();
}

void CRenderPropertyPage::ApplyFillMode(HWND dialog) {
  if (!renderer_) return;
  const HWND list = ::GetDlgItem(dialog, IDC_FILL_MODE);
  const LRESULT selected = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return;
  if (SUCCEEDED(renderer_->SetFillMode(static_cast<UINT>(ClampFillMode(static_cast<int>(selected)))))) return;
  // Refused: show the mode that is still in force.
  Beep();
  int mode = 0;
  renderer_->GetFillMode(&mode);
  ::SendMessageW(list, CB_SETCURSEL, ClampFillMode(mode), 0);
}

void CRenderPropertyPage::ApplyCheckBox(HWND dialog, int id) {
  if (!renderer_) return;
  const bool on = IsChecked(dialog, id);
  HRESULT hr = E_UNEXPECTED;
  switch (id) {
    case IDC_MIRROR: hr = renderer_->SetMirror(on); break;
    case IDC_FLIP: hr = renderer_->SetFlip(on); break;
    case IDC_ROTATE: hr = renderer_->SetRotate(on); break;
    default: return;
  }
  if (SUCCEEDED(hr)) return;
  // Refused: the box goes back to the state that is still in force.
  Beep();
  SetChecked(dialog, id, !on);
}

void CRenderPropertyPage::RequestSnapshot() {
  if (!renderer_) return;
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    Beep();
    return;
  }
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  // The file is written when the renderer delivers its next frame; without frames none is written.
  if (FAILED(renderer_->TakeSnapshot(SnapshotPath(folder, now).c_str()))) Beep();
}

}  // namespace orvane
