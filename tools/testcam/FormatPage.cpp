#include "tools/testcam/FormatPage.h"

#include <uuids.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "tools/testcam/TestCamResources.h"

namespace orvane::testcam {
namespace {

const wchar_t* SubtypeName(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return L"RGB24";
  if (subtype == MEDIASUBTYPE_RGB32) return L"RGB32";
  if (subtype == MEDIASUBTYPE_YUY2) return L"YUY2";
  if (subtype == MEDIASUBTYPE_NV12) return L"NV12";
  if (subtype == MEDIASUBTYPE_MJPG) return L"MJPG";
  return L"?";
}

bool SameFormat(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  const BITMAPINFOHEADER* first = BitmapHeaderOf(a);
  const BITMAPINFOHEADER* second = BitmapHeaderOf(b);
  return a.subtype == b.subtype && first != nullptr && second != nullptr && first->biWidth == second->biWidth &&
         first->biHeight == second->biHeight && FrameIntervalOf(a) == FrameIntervalOf(b);
}

}  // namespace

FormatPage::FormatPage() : PropertyPageBase(IDD_FORMAT_PAGE, IDS_FORMAT_PAGE_TITLE) {}

std::wstring FormatPage::Describe(const AM_MEDIA_TYPE& type) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  if (header == nullptr) return L"?";
  const REFERENCE_TIME interval = FrameIntervalOf(type);
  wchar_t text[96];
  if (interval > 0) {
    ::swprintf(text, 96, L"%ls %ld x %ld, %.2f fps", SubtypeName(type.subtype), header->biWidth, header->biHeight,
               1e7 / static_cast<double>(interval));
  } else {
    ::swprintf(text, 96, L"%ls %ld x %ld", SubtypeName(type.subtype), header->biWidth, header->biHeight);
  }
  return text;
}

HRESULT FormatPage::OnConnect(IUnknown* object) { return object->QueryInterface(IID_PPV_ARGS(&config_)); }

HRESULT FormatPage::OnDisconnect() {
  config_.Reset();
  return S_OK;
}

HRESULT FormatPage::OnActivate() {
  const HWND list = ::GetDlgItem(Dialog(), IDC_FORMAT_LIST);
  int count = 0;
  int size = 0;
  if (!config_ || FAILED(config_->GetNumberOfCapabilities(&count, &size)) || size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) {
    return S_OK;
  }
  AM_MEDIA_TYPE* raw = nullptr;
  UniqueMediaTypePtr current(SUCCEEDED(config_->GetFormat(&raw)) ? raw : nullptr);
  for (int index = 0; index < count; ++index) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    raw = nullptr;
    if (FAILED(config_->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps))) || raw == nullptr) continue;
    const UniqueMediaTypePtr type(raw);
    const auto item = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Describe(*type).c_str()));
    ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(item), index);
    if (current && SameFormat(*current, *type)) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
  }
  return S_OK;
}

HRESULT FormatPage::OnApplyChanges() {
  const HWND list = ::GetDlgItem(Dialog(), IDC_FORMAT_LIST);
  const auto selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (!config_ || selected == LB_ERR) return S_OK;
  const auto index = static_cast<int>(::SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
  VIDEO_STREAM_CONFIG_CAPS caps{};
  AM_MEDIA_TYPE* raw = nullptr;
  HRESULT hr = config_->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps));
  if (hr != S_OK) return FAILED(hr) ? hr : E_UNEXPECTED;
  const UniqueMediaTypePtr type(raw);
  hr = config_->SetFormat(type.get());
  if (SUCCEEDED(hr)) MarkClean();
  return hr;
}

INT_PTR FormatPage::OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_FORMAT_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
    SetDirty();
    return TRUE;
  }
  return PropertyPageBase::OnReceiveMessage(dialog, message, wParam, lParam);
}

}  // namespace orvane::testcam
